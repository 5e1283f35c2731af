// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Portrait de-focus: bright areas (skin) take a blurred copy, dark areas (eyes, hair, edges) a
// sharpened one, weighted by the local brightness of the blurred copy; optionally reddish pixels
// are overlaid with a pink tone in proportion to how much red exceeds green.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "filters/FilterArgs.h"
#include "filters/ImageFilters.h"
#include "filters/NeighbourFilter.h"
#include "filters/PortraitMix.h"

namespace orv {
namespace {

// The number of soften passes: trunc(3 x radius), at least 1. The pipeline's radii stay below
// 5.2 (15 passes); the cap only keeps an absurd radius from overflowing the count.
int SoftenPasses(double radius) {
  double n = radius * 3.0;
  if (!(n >= 1.0)) return 1;
  return n < 1000.0 ? int(n) : 1000;
}

// The overlay of the constant pink (225, 180, 183) for every channel value.
struct PinkTone {
  int tone[3][256];
  PinkTone() {
    const int K[3] = {225, 180, 183};
    for (int c = 0; c < 3; ++c) {
      for (int v = 0; v < 256; ++v) {
        tone[c][v] = v < 128 ? (2 * v * K[c]) / 255 : 255 - (2 * (255 - v) * (255 - K[c])) / 255;
      }
    }
  }
};
const PinkTone kPink;

}  // namespace

bool CImageFilters::PortraitSmooth(uint8_t* pixels, int width, int height, double radius,
                                   int pinkTones) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  std::unique_ptr<uint8_t[]> soft(new (std::nothrow) uint8_t[bytes]);
  std::unique_ptr<uint8_t[]> other(new (std::nothrow) uint8_t[bytes]);
  if (!soft || !other) return false;
  std::memcpy(soft.get(), pixels, bytes);
  // Soften passes ping-pong between the two buffers; the blurred copy ends in `soft`.
  for (int pass = SoftenPasses(radius); pass > 0; --pass) {
    if (!NeighbourFilter(soft.get(), other.get(), width, height, 100, kNeighbourSoften))
      return false;
    std::swap(soft, other);
  }
  uint8_t* sharp = other.get();
  if (!NeighbourFilter(pixels, sharp, width, height, 40, kNeighbourSharpen)) return false;

  const uint8_t* a = soft.get();
  const size_t done =
      PortraitMixVector(ActiveKernelPath(), pixels, sharp, a, bytes / 3, pinkTones != 0);
  for (size_t i = 3 * done; i < bytes; i += 3) {
    int m = (a[i] + a[i + 1] + a[i + 2]) / 3;
    int c2[3];
    for (int c = 0; c < 3; ++c) {
      // The weights sum to 255, not 256: each mix loses a little brightness, as intended.
      int c1 = (pixels[i + c] * m + sharp[i + c] * (255 - m)) >> 8;
      c2[c] = (c1 * (255 - m) + a[i + c] * m) >> 8;
    }
    if (pinkTones != 0) {
      int k = std::max(c2[0] - c2[1], 0);
      // Without redness the pixel is left as it is (the mix would only darken it).
      if (k > 0) {
        for (int c = 0; c < 3; ++c) c2[c] = (c2[c] * (255 - k) + kPink.tone[c][c2[c]] * k) >> 8;
      }
    }
    pixels[i] = uint8_t(c2[0]);
    pixels[i + 1] = uint8_t(c2[1]);
    pixels[i + 2] = uint8_t(c2[2]);
  }
  return true;
}

}  // namespace orv
