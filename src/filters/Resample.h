// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// ResampleImage: the image library layer's kernel resampler. Only kernel 8 (Lanczos 3) is built;
// every other kernel number fails with code 5.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

constexpr int kLanczos3Kernel = 8;

// The Lanczos 3 kernel: sinc(x) sinc(x / 3) inside |x| < 3, 1 at 0, 0 outside.
double Lanczos3(double x);

// Source index and weight lists of one pass: for destination index u, count[u] entries starting
// at offset[u] in index/weight.
struct ResampleContributions {
  std::vector<int> offset;
  std::vector<int> count;
  std::vector<int> index;  // source indices, already mirrored into 0..n-1
  std::vector<double> weight;
};

// Lanczos 3 contributions for n source pixels to m destination pixels (unnormalised weights,
// mirrored edges). False when a size is not positive or memory runs out.
bool BuildResampleContributions(int n, int m, ResampleContributions& out);

// Resamples a w x h picture of bytesPerPixel bytes (1..4) into dst (W x H, caller-owned).
// Returns 0 on success, 5 for a bad kernel, buffer, size or byte count, 1 when memory runs out.
unsigned ResampleImage(const uint8_t* src, int w, int h, uint8_t* dst, int W, int H,
                       int bytesPerPixel, int kernel);

}  // namespace orv
