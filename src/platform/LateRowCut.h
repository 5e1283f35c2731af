// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Rows that one thread works through from the top while a helper takes their lower part, for
// work whose lower part costs extra to reach: a JPEG decoder must Huffman-decode every row above
// the first one it decodes. The cut goes where both should end together. A helper that comes
// free later (the tail of a batch) may still take the lower part, or nothing when it comes too
// late; the top then works every row itself, with nothing spent on reaching a cut. While the
// helper makes its way to the cut it moves the cut by the speeds both sides show (MoveCut): how
// dear reaching a row is against working it depends on the machine, on the data and on whether
// the rows' memory is fresh, and a guess made up front left one side idle for a fifth of the work.
// Speeds still change after the cut is set (fresh memory, a busy host), and a helper that can
// start at any row above the cut cheaply (a JPEG walked to its rows) takes back the top's last
// rows once its own are done (TakeTopEnd): for such a helper the cut leans below the even
// point, so that the top is the side more likely to be late.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace orv {

class LateRowCut {
 public:
  // Rows [0, height); the cut falls on multiples of `step`, leaves the helper at least minRows
  // rows, counts passing a row at reachCost (0 to 1) of working it, and lies `lean` rows below
  // the point where both sides would end together.
  LateRowCut(int height, int step, int minRows, double reachCost, int lean = 0)
      : height_(height),
        step_(std::max(step, 1)),
        minRows_(minRows),
        lean_(std::max(lean, 0)),
        reachCost_(reachCost),
        state_(Pack(0, height)) {}

  // On the top's thread before row y (rows in order): whether row y is the top's. The top claims
  // a step of rows at a time, so a helper never cuts inside the rows it may be working.
  bool TopMayWork(int y) {
    if (y == 0) topStart_.store(Now(), std::memory_order_release);
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
      int cut = std::max(claimed, int(std::lround(even / step_)) * step_);
      if (cut >= height_ || height_ - cut < minRows_) return -1;
      cut = std::max(cut, std::min(cut + lean_ / step_ * step_, LastCut()));
      if (state_.compare_exchange_weak(s, Pack(claimed, cut), std::memory_order_acq_rel,
                                       std::memory_order_acquire))
        return cut;
    }
  }

  // On the helper's thread, once it has passed `passed` rows (a multiple of step) on its way to
  // the cut, `seconds` after it set out: moves the cut to where both sides should end together
  // at the speeds seen so far (the top's rows since its first one, the helper's passed rows),
  // and returns it. The cut stays on a multiple of step, at or below the rows either side has
  // reached, and leaves the helper minRows rows where it can; it no longer moves once the top
  // has claimed every row above it. Rows at or after the returned cut are the helper's once it
  // has passed every row up to it.
  int MoveCut(int passed, double seconds) {
    const int64_t topStart = topStart_.load(std::memory_order_acquire);
    return MoveCutAt(passed, seconds, topStart ? double(Now() - topStart) * 1e-9 : 0.0);
  }
  // The same with the top's time since its first row given (0: not started); for tests.
  int MoveCutAt(int passed, double seconds, double topSeconds) {
    uint64_t s = state_.load(std::memory_order_acquire);
    for (;;) {
      const int claimed = Claimed(s), cut = Cut(s);
      if (claimed >= cut || claimed == 0 || passed <= 0 || topSeconds <= 0 || seconds <= 0)
        return cut;
      // Passing a row costs `reach` of working one: the top works `claimed / topSeconds` rows a
      // second, the helper passes `passed / seconds`. Both end together when
      // (cut - claimed) = reach (cut - passed) + (height - cut).
      const double reach =
          std::clamp((claimed / topSeconds) / (passed / seconds), kLeastReach, kMostReach);
      const double even = (height_ + claimed - reach * passed) / (2.0 - reach) + lean_;
      const int lowest = std::max(claimed, passed);
      const int highest = std::max(lowest, LastCut());
      const int moved = std::clamp(int(std::lround(even / step_)) * step_, lowest, highest);
      if (moved == cut) return cut;
      if (state_.compare_exchange_weak(s, Pack(claimed, moved), std::memory_order_acq_rel,
                                       std::memory_order_acquire))
        return moved;
    }
  }

  // On the helper once it has worked its own rows, from `end` (the cut it had) on, while the top
  // may still work: takes the top's rows from where both should end together, when the helper
  // spends `startRows` rows' worth on starting there, up to `end`. Returns the first row taken
  // (rows from it to end are the helper's), or -1 when the top is too near the cut for that to
  // pay or the cut is no longer `end`.
  int TakeTopEnd(int end, int startRows) {
    uint64_t s = state_.load(std::memory_order_acquire);
    for (;;) {
      const int claimed = Claimed(s), cut = Cut(s);
      if (cut != end || claimed >= cut) return -1;
      // The top works from claimed to the new cut, the helper starts and works on to end.
      const double both = (double(claimed) + end + startRows) / 2.0;
      const int even = int(std::lround(both / step_)) * step_;
      if (even <= claimed || end - even < step_) return -1;
      if (state_.compare_exchange_weak(s, Pack(claimed, even), std::memory_order_acq_rel,
                                       std::memory_order_acquire))
        return even;
    }
  }

 private:
  // Bounds of the cost of passing a row against working it that MoveCut believes: a first
  // step's timing can be off by far, and a reach near 2 would put the cut past the picture.
  static constexpr double kLeastReach = 0.05, kMostReach = 1.5;
  static int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  static uint64_t Pack(int claimed, int cut) {
    return uint64_t(uint32_t(cut)) << 32 | uint32_t(claimed);
  }
  // The lowest cut that leaves the helper minRows rows.
  int LastCut() const { return (height_ - minRows_) / step_ * step_; }
  static int Claimed(uint64_t s) { return int(uint32_t(s)); }
  static int Cut(uint64_t s) { return int(uint32_t(s >> 32)); }

  const int height_, step_, minRows_, lean_;
  const double reachCost_;
  std::atomic<uint64_t> state_;  // the rows the top has claimed, and the cut (height: none)
  std::atomic<int64_t> topStart_{0};  // when the top asked for its first row (steady clock, ns)
};

}  // namespace orv
