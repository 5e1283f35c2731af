// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/NeighbourFilter.h"

#include <algorithm>
#include <cstring>

#include "filters/FilterArgs.h"
#include "filters/NeighbourRows.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

// The fewest rows a band takes: a band costs little to start, but a thread must be woken.
constexpr int kNeighbourBandRows = 16;

}  // namespace

bool NeighbourFilter(const uint8_t* src, uint8_t* dst, int width, int height, int strength,
                     int kind, const ProgressHook* progress) {
  size_t bytes = 0;
  if (!PictureArgs(src, width, height, bytes) || !dst || src == dst) return false;
  if (kind != kNeighbourSharpen && kind != kNeighbourSoften && kind != kNeighbourMedian)
    return false;
  int a = std::clamp(strength, 0, 100);
  double s = kind == kNeighbourSharpen ? 0.005 * a : 0.01 * a;
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

}  // namespace orv
