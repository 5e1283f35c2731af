// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CTwoPassScaler: the program's own "High Quality 2-Pass Bi-Linear Scaling" resampler. Two
// separable passes (horizontal, then vertical) with triangle weights, summed in single
// precision and rounded half up.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// For every destination index of a line: the first source index and the weights of the
// source indices from there on (count per index), flattened.
struct ScalerContributions {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<int> offset;  // index into weights of each destination's first weight
  std::vector<float> weights;
};

// The triangle-filter contributions for scaling n source pixels to m destination pixels. Weights
// are computed in double, normalised, and stored as the floats the passes sum with. False when a
// size is not positive or memory runs out.
bool BuildScalerContributions(int n, int m, ScalerContributions& out);

class CTwoPassScaler {
 public:
  // Asked with a percentage 0..100 once per line; returning false cancels the scale.
  using Progress = bool (*)(void* user, int percent);

  void SetProgress(Progress callback, void* user) {
    progress_ = callback;
    progressUser_ = user;
  }
  bool Cancelled() const { return cancelled_; }

  // Scales a w x h picture (3 bytes per pixel, Image layout) into dst, a caller-owned buffer of
  // W x H pixels. False (dst unspecified) on bad arguments, memory shortage or cancel.
  bool Scale(const uint8_t* src, int w, int h, uint8_t* dst, int W, int H);

 private:
  bool Report(int percent);

  Progress progress_ = nullptr;
  void* progressUser_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace orv
