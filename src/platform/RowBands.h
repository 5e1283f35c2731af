// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The one "run these row bands" call of the heavy kernels. A kernel says which rows it works
// on and the fewest rows a band may hold (where its per-band set-up stops paying); the bands run
// on the threads the budget has free (ThreadBudget.h). A kernel's band reads the shared input
// and writes only its own rows, so the bytes are those of one band whatever the cut.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/ThreadBudget.h"

namespace orv {

// Bands a thread of the budget gets: a few, so that a helper freed midway (the tail of a batch)
// still finds bands to take, and a band that runs slow holds up little.
inline constexpr int kBandsPerThread = 4;

// Rows [y0, y1) cut into `count` bands: band k is [From(k), To(k)). A tapered cut makes its
// first count / 2 bands three times as high as the others: the threads take the bands in order,
// so the one that ends first waits for at most a low band at the end of the kernel, with no more
// bands (and band set-ups) than an even cut.
struct RowBandCut {
  int y0 = 0, y1 = 0, count = 0;
  bool tapered = false;
  int From(int k) const {
    if (!tapered) return y0 + int((int64_t(y1) - y0) * k / count);
    const int64_t high = count / 2, weights = 3 * high + (count - high);
    const int64_t before = k <= high ? 3 * int64_t(k) : 3 * high + (k - high);
    return y0 + int((int64_t(y1) - y0) * before / weights);
  }
  int To(int k) const { return From(k + 1); }
};

// The cut of rows [y0, y1): one band when no helper could join now (every core has its photo,
// or the limit is 1), else up to kBandsPerThread bands a thread of the limit, each of at least
// minRows rows, tapered where even the low bands hold that many. No bands for no rows.
inline RowBandCut CutRowBands(int y0, int y1, int minRows) {
  RowBandCut cut{y0, y1, 0};
  const int rows = y1 - y0;
  if (rows <= 0) return cut;
  if (!HelpersFree()) {
    cut.count = 1;
    return cut;
  }
  const int most = rows / std::max(minRows, 1);
  cut.count = std::clamp(std::min(most, ThreadLimit() * kBandsPerThread), 1, rows);
  // A low band of a tapered cut holds rows / (2 x count) rows or more.
  cut.tapered = cut.count >= 4 && int64_t(rows) >= 2 * int64_t(cut.count) * std::max(minRows, 1);
  return cut;
}

// Runs band(k, from, to) for every band of the cut, in any order on any threads; returns once
// all have run. A kernel that needs scratch memory per band sizes it by cut.count first.
template <typename Band>
void RunRowBands(const RowBandCut& cut, Band&& band) {
  if (cut.count == 1) {
    band(0, cut.y0, cut.y1);
    return;
  }
  auto task = [&](int k) { band(k, cut.From(k), cut.To(k)); };
  RunTasks(cut.count, task);
}

// Runs band(from, to) over rows [y0, y1) cut by CutRowBands.
template <typename Band>
void RunRowBands(int y0, int y1, int minRows, Band&& band) {
  RunRowBands(CutRowBands(y0, y1, minRows), [&](int, int from, int to) { band(from, to); });
}

// The fewest rows a band of a per-pixel pass takes: such a band costs little to start, but a
// thread must be woken.
inline constexpr int kPixelBandRows = 16;

// Runs pass(first, count) over the pixels of a width x height picture in bands of whole rows:
// pixels [first, first + count), counted from the picture's first. For passes whose every pixel
// (or byte) depends on that pixel alone.
//
// A pass that stores bytes copies what it captured by reference into locals first: a byte store
// may change any captured variable for all the compiler knows, so it would reload the pointers
// after every store and could not vectorize (a black-frame subtraction ran eight times slower).
template <typename Pass>
void RunPixelBands(int width, int height, Pass&& pass) {
  RunRowBands(0, height, kPixelBandRows, [&](int from, int to) {
    pass(size_t(from) * size_t(width), size_t(to - from) * size_t(width));
  });
}

}  // namespace orv
