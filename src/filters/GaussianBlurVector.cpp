// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/GaussianBlurVector.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "filters/LaneOps.h"

// The vector helpers below are always inlined, so no vector is passed by value between
// functions built for different instruction sets; the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orv {
namespace {

template <typename V>
[[gnu::always_inline]] inline V Load(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename V>
[[gnu::always_inline]] inline void Store(void* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}

// The fixed facts of one call.
struct BlurJob {
  const uint8_t* src;
  uint8_t* dst;
  int width, height, channels, taps, half;
  const double* w;  // the weights as doubles
  double full;      // the sum of all weights, in tap order
  const UnsharpStep* mask;
  // In place (src == dst): the original bytes of the half columns left of the strip, which
  // earlier strips have overwritten, half x channels bytes a row; null otherwise.
  const uint8_t* halo;
};

// Working memory of one strip: the converted source row (with the halo) and the ring of
// horizontal results (float values held as doubles, so the vertical pass converts nothing).
struct StripBuffers {
  std::unique_ptr<double[]> in;
  std::unique_ptr<double[]> ring;
  std::unique_ptr<const double*[]> rows;
};

// Byte values as doubles, for the scalar tails.
struct ByteDoubles {
  double v[256];
  ByteDoubles() {
    for (int i = 0; i < 256; ++i) v[i] = i;
  }
};
const ByteDoubles kByte;

// The unsharp step of one byte from its source value and blurred value.
inline uint8_t MaskByte(int s, int blurred, const UnsharpStep& m) {
  int diff = s - blurred;
  unsigned magnitude = unsigned(diff < 0 ? -diff : diff);
  int change = 0;
  if (magnitude > m.threshold) change = int(std::clamp(diff * m.amount, -1024.0, 1024.0));
  return uint8_t(std::clamp(s + change, 0, 255));
}

}  // namespace

#if ORV_HAVE_KERNEL_TARGETS

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace blur_avx2 {
namespace {
using Ops = lanes::Avx2;
#include "filters/GaussianBlurStrip.inc"
}  // namespace
}  // namespace blur_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
namespace blur_avx512 {
namespace {
using Ops = lanes::Avx512;
#include "filters/GaussianBlurStrip.inc"
}  // namespace
}  // namespace blur_avx512
#pragma GCC pop_options

#endif  // ORV_HAVE_KERNEL_TARGETS

bool GaussianBlurVectorRuns(KernelPath path) {
  return ORV_HAVE_KERNEL_TARGETS && path >= KernelPath::kAvx2;
}

bool GaussianBlurVector(const uint8_t* src, uint8_t* dst, int width, int height, int channels,
                        const GaussianKernel& kernel, const UnsharpStep* mask, KernelPath path,
                        const ProgressHook* progress) {
  const int taps = kernel.Taps(), half = kernel.Half();
  std::unique_ptr<double[]> w(new (std::nothrow) double[size_t(taps)]);
  if (!w) return false;
  double full = 0;
  for (int k = 0; k < taps; ++k) {
    w[size_t(k)] = kernel.Weights()[k];
    full += w[size_t(k)];
  }
  // Strips narrow enough that the ring of horizontal rows stays within about 192 KB.
  const int perPixel = taps * channels * int(sizeof(double));
  const int stripWidth = std::clamp(192 * 1024 / perPixel, 16, width);
  const size_t slotSize = size_t(stripWidth) * size_t(channels);
  StripBuffers b;
  b.in.reset(new (std::nothrow) double[(size_t(stripWidth) + 2 * size_t(half)) * size_t(channels)]);
  b.ring.reset(new (std::nothrow) double[slotSize * size_t(taps)]);
  b.rows.reset(new (std::nothrow) const double*[size_t(taps)]);
  if (!b.in || !b.ring || !b.rows) return false;
  BlurJob job{src, dst, width, height, channels, taps, half, w.get(), full, mask, nullptr};
  if (!GaussianBlurVectorRuns(path)) return false;
  // In place, each strip first keeps the original bytes of its last half columns (taken from
  // the kept halo where they lie left of the strip) for the next strip's horizontal pass.
  const bool inPlace = src == dst;
  const size_t haloRow = size_t(half) * size_t(channels);
  std::unique_ptr<uint8_t[]> halo, nextHalo;
  if (inPlace && haloRow > 0) {
    halo.reset(new (std::nothrow) uint8_t[haloRow * size_t(height)]);
    nextHalo.reset(new (std::nothrow) uint8_t[haloRow * size_t(height)]);
    if (!halo || !nextHalo) return false;
  }
  const size_t stride = size_t(width) * size_t(channels);
#if ORV_HAVE_KERNEL_TARGETS
  auto strip = path >= KernelPath::kAvx512 ? blur_avx512::Strip : blur_avx2::Strip;
#else
  auto strip = [](const BlurJob&, int, int, StripBuffers&, size_t) {};
#endif
  // The scalar blur asks the hook twice per channel; here the same percentages are passed as
  // the share of finished strips reaches them.
  const int passes = 2 * channels;
  const int strips = (width + stripWidth - 1) / stripWidth;
  int asked = 0;
  for (int s = 0; s < strips; ++s) {
    const int x0 = s * stripWidth, x1 = std::min(width, x0 + stripWidth);
    if (inPlace && haloRow > 0 && x1 < width) {
      // Original columns [x1 - half, x1), those left of 0 aside, into the next halo.
      const int from = std::max(0, x1 - half), split = std::max(from, x0);
      const size_t at = size_t(from - (x1 - half)) * size_t(channels);
      const size_t oldPart = size_t(split - from) * size_t(channels);
      const size_t oldAt = size_t(from - (x0 - half)) * size_t(channels);
      const size_t newPart = size_t(x1 - split) * size_t(channels);
      for (int y = 0; y < height; ++y) {
        uint8_t* to = nextHalo.get() + size_t(y) * haloRow + at;
        if (oldPart) std::memcpy(to, halo.get() + size_t(y) * haloRow + oldAt, oldPart);
        std::memcpy(to + oldPart, src + size_t(y) * stride + size_t(split) * size_t(channels),
                    newPart);
      }
    }
    job.halo = inPlace && x0 > 0 ? halo.get() : nullptr;
    strip(job, x0, x1, b, slotSize);
    if (inPlace) halo.swap(nextHalo);
    for (; asked < passes && int64_t(asked + 1) * strips <= int64_t(s + 1) * passes; ++asked)
      if (!ProgressContinues(progress, (asked + 1) * 100 / passes)) return false;
  }
  return true;
}

}  // namespace orv
