// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Gaussian blur and unsharp mask on interleaved 8-bit pictures: a separable blur (a horizontal
// pass into a float plane, then a vertical pass) whose edge taps are dropped and the remaining
// weights renormalised.
#pragma once

#include <cstdint>
#include <memory>

#include "filters/FilterProgress.h"

namespace orv {

// Float32 weights, 2 x ceil(2.5 sigma) + 1 of them, centred, proportional to
// 2.71828^(-0.5 d^2 / sigma^2) and divided by their sum.
class GaussianKernel {
 public:
  // False (no weights) for a sigma that is not a positive finite number, above 10000, or when
  // memory runs out.
  bool Build(double sigma);
  int Taps() const { return taps_; }
  int Half() const { return taps_ / 2; }
  const float* Weights() const { return weights_.get(); }

 private:
  std::unique_ptr<float[]> weights_;
  int taps_ = 0;
};

// dst = src blurred, channel by channel (channels bytes per pixel, 1..4). False for null or
// identical buffers, bad sizes or sigma, allocation failure, or a stop request from the progress
// hook (asked after each pass).
bool GaussianBlur(const uint8_t* src, uint8_t* dst, int width, int height, int channels,
                  double sigma, const ProgressHook* progress = nullptr);

// dst = src + trunc((src - blurred) x amount) where |src - blurred| > threshold, else src;
// clamped to 0..255. The same failures as GaussianBlur, and a NaN amount; the hook is also asked
// every third row of the mask pass.
bool UnsharpMask(const uint8_t* src, int width, int height, int channels, uint8_t* dst,
                 unsigned threshold, double amount, double sigma,
                 const ProgressHook* progress = nullptr);

// UnsharpMask of the picture onto itself, byte for byte the result of UnsharpMask from a copy.
// The vector path works in strips of columns and keeps only the original bytes of the few
// columns the next strip still reads, so no picture-sized copy is made; the plain path copies.
// The same failures as UnsharpMask, and memory for that copy running out.
bool UnsharpMaskInPlace(uint8_t* pixels, int width, int height, int channels, unsigned threshold,
                        double amount, double sigma, const ProgressHook* progress = nullptr);

}  // namespace orv
