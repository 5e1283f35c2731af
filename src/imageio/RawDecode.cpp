// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Camera RAW decoding through LibRaw. The development is neutral on purpose: the camera's white
// balance (LibRaw's automatic one when the camera recorded none), sRGB primaries and tone curve,
// no automatic brightening (it clips the brightest percent of the picture, which the program's
// own auto balance could then not bring back), highlights clipped rather than rebuilt, PPG
// demosaicing (clean edges at well under half AHD's time; the program's own noise and sharpening
// stages follow). LibRaw trusts its input too much to run in the program's own process: this is
// the decoding helper's side, run there with a time limit and, once the sensor size is known, a
// memory cap fitted to it (HelperDecoders.cpp hands the file over). Only the helper and the tests
// link it, so the programs load neither LibRaw nor exiv2 when they start.
#include "imageio/RawCodec.h"

#include <libraw/libraw.h>
#include <omp.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imageio/ChildDecode.h"
#include "imageio/Codecs.h"
#include "imageio/DecoderStart.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr int kDemosaicPpg = 2;

unsigned RawFailure(int code, const LibRaw* raw = nullptr) {
  // LibRaw says "unsupported" both of a camera it does not know and of a file it cannot make
  // sense of; only the first has told it a maker.
  if (code == LIBRAW_FILE_UNSUPPORTED && raw && raw->imgdata.idata.make[0] != 0)
    return kErrRawCamera;
  if (code == LIBRAW_UNSUFFICIENT_MEMORY) return kErrNoMemory;
  if (code == LIBRAW_IO_ERROR) return kErrFileRead;
  if (LibraryContext* ctx = CurrentContext()) ctx->errorDetail = libraw_strerror(code);
  return kErrBadRaw;
}

// The sizes LibRaw reports, checked against the pixel cap before it allocates anything for them;
// the child's memory is then capped at what this picture can need.
bool SizesAcceptable(const libraw_data_t& d, bool halfSize) {
  const libraw_image_sizes_t& s = d.sizes;
  if (s.raw_width == 0 || s.raw_height == 0 || s.width == 0 || s.height == 0) return false;
  size_t rawBytes = 0, outBytes = 0;
  if (!PictureBytes(s.raw_width, s.raw_height, 2, rawBytes)) return false;
  if (!PictureBytes(s.width, s.height, 3, outBytes)) return false;
  // Sensor data (2 bytes a photosite, 4 for some layouts), LibRaw's four 16-bit channels a pixel
  // (a quarter of them at half size), its output and ours.
  uint64_t pixels = uint64_t(s.width) * s.height;
  if (halfSize) pixels /= 4;
  LimitChildMemory(ChildMemoryFor(uint64_t(s.raw_width) * s.raw_height, 4) +
                   ChildMemoryFor(pixels, 16));
  return true;
}

void FillShotValues(const libraw_data_t& d, RawShotValues& shot) {
  shot.make = d.idata.make;
  shot.model = d.idata.model;
  shot.shutter = d.other.shutter;
  shot.aperture = d.other.aperture;
  shot.isoSpeed = d.other.iso_speed;
  shot.focalLength = d.other.focal_len;
  shot.timestamp = int64_t(d.other.timestamp);
  shot.flip = d.sizes.flip;
}

// The picture's upright size: the sensor may lie on its side (LibRaw's flip codes 5 and 6).
struct PictureSize {
  int width, height;
};
PictureSize UprightSize(const libraw_image_sizes_t& s) {
  const bool turned = s.flip == 5 || s.flip == 6;
  return turned ? PictureSize{s.height, s.width} : PictureSize{s.width, s.height};
}

// Whether the picture, scaled by the caller's percent or fitted into its box, is at most half its
// size: then a half-size decoding still gives the scaled picture all its pixels.
bool HalfSizeCovers(const libraw_image_sizes_t& s, int boxWidth, int boxHeight, int percent) {
  if (percent > 0 && percent <= 50) return true;
  if (boxWidth <= 0 || boxHeight <= 0) return false;
  // The box is upright.
  const PictureSize upright = UprightSize(s);
  return upright.width >= 2 * int64_t(boxWidth) || upright.height >= 2 * int64_t(boxHeight);
}

uint8_t* Develop(LibRaw& raw, const uint8_t* data, size_t size, LibraryContext& ctx, int* width,
                 int* height) {
  libraw_output_params_t& p = raw.imgdata.params;
  p.output_color = 1;  // sRGB
  p.output_bps = 8;
  p.gamm[0] = 1 / 2.4;  // the sRGB curve
  p.gamm[1] = 12.92;
  p.no_auto_bright = 1;
  p.highlight = 0;
  p.user_qual = kDemosaicPpg;
  p.use_camera_wb = 1;
  p.use_camera_matrix = 1;
  p.user_flip = -1;  // the camera's orientation

  int code = raw.open_buffer(const_cast<uint8_t*>(data), size);
  if (code != LIBRAW_SUCCESS) return DecodeFailure(RawFailure(code, &raw));
  const bool halfSize = HalfSizeCovers(raw.imgdata.sizes, ctx.rawTargetWidth, ctx.rawTargetHeight,
                                       ctx.rawTargetPercent);
  if (!SizesAcceptable(raw.imgdata, halfSize)) return DecodeFailure(kErrNoMemory);
  // The full upright size, read before processing: a half-size development shrinks the sizes.
  const PictureSize full = UprightSize(raw.imgdata.sizes);
  p.half_size = halfSize ? 1 : 0;
  code = raw.unpack();
  if (code != LIBRAW_SUCCESS) return DecodeFailure(RawFailure(code));
  // Without a white balance from the camera, LibRaw's own grey-world estimate.
  const float* mul = raw.imgdata.color.cam_mul;
  if (!(mul[0] > 0 && mul[1] > 0 && mul[2] > 0)) p.use_auto_wb = 1;
  code = raw.dcraw_process();
  if (code != LIBRAW_SUCCESS) return DecodeFailure(RawFailure(code));

  int w = 0, h = 0, colours = 0, bps = 0;
  raw.get_mem_image_format(&w, &h, &colours, &bps);
  if (w <= 0 || h <= 0 || colours != 3 || bps != 8) return DecodeFailure(kErrBadRaw);
  LibraryBuffer pixels(AllocatePixels(w, h, 3, false));
  if (!pixels) return nullptr;
  code = raw.copy_mem_image(pixels.get(), w * 3, 0);
  if (code != LIBRAW_SUCCESS) return DecodeFailure(RawFailure(code));

  RawShotValues shot;
  FillShotValues(raw.imgdata, shot);
  try {
    ctx.decoded.exif = BuildRawExifBlock(data, size, shot, w, h, &ctx.decoded.xmp);
  } catch (...) {  // metadata is not worth failing the picture for
    ctx.decoded = {};
  }
  ctx.decoded.upright = true;
  if (halfSize) {
    // What a percent resize scales, rather than the half picture's size.
    ctx.decoded.fullWidth = full.width;
    ctx.decoded.fullHeight = full.height;
  }
  *width = w;
  *height = h;
  return pixels.release();
}

}  // namespace

uint8_t* DecodeRawHere(const uint8_t* data, size_t size, int* width, int* height) {
  LibraryContext* ctx = BeginMemoryDecode(data, width, height);
  if (!ctx) return nullptr;
  // One thread: a batch already decodes one photo per core.
  omp_set_num_threads(1);
  try {
    // LibRaw's object holds large tables; it lives on the heap, not the stack.
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    return Develop(*raw, data, size, *ctx, width, height);
  } catch (const std::bad_alloc&) {
    return DecodeFailure(kErrNoMemory);
  } catch (...) {  // no exception leaves the layer
    return DecodeFailure(kErrBadRaw);
  }
}

}  // namespace orv
