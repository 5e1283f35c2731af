// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/NeighbourFilter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "filters/FilterArgs.h"
#include "filters/NeighbourRows.h"
#include "platform/CheckedMath.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

// The fewest rows a band takes: a band costs little to start, but a thread must be woken.
constexpr int kNeighbourBandRows = 16;

bool ValidKind(int kind) {
  return kind == kNeighbourSharpen || kind == kNeighbourSoften || kind == kNeighbourMedian;
}

// The factor of the kind at strength a (0..100).
double Factor(int kind, int a) {
  return kind == kNeighbourSharpen ? 0.005 * a : 0.01 * a;
}

}  // namespace

bool NeighbourFilter(const uint8_t* src, uint8_t* dst, int width, int height, int strength,
                     int kind, const ProgressHook* progress) {
  size_t bytes = 0;
  if (!PictureArgs(src, width, height, bytes) || !dst || src == dst) return false;
  if (!ValidKind(kind)) return false;
  const int a = std::clamp(strength, 0, 100);
  const double s = Factor(kind, a);
  const size_t stride = size_t(width) * 3;
  const auto rows = [&](int y0, int y1) {
    if (kind != kNeighbourMedian && a == 0) {
      // s = 0: the centre exactly, for sharpen and soften alike.
      std::memcpy(dst + size_t(y0) * stride, src + size_t(y0) * stride, size_t(y1 - y0) * stride);
    } else {
      NeighbourRows(src, dst, width, height, y0, y1, kind, s);
    }
  };
  if (progress) {
    // The hook is the caller's and is asked on its thread, after every row.
    for (int y = 0; y < height; ++y) {
      rows(y, y + 1);
      if (!ProgressContinues(progress, int((int64_t(y) + 1) * 100 / height))) return false;
    }
    return true;
  }
  // Each band reads the rows around its own from src and writes only its own rows of dst.
  RunRowBands(0, height, kNeighbourBandRows, rows);
  return true;
}

bool NeighbourFilterInPlace(uint8_t* pixels, int width, int height, int strength, int kind) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes) || !ValidKind(kind)) return false;
  const int a = std::clamp(strength, 0, 100);
  // s = 0 gives the centre exactly, for sharpen and soften alike.
  if (kind != kNeighbourMedian && a == 0) return true;
  const double s = Factor(kind, a);
  const size_t stride = size_t(width) * 3;
  const RowBandCut cut = CutRowBands(0, height, kNeighbourBandRows);
  // Per band: the rows just above and below it as they were (its neighbours write them), and
  // two rows that keep the band's own last rows as they were once they are written.
  const size_t bandBytes = 4 * stride;
  size_t workBytes = 0;
  if (!CheckedMul(bandBytes, size_t(cut.count), workBytes)) return false;
  std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[workBytes]);
  if (!work) return false;
  for (int k = 0; k < cut.count; ++k) {
    uint8_t* around = work.get() + bandBytes * size_t(k);
    if (cut.From(k) > 0)
      std::memcpy(around, pixels + size_t(cut.From(k) - 1) * stride, stride);
    if (cut.To(k) < height)
      std::memcpy(around + stride, pixels + size_t(cut.To(k)) * stride, stride);
  }
  RunRowBands(cut, [&](int k, int from, int to) {
    uint8_t* const mine = work.get() + bandBytes * size_t(k);
    const uint8_t* const above = mine;
    const uint8_t* const below = mine + stride;
    uint8_t* const kept[2] = {mine + 2 * stride, mine + 3 * stride};
    const uint8_t* up = above;  // row y - 1 as it was
    for (int y = from; y < to; ++y) {
      uint8_t* const row = pixels + size_t(y) * stride;
      uint8_t* const mid = kept[(y - from) % 2];
      std::memcpy(mid, row, stride);
      // Rows below the one written are still as they were, but for the band's last.
      const uint8_t* down = y + 1 == height ? mid : y + 1 < to ? row + stride : below;
      NeighbourRow(y == 0 ? mid : up, mid, down, row, width, kind, s);
      up = mid;
    }
  });
  return true;
}

}  // namespace orv
