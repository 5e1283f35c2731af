// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// HEIF decoding (HEIC and AVIF) through libheif. The depth of the primary image's derivation is
// measured before libheif reads the file, and libheif decodes in the decoding helper with time and
// memory limits (HelperDecoders.cpp hands the file over): a hostile file costs one failed load. The
// size of the primary image is checked against the program's pixel cap before libheif decodes
// anything; libheif's own security limits stay on.
#include <libheif/heif.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "imageio/ByteOrder.h"
#include "imageio/ChildDecode.h"
#include "imageio/Codecs.h"
#include "imageio/DecoderStart.h"
#include "imageio/HeifColour.h"
#include "imageio/HeifDerivation.h"
#include "imageio/HeifSupport.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"
#include "platform/LargeBuffer.h"

namespace orv {
namespace {

// Metadata items larger than this are not kept: no EXIF, XMP or profile comes near it.
constexpr size_t kMaxMetadataBytes = size_t(16) << 20;

ImageSource* Source(void* user) {
  return static_cast<ImageSource*>(user);
}
int64_t ReaderPosition(void* user) {
  return int64_t(SourcePosition(Source(user)));
}
int ReaderRead(void* data, size_t size, void* user) {
  return ReadSource(Source(user), data, size) == size ? 0 : -1;
}
int ReaderSeek(int64_t position, void* user) {
  return position >= 0 && SeekSource(Source(user), position, SEEK_SET) ? 0 : -1;
}
heif_reader_grow_status ReaderWait(int64_t target, void* user) {
  return target >= 0 && uint64_t(target) <= SourceSize(Source(user))
             ? heif_reader_grow_status_size_reached
             : heif_reader_grow_status_size_beyond_eof;
}

inline uint8_t OverWhite(unsigned c, unsigned a) {
  return uint8_t((c * a + 255 * (255 - a) + 127) / 255);
}

// Samples of `bits` bits (9..16, little-endian 16-bit words) to 8 bits, rounded to nearest.
struct DeepScale {
  unsigned max;
  uint8_t operator()(const uint8_t* p) const {
    unsigned v = std::min(unsigned(p[0]) | unsigned(p[1]) << 8, max);
    return uint8_t((v * 255 + max / 2) / max);
  }
};

void ConvertRow(const uint8_t* in, uint8_t* out, int width, bool alpha, int bits) {
  if (bits <= 8) {
    if (!alpha) {
      std::memcpy(out, in, size_t(width) * 3);
      return;
    }
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = OverWhite(in[0], in[3]);
      out[1] = OverWhite(in[1], in[3]);
      out[2] = OverWhite(in[2], in[3]);
    }
    return;
  }
  const DeepScale scale{(1u << bits) - 1};
  const int step = alpha ? 8 : 6;
  for (int x = 0; x < width; ++x, in += step, out += 3) {
    uint8_t r = scale(in), g = scale(in + 2), b = scale(in + 4);
    if (alpha) {
      uint8_t a = scale(in + 6);
      r = OverWhite(r, a), g = OverWhite(g, a), b = OverWhite(b, a);
    }
    out[0] = r, out[1] = g, out[2] = b;
  }
}

// One metadata item's bytes; empty when it is missing, too large or unreadable.
std::vector<uint8_t> MetadataBytes(const heif_image_handle* handle, heif_item_id id) {
  size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size == 0 || size > kMaxMetadataBytes) return {};
  std::vector<uint8_t> bytes(size);
  heif_error e = heif_image_handle_get_metadata(handle, id, bytes.data());
  return e.code == heif_error_Ok ? bytes : std::vector<uint8_t>();
}

// The Exif item holds a 4-byte offset to the TIFF header, then the data. The block handed on
// has the form of a JPEG's APP1 payload: "Exif\0\0" and the TIFF data.
std::vector<uint8_t> ExifFromItem(const std::vector<uint8_t>& item) {
  static const uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (item.size() < 4) return {};
  uint64_t start = 4 + uint64_t(Be32(item.data()));
  // Some writers count the offset up to the signature, some past it: skip one if it is there.
  if (RangeInside(start, 6, item.size()) && std::memcmp(&item[start], kSignature, 6) == 0)
    start += 6;
  if (!RangeInside(start, 8, item.size())) return {};
  std::vector<uint8_t> block(kSignature, kSignature + 6);
  block.insert(block.end(), item.begin() + ptrdiff_t(start), item.end());
  return block;
}

void CollectMetadata(const heif_image_handle* handle, DecodedMetadata& out) {
  int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
  if (count > 0) {
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    count = heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), count);
    for (int i = 0; i < count; ++i) {
      const char* type = heif_image_handle_get_metadata_type(handle, ids[size_t(i)]);
      const char* content = heif_image_handle_get_metadata_content_type(handle, ids[size_t(i)]);
      if (out.exif.empty() && type && std::strcmp(type, "Exif") == 0) {
        out.exif = ExifFromItem(MetadataBytes(handle, ids[size_t(i)]));
      } else if (out.xmp.empty() && type && std::strcmp(type, "mime") == 0 && content &&
                 std::strcmp(content, "application/rdf+xml") == 0) {
        out.xmp = MetadataBytes(handle, ids[size_t(i)]);
      }
    }
  }
  heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
    size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size > 0 && size <= kMaxMetadataBytes) {
      out.icc.resize(size);
      if (heif_image_handle_get_raw_color_profile(handle, out.icc.data()).code != heif_error_Ok)
        out.icc.clear();
    }
  } else if (type == heif_color_profile_type_nclx) {
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx)
      out.icc = ProfileForNclx(*nclx);
    heif_nclx_color_profile_free(nclx);
  }
}

uint8_t* DecodePrimary(ImageSource* source, LibraryContext& ctx, int* width, int* height) {
  if (!Heif()) return DecodeFailure(kErrBadHeif);
  if (!SeekSource(source, 0, SEEK_SET)) return DecodeFailure(kErrFileRead);
  HeifPtr<heif_context> context(heif_context_alloc());
  if (!context) return DecodeFailure(kErrNoMemory);
  static const heif_reader kReader{1, ReaderPosition, ReaderRead, ReaderSeek, ReaderWait};
  heif_error e = heif_context_read_from_reader(context.get(), &kReader, source, nullptr);
  if (e.code != heif_error_Ok) return DecodeFailure(HeifFailure(e, kErrBadHeif));
  heif_image_handle* rawHandle = nullptr;
  e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
  HeifPtr<heif_image_handle> handle(rawHandle);
  if (e.code != heif_error_Ok || !handle) return DecodeFailure(HeifFailure(e, kErrBadHeif));

  // The coded size (ispe) and the displayed size both pass the cap before libheif allocates the
  // planes, at the bytes per pixel of the widest form it will hold.
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  const int lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
  if (lumaBits > 16) return DecodeFailure(kErrBadHeif);
  const bool deep = lumaBits > 8;
  const int bytesPerPixel = (alpha ? 4 : 3) * (deep ? 2 : 1);
  int codedW = heif_image_handle_get_ispe_width(handle.get());
  int codedH = heif_image_handle_get_ispe_height(handle.get());
  const int shownW = heif_image_handle_get_width(handle.get());
  const int shownH = heif_image_handle_get_height(handle.get());
  if (codedW <= 0 || codedH <= 0) codedW = shownW, codedH = shownH;
  size_t bytes = 0;
  if (!PictureBytes(codedW, codedH, bytesPerPixel, bytes) ||
      !PictureBytes(shownW, shownH, bytesPerPixel, bytes))
    return DecodeFailure(kErrNoMemory);
  // The coded planes, libheif's converted copy and ours, for the larger of the two sizes.
  LimitChildMemory(ChildMemoryFor(
      std::max(uint64_t(codedW) * uint64_t(codedH), uint64_t(shownW) * uint64_t(shownH)),
      uint64_t(bytesPerPixel) * 4 + 3));

  HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
  if (!options) return DecodeFailure(kErrNoMemory);
  options->ignore_transformations = 0;  // rotation, mirroring and crop as the file says
  options->convert_hdr_to_8bit = 0;     // deep samples are rounded here, not truncated
  const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE
                                           : heif_chroma_interleaved_RRGGBB_LE)
                                  : (alpha ? heif_chroma_interleaved_RGBA
                                           : heif_chroma_interleaved_RGB);
  heif_image* rawImage = nullptr;
  e = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get());
  HeifPtr<heif_image> image(rawImage);
  if (e.code != heif_error_Ok || !image) return DecodeFailure(HeifFailure(e, kErrBadHeif));

  const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
  const int bits = deep ? heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved)
                        : 8;
  int stride = 0;
  const uint8_t* plane =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  size_t rowBytes = 0;
  if (!plane || bits < 8 || bits > 16 || !PictureBytes(w, 1, bytesPerPixel, rowBytes) ||
      stride < 0 || size_t(stride) < rowBytes)
    return DecodeFailure(kErrBadHeif);

  uint8_t* pixels = AllocatePixels(w, h, 3, false);
  if (!pixels) return nullptr;
  // Faulted in before the rows are written, so that slow fresh huge pages go over to small ones.
  PlacePages(pixels, size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y)
    ConvertRow(plane + size_t(y) * size_t(stride), pixels + size_t(y) * size_t(w) * 3, w, alpha,
               bits);

  try {
    CollectMetadata(handle.get(), ctx.decoded);
  } catch (...) {  // metadata is not worth failing the picture for
    ctx.decoded = {};
  }
  ctx.decoded.upright = true;
  *width = w;
  *height = h;
  return pixels;
}

}  // namespace

uint8_t* DecodeHeifHere(const uint8_t* data, size_t size, int* width, int* height) {
  LibraryContext* ctx = BeginMemoryDecode(data, width, height);
  if (!ctx) return nullptr;
  // libheif follows derivations by recursion: a deep chain is refused before it reads the file.
  if (HeifDerivationDepth(data, size) > kMaxHeifDerivationDepth) {
    ctx->errorDetail = "the image is derived through too many levels";
    return DecodeFailure(kErrBadHeif);
  }
  SourcePtr source(OpenSourceMemory(data, size));
  if (!source) return DecodeFailure(kErrNoMemory);
  try {
    return DecodePrimary(source.get(), *ctx, width, height);
  } catch (...) {  // no exception leaves the layer
    return DecodeFailure(kErrNoMemory);
  }
}

}  // namespace orv
