// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/Rotate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include "platform/LargeBuffer.h"

#include "imageio/GeometryResult.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

// Quarter turns walk the source in tiles so that both the reads and the writes of a tile stay
// in cache; a plain row walk would touch a new destination row for every pixel.
constexpr int kTile = 64;

template <int Bpp>
void QuarterTurn(const uint8_t* src, int w, int h, uint8_t* dst, bool clockwise) {
  // Destination is h wide and w high.
  const size_t dstStride = size_t(h) * Bpp, srcStride = size_t(w) * Bpp;
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(h, y0 + kTile);
    for (int x0 = 0; x0 < w; x0 += kTile) {
      const int x1 = std::min(w, x0 + kTile);
      for (int y = y0; y < y1; ++y) {
        const uint8_t* in = src + size_t(y) * srcStride;
        for (int x = x0; x < x1; ++x) {
          // Clockwise: source (x, y) lands at column h - 1 - y, row x.
          // Counter-clockwise: at column y, row w - 1 - x.
          const size_t dx = clockwise ? size_t(h - 1 - y) : size_t(y);
          const size_t dy = clockwise ? size_t(x) : size_t(w - 1 - x);
          std::memcpy(dst + dy * dstStride + dx * Bpp, in + size_t(x) * Bpp, Bpp);
        }
      }
    }
  }
}

void QuarterTurnAny(const uint8_t* src, int w, int h, uint8_t* dst, bool clockwise, int bpp) {
  switch (bpp) {
    case 1:
      QuarterTurn<1>(src, w, h, dst, clockwise);
      break;
    case 2:
      QuarterTurn<2>(src, w, h, dst, clockwise);
      break;
    case 3:
      QuarterTurn<3>(src, w, h, dst, clockwise);
      break;
    default:
      QuarterTurn<4>(src, w, h, dst, clockwise);
      break;
  }
}

void HalfTurn(const uint8_t* src, size_t count, uint8_t* dst, int bpp) {
  for (size_t i = 0; i < count; ++i)
    std::memcpy(dst + (count - 1 - i) * size_t(bpp), src + i * size_t(bpp), size_t(bpp));
}

}  // namespace

unsigned RotateImage(uint8_t* pixels, int w, int h, int code, int bytesPerPixel) {
  size_t bytes = 0;
  if (!pixels || code < kRotate90Clockwise || code > kRotate90CounterClockwise ||
      bytesPerPixel < 1 || bytesPerPixel > 4 || !PictureBytes(w, h, bytesPerPixel, bytes))
    return kGeometryBadParam;
  std::unique_ptr<uint8_t[]> tmp(NewLargeBuffer(bytes));
  if (!tmp) return kGeometryNoMemory;
  if (code == kRotate180)
    HalfTurn(pixels, size_t(w) * size_t(h), tmp.get(), bytesPerPixel);
  else
    QuarterTurnAny(pixels, w, h, tmp.get(), code == kRotate90Clockwise, bytesPerPixel);
  std::memcpy(pixels, tmp.get(), bytes);
  return kGeometryOk;
}

}  // namespace orv
