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
#include "platform/LargeBuffer.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

// The number of soften passes: trunc(3 x radius), at least 1. The pipeline's radii stay below
// 5.2 (15 passes); the cap only keeps an absurd radius from overflowing the count.
int SoftenPasses(double radius) {
  double n = radius * 3.0;
  if (!(n >= 1.0)) return 1;
  return n < 1000.0 ? int(n) : 1000;
}

}  // namespace

bool CImageFilters::PortraitSmooth(uint8_t* pixels, int width, int height, double radius,
                                   int pinkTones) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  // Picture-sized, from the large buffers: huge pages, and the pages of a picture released a
  // moment ago.
  LargeBufferPtr soft = MakeLargeBuffer(bytes);
  LargeBufferPtr other = MakeLargeBuffer(bytes);
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

  // Every pixel's mix reads that pixel alone: bands of rows.
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    const size_t at = 3 * first;
    PortraitMix(pixels + at, sharp + at, soft.get() + at, count, pinkTones != 0);
  });
  return true;
}

}  // namespace orv
