// Exact medians of small byte sets: a quickselect for any count, and selection networks that
// find the medians of many windows at once (one window per lane) for the hot-pixel filter.
#pragma once

#include <cstdint>

namespace orv {

// The element of rank (count - 1) / 2 (the median for an odd count), by quickselect around the
// median of the first, middle and last elements. The array order is not preserved. 0 for a
// null array or a count below 1.
uint8_t MedianSelect(uint8_t* values, int count);

// A pruned sorting network that leaves the median of the n values of a square window (n = 9,
// 25, 49 or 81) on row (n - 1) / 2.
// Each "row" is kLanes bytes, one independent window per lane, so one pass of min/max
// operations serves kLanes pixels.
class MedianNetwork {
 public:
  static constexpr int kLanes = 32;
  static constexpr int kMaxInputs = 81;

  // The shared network for n inputs; null for any other n.
  static const MedianNetwork* For(int n);

  int Inputs() const { return n_; }
  // rows: n rows of kLanes bytes, overwritten; the medians end on row (n - 1) / 2. Plain code:
  // the hot-pixel filter's reference path (its vector path sorts window columns instead).
  void Select(uint8_t* rows) const;

 private:
  explicit MedianNetwork(int n);

  struct Op {
    uint8_t lo, hi;       // wires compared; the smaller value goes to lo
    bool keepLo, keepHi;  // whether later steps still read that output
  };
  static constexpr int kMaxOps = 1024;

  int n_ = 0;
  int opCount_ = 0;
  Op ops_[kMaxOps];
};

}  // namespace orv
