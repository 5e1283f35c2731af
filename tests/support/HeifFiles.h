// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC and AVIF test files made at test time with libheif's own tools (Debian's
// libheif-examples) or its API, from the committed sample photographs.
#pragma once

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/Codecs.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageIo.h"
#include "imageio/PixelBuffer.h"
#include "support/RunOrv.h"

namespace orv::test {

// Runs a libheif tool quietly; true when it succeeded.
inline bool RunTool(const std::string& tool, const std::vector<std::string>& args) {
  std::string cmd = tool;
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}
inline bool HeifEnc(const std::vector<std::string>& args) {
  return RunTool("heif-enc", args);
}
inline bool HeifConvert(const std::string& in, const std::string& out) {
  return RunTool("heif-convert", {in, out});
}

// Pixels of a file as the program decodes it; empty on failure.
struct Picture {
  std::vector<uint8_t> pixels;
  int width = 0, height = 0;
};
inline Picture LoadPicture(const std::string& path) {
  CImageFile file;
  Picture p;
  if (file.Load(path.c_str()) != 0) return p;
  p.width = file.width(), p.height = file.height();
  const uint8_t* px = file.image().pixels();
  p.pixels.assign(px, px + size_t(p.width) * size_t(p.height) * 3);
  return p;
}

// How WriteHeifFile writes: the codec, the irot/imir libheif stores for `orientation` (as a phone
// does for a photo taken sideways), and an nclx colour description when `primaries` is not 0.
struct HeifFileOptions {
  heif_compression_format codec = heif_compression_HEVC;
  heif_orientation orientation = heif_orientation_normal;
  int primaries = 0;
  int transfer = 0;
};

// A HEIF file of the JPEG's pixels and EXIF block, written through libheif's API.
inline bool WriteHeifFile(const std::string& jpeg, const std::string& out,
                          const HeifFileOptions& how) {
  CImageFile source;
  if (source.Load(jpeg.c_str()) != 0) return false;
  const int w = source.width(), h = source.height();
  heif_context* ctx = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_image_handle* handle = nullptr;
  heif_encoding_options* options = heif_encoding_options_alloc();
  bool ok = heif_context_get_encoder_for_format(ctx, how.codec, &encoder).code == 0 &&
            heif_encoder_set_lossy_quality(encoder, 90).code == 0 &&
            heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image)
                    .code == 0 &&
            heif_image_add_plane(image, heif_channel_interleaved, w, h, 8).code == 0;
  if (ok) {
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < h; ++y)
      std::memcpy(plane + size_t(y) * size_t(stride),
                  source.image().pixels() + size_t(y) * size_t(w) * 3, size_t(w) * 3);
    options->image_orientation = how.orientation;
    if (how.primaries != 0) {
      heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
      heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(how.primaries));
      heif_nclx_color_profile_set_transfer_characteristics(nclx, uint16_t(how.transfer));
      ok = heif_image_set_nclx_color_profile(image, nclx).code == 0;
      heif_nclx_color_profile_free(nclx);
    }
    // The block after its 6-byte "Exif\0\0" header; a JPEG without EXIF gives a file without it.
    const std::vector<uint8_t>& exif = source.exifBlock();
    ok = ok && heif_context_encode_image(ctx, image, encoder, options, &handle).code == 0;
    if (ok && exif.size() > 6) {
      const int exifSize = int(exif.size() - 6);
      ok = heif_context_add_exif_metadata(ctx, handle, exif.data() + 6, exifSize).code == 0;
    }
    ok = ok && heif_context_write_to_file(ctx, out.c_str()).code == 0;
  }
  heif_encoding_options_free(options);
  heif_image_handle_release(handle);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(ctx);
  return ok;
}

}  // namespace orv::test
