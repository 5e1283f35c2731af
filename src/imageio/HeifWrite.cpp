// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// HEIF encoding through libheif: HEVC (x265) for HEIC, AV1 (libaom) for AVIF, 8-bit 4:2:0, with
// the EXIF block, ICC profile and XMP packet of the options attached to the image.
#include <libheif/heif.h>

#include <algorithm>
#include <cstring>

#include "imageio/Codecs.h"
#include "imageio/EncoderSupport.h"
#include "imageio/HeifSupport.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

heif_error WriteOut(heif_context*, const void* data, size_t size, void* user) {
  if (WriteDest(static_cast<ImageDest*>(user), data, size)) return heif_error{};
  return heif_error{heif_error_Encoding_error, heif_suberror_Cannot_write_output_data,
                    "the output could not be written"};
}

// The TIFF data of an EXIF block that carries the "Exif\0\0" signature; empty for other blocks
// (an APP1 of another kind). libheif writes the offset header itself.
std::span<const uint8_t> TiffPart(std::span<const uint8_t> block) {
  static const uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (block.size() < 6 + 8 || std::memcmp(block.data(), kSignature, 6) != 0) return {};
  return block.subspan(6);
}

unsigned Encode(ImageDest* dest, const uint8_t* pixels, int width, int height, HeifCodec codec,
                const EncodeOptions& o) {
  const HeifFunctions* heif = Heif();
  if (!heif) return kErrHeifEncode;
  HeifPtr<heif_context> context(heif->context_alloc());
  if (!context) return kErrNoMemory;
  heif_encoder* rawEncoder = nullptr;
  heif_error e = heif->context_get_encoder_for_format(
      context.get(), codec == HeifCodec::Hevc ? heif_compression_HEVC : heif_compression_AV1,
      &rawEncoder);
  HeifPtr<heif_encoder> encoder(rawEncoder);
  if (e.code != heif_error_Ok || !encoder) return HeifFailure(e, kErrHeifEncode);
  // The quality is libheif's own number, as heif-enc -q takes it (x265: CRF = (100 - q) / 2), so
  // the same number gives the file a user of libheif expects for the same picture. HEVC is
  // coded 4:2:0 like heif-enc's output and the phones' own HEICs: named here so that a change of
  // the plugin's default cannot double the files.
  e = heif->encoder_set_lossy_quality(encoder.get(), std::clamp(o.quality, 0, 100));
  if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  if (codec == HeifCodec::Hevc) {
    e = heif->encoder_set_parameter_string(encoder.get(), "chroma", "420");
    if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  }

  heif_image* rawImage = nullptr;
  e = heif->image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                         &rawImage);
  HeifPtr<heif_image> image(rawImage);
  if (e.code != heif_error_Ok || !image) return HeifFailure(e, kErrHeifEncode);
  e = heif->image_add_plane(image.get(), heif_channel_interleaved, width, height, 8);
  if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  int stride = 0;
  uint8_t* plane = heif->image_get_plane(image.get(), heif_channel_interleaved, &stride);
  const size_t rowBytes = size_t(width) * 3;
  if (!plane || stride < 0 || size_t(stride) < rowBytes) return kErrNoMemory;
  for (int y = 0; y < height; ++y)
    std::memcpy(plane + size_t(y) * size_t(stride), pixels + size_t(y) * rowBytes, rowBytes);
  if (!o.iccProfile.empty()) {
    e = heif->image_set_raw_color_profile(image.get(), "prof", o.iccProfile.data(),
                                          o.iccProfile.size());
    if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  }

  HeifPtr<heif_encoding_options> options(heif->encoding_options_alloc());
  if (!options) return kErrNoMemory;
  options->save_alpha_channel = 0;
  heif_image_handle* rawHandle = nullptr;
  e = heif->context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                 &rawHandle);
  HeifPtr<heif_image_handle> handle(rawHandle);
  if (e.code != heif_error_Ok || !handle) return HeifFailure(e, kErrHeifEncode);

  const std::span<const uint8_t> tiff = TiffPart(o.exifBlock);
  if (!tiff.empty() && tiff.size() <= size_t(INT32_MAX)) {
    e = heif->context_add_exif_metadata(context.get(), handle.get(), tiff.data(), int(tiff.size()));
    if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  }
  if (!o.xmpPacket.empty() && o.xmpPacket.size() <= size_t(INT32_MAX)) {
    e = heif->context_add_XMP_metadata(context.get(), handle.get(), o.xmpPacket.data(),
                                       int(o.xmpPacket.size()));
    if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  }

  heif_writer writer{1, WriteOut};
  e = heif->context_write(context.get(), &writer, dest);
  if (e.code == heif_error_Encoding_error && e.subcode == heif_suberror_Cannot_write_output_data)
    return kErrFileWrite;
  if (e.code != heif_error_Ok) return HeifFailure(e, kErrHeifEncode);
  return kErrNone;
}

}  // namespace

bool WriteHeif(ImageDest* dest, const uint8_t* pixels, int width, int height, HeifCodec codec,
               const EncodeOptions& options) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  if (!pixels || width <= 0 || height <= 0) return RefuseEncode(dest, kErrBadParam);
  ctx->errorDetail.clear();
  const int64_t start = DestPosition(dest);
  unsigned result = kErrNoMemory;
  try {
    result = Encode(dest, pixels, width, height, codec, options);
  } catch (...) {  // no exception leaves the layer
    result = kErrNoMemory;
  }
  return EndEncode(dest, start, result);
}

}  // namespace orv
