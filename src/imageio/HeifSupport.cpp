// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/HeifSupport.h"

#include <dlfcn.h>

#include <string>
#include <type_traits>

#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

// Debian's libheif1 package; the soname stays while the library's interface does.
constexpr const char* kHeifLibrary = "libheif.so.1";

void KeepDetail(const char* text) {
  if (LibraryContext* ctx = CurrentContext()) {
    try {
      ctx->errorDetail = text;
    } catch (...) {
      ctx->errorDetail.clear();
    }
  }
}

struct LoadedHeif {
  HeifFunctions functions{};
  bool loaded = false;
  std::string failure;

  LoadedHeif() {
    // Never closed, and heif_init never matched by heif_deinit: other threads may be coding
    // until the process ends.
    void* library = dlopen(kHeifLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      const char* why = dlerror();
      failure = why ? why : "libheif could not be loaded";
      return;
    }
    // The first function missing is the failure.
    const auto find = [&](const char* name, auto& function) {
      function =
          reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
      if (!function) failure = std::string(kHeifLibrary) + " has no " + name;
      return function != nullptr;
    };
    decltype(&heif_init) init = nullptr;
    HeifFunctions& f = functions;
    loaded = find("heif_init", init) && find("heif_context_alloc", f.context_alloc) &&
             find("heif_context_free", f.context_free) &&
             find("heif_image_handle_release", f.image_handle_release) &&
             find("heif_image_release", f.image_release) &&
             find("heif_encoder_release", f.encoder_release) &&
             find("heif_decoding_options_free", f.decoding_options_free) &&
             find("heif_encoding_options_alloc", f.encoding_options_alloc) &&
             find("heif_encoding_options_free", f.encoding_options_free) &&
             find("heif_context_get_encoder_for_format", f.context_get_encoder_for_format) &&
             find("heif_encoder_set_lossy_quality", f.encoder_set_lossy_quality) &&
             find("heif_encoder_set_parameter_string", f.encoder_set_parameter_string) &&
             find("heif_image_create", f.image_create) &&
             find("heif_image_add_plane", f.image_add_plane) &&
             find("heif_image_get_plane", f.image_get_plane) &&
             find("heif_image_set_raw_color_profile", f.image_set_raw_color_profile) &&
             find("heif_context_encode_image", f.context_encode_image) &&
             find("heif_context_add_exif_metadata", f.context_add_exif_metadata) &&
             find("heif_context_add_XMP_metadata", f.context_add_XMP_metadata) &&
             find("heif_context_write", f.context_write);
    if (loaded) init(nullptr);
  }
};

}  // namespace

const HeifFunctions* Heif() {
  static const LoadedHeif heif;
  if (heif.loaded) return &heif.functions;
  KeepDetail(heif.failure.c_str());
  return nullptr;
}

unsigned HeifFailure(const heif_error& error, unsigned code) {
  if (error.code == heif_error_Memory_allocation_error) code = kErrNoMemory;
  KeepDetail(error.message ? error.message : "");
  return code;
}

}  // namespace orv
