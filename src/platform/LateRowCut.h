// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Rows that one thread works through from the top while a helper that comes free later (the
// tail of a batch) may still take their lower part. For work whose lower part costs extra to
// reach: a JPEG decoder must Huffman-decode every row above the first one it decodes. The cut
// goes where both should end together; a helper that comes too late takes nothing, and the top
// then works every row itself, with nothing spent on reaching a cut.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

namespace orv {

class LateRowCut {
 public:
  // Rows [0, height); the cut falls on multiples of `step`, leaves the helper at least minRows
  // rows, and counts passing a row at reachCost (0 to 1) of working it.
  LateRowCut(int height, int step, int minRows, double reachCost)
      : height_(height),
        step_(std::max(step, 1)),
        minRows_(minRows),
        reachCost_(reachCost),
        state_(Pack(0, height)) {}

  // On the top's thread before row y (rows in order): whether row y is the top's. The top claims
  // a step of rows at a time, so a helper never cuts inside the rows it may be working.
  bool TopMayWork(int y) {
    uint64_t s = state_.load(std::memory_order_acquire);
    for (;;) {
      const int claimed = Claimed(s), cut = Cut(s);
      if (y < claimed) return true;
      if (y >= cut) return false;
      const int next = std::min(cut, (y / step_ + 1) * step_);
      if (state_.compare_exchange_weak(s, Pack(next, cut), std::memory_order_acq_rel,
                                       std::memory_order_acquire))
        return true;
    }
  }

  // The helper's first row: it works [first, height). -1 when the lower part is taken already
  // or the top is too far on for a helper to end sooner than the top alone.
  int TakeLower() {
    uint64_t s = state_.load(std::memory_order_acquire);
    for (;;) {
      const int claimed = Claimed(s);
      if (Cut(s) != height_) return -1;
      // The top works cut - claimed more rows; the helper passes cut rows and works the rest:
      // cut - claimed = reachCost * cut + height - cut.
      const double even = (double(height_) + claimed) / (2.0 - reachCost_);
      const int cut = std::max(claimed, int(std::lround(even / step_)) * step_);
      if (cut >= height_ || height_ - cut < minRows_) return -1;
      if (state_.compare_exchange_weak(s, Pack(claimed, cut), std::memory_order_acq_rel,
                                       std::memory_order_acquire))
        return cut;
    }
  }

 private:
  static uint64_t Pack(int claimed, int cut) {
    return uint64_t(uint32_t(cut)) << 32 | uint32_t(claimed);
  }
  static int Claimed(uint64_t s) { return int(uint32_t(s)); }
  static int Cut(uint64_t s) { return int(uint32_t(s >> 32)); }

  const int height_, step_, minRows_;
  const double reachCost_;
  std::atomic<uint64_t> state_;  // the rows the top has claimed, and the cut (height: none)
};

}  // namespace orv
