// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the HEIF decoder and encoder share: libheif loaded and started once, owners for its
// objects, and the mapping of its errors to the layer's codes (its message kept for the error
// text).
#pragma once

#include <libheif/heif.h>

#include <memory>

namespace orv {

// The libheif functions the encoder and the owners below call. libheif brings its HEVC and AV1
// codecs with it, some 6 ms of loading, so the programs load it only when they first write a HEIF
// file; the decoder runs in the decoding helper, which links libheif and calls it directly.
struct HeifFunctions {
  decltype(&heif_context_alloc) context_alloc;
  decltype(&heif_context_free) context_free;
  decltype(&heif_image_handle_release) image_handle_release;
  decltype(&heif_image_release) image_release;
  decltype(&heif_encoder_release) encoder_release;
  decltype(&heif_decoding_options_free) decoding_options_free;
  decltype(&heif_encoding_options_alloc) encoding_options_alloc;
  decltype(&heif_encoding_options_free) encoding_options_free;
  decltype(&heif_context_get_encoder_for_format) context_get_encoder_for_format;
  decltype(&heif_encoder_set_lossy_quality) encoder_set_lossy_quality;
  decltype(&heif_encoder_set_parameter_string) encoder_set_parameter_string;
  decltype(&heif_image_create) image_create;
  decltype(&heif_image_add_plane) image_add_plane;
  decltype(&heif_image_get_plane) image_get_plane;
  decltype(&heif_image_set_raw_color_profile) image_set_raw_color_profile;
  decltype(&heif_context_encode_image) context_encode_image;
  decltype(&heif_context_add_exif_metadata) context_add_exif_metadata;
  decltype(&heif_context_add_XMP_metadata) context_add_XMP_metadata;
  decltype(&heif_context_write) context_write;
};

// libheif's functions, loaded and started (heif_init, its codec plugins register there) by the
// first call; later calls only return them. Null when libheif cannot be loaded, with the loader's
// message as the thread's error detail.
const HeifFunctions* Heif();

// The layer code for a libheif failure, with libheif's message kept as the thread's error detail:
// kErrNoMemory when memory ran out, else `code` (kErrBadHeif or kErrHeifEncode).
unsigned HeifFailure(const heif_error& error, unsigned code);

// Objects exist only once Heif() has loaded the library.
struct HeifDeleter {
  void operator()(heif_context* p) const { Heif()->context_free(p); }
  void operator()(heif_image_handle* p) const { Heif()->image_handle_release(p); }
  void operator()(heif_image* p) const { Heif()->image_release(p); }
  void operator()(heif_encoder* p) const { Heif()->encoder_release(p); }
  void operator()(heif_decoding_options* p) const { Heif()->decoding_options_free(p); }
  void operator()(heif_encoding_options* p) const { Heif()->encoding_options_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

}  // namespace orv
