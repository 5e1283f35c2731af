// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/ImageFilters.h"

#include "filters/BalanceRow.h"
#include "filters/LumaRow.h"
#include "filters/PixelRowLookup.h"
#include "platform/LargeBuffer.h"
#include "platform/RowBands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace orv {
namespace {

// Pixels per block of the passes that need each pixel's luma but not the whole plane: the block's
// luma stays in the first-level cache.
constexpr size_t kLumaBlock = 2048;

// Four interleaved histograms, so that runs of equal values (smooth skies) do not wait on their
// own previous increment; Add counts values, Total sums the four.
struct Histograms {
  uint32_t h[4][256] = {};
  void Add(const uint8_t* values, size_t count) {
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
      ++h[0][values[i]];
      ++h[1][values[i + 1]];
      ++h[2][values[i + 2]];
      ++h[3][values[i + 3]];
    }
    for (; i < count; ++i) ++h[0][values[i]];
  }
  void Total(uint32_t hist[256]) const {
    for (int v = 0; v < 256; ++v) hist[v] = h[0][v] + h[1][v] + h[2][v] + h[3][v];
  }
};

// The clip levels of a histogram: the first bins where the running sum reaches the low and the
// high counts; the walk stops at the high one.
void FindLevels(const uint32_t hist[256], size_t count, double lowPercent, double highPercent,
                int& levelLow, int& levelHigh) {
  lowPercent = std::clamp(lowPercent, 0.0, 100.0);
  highPercent = std::clamp(highPercent, 0.0, 100.0);
  double n = double(count);
  double lowCount = std::trunc(n * lowPercent / 100);
  double highCount = std::trunc(n * (1.0 - highPercent / 100));
  int lo = -1, hi = -1;
  uint64_t sum = 0;
  for (int bin = 0; bin < 256 && hi < 0; ++bin) {
    sum += hist[bin];
    if (lo < 0 && double(sum) >= lowCount) lo = bin;
    if (hi < 0 && double(sum) >= highCount) hi = bin;
  }
  levelLow = std::clamp(std::min(lo, hi), 0, 255);
  levelHigh = std::clamp(std::max(lo, hi), 0, 255);
}

bool ValidSize(int width, int height) {
  return width >= 0 && height >= 0;
}

// The counts of the bands' histograms added up.
void SumHistograms(const std::vector<Histograms>& bands, uint32_t hist[256]) {
  std::fill(hist, hist + 256, 0u);
  for (const Histograms& h : bands) {
    uint32_t part[256];
    h.Total(part);
    for (int v = 0; v < 256; ++v) hist[v] += part[v];
  }
}

// The luma histogram of a width x height picture, counted in bands whose counts are summed.
// With a plane, the picture's luma is kept there (and hist may be null: the plane alone);
// without, it is made a block at a time.
void CountLuma(const uint8_t* pixels, int width, int height, uint8_t* plane, uint32_t hist[256]) {
  const RowBandCut cut = CutRowBands(0, height, kPixelBandRows);
  std::vector<Histograms> bands(size_t(cut.count));
  RunRowBands(cut, [&](int k, int from, int to) {
    const size_t first = size_t(from) * size_t(width), count = size_t(to - from) * size_t(width);
    if (plane) {
      LumaRow(pixels + 3 * first, plane + first, count);
      if (hist) bands[size_t(k)].Add(plane + first, count);
      return;
    }
    uint8_t luma[kLumaBlock];
    for (size_t i = 0; i < count; i += kLumaBlock) {
      const size_t n = std::min(kLumaBlock, count - i);
      LumaRow(pixels + 3 * (first + i), luma, n);
      bands[size_t(k)].Add(luma, n);
    }
  });
  if (hist) SumHistograms(bands, hist);
}

// count pixels at p looked up in place, each in the row its luma chooses. Out of line, with the
// pointers as parameters: inlined into auto balance's band loop, GCC 12 read the table's address
// from the stack again for every pixel (the byte stores might change it, for all it knows); this
// took 5 % off the balance pass. The levels' pass keeps its loop, which lost 4 % this way.
__attribute__((noinline)) void LookUpRun(uint8_t* p, const uint8_t* luma, const uint8_t* rows,
                                         size_t count) {
  for (size_t k = 0; k < count; ++k) LookUpPixel(p + 3 * k, rows + (size_t(luma[k]) << 8));
}

}  // namespace

bool CImageFilters::LumaPlane(const uint8_t* pixels, int width, int height, uint8_t* plane) {
  if (!pixels || !plane || !ValidSize(width, height)) return false;
  LumaRow(pixels, plane, size_t(width) * size_t(height));
  return true;
}

bool CImageFilters::StretchMap(uint8_t map[256]) const {
  int range = LevelHigh - LevelLow;
  // A flat histogram gives no range to stretch; the plane stays as it is.
  if (range <= 0) return false;
  double scale = 255.0 / range;
  for (int v = 0; v < 256; ++v) map[v] = uint8_t(std::clamp(int((v - LevelLow) * scale), 0, 255));
  return true;
}

bool CImageFilters::StretchLuma(uint8_t* plane, int width, int height, double lowPercent,
                                double highPercent) {
  if (!plane || !ValidSize(width, height)) return false;
  if (width == 0 || height == 0) return true;
  size_t count = size_t(width) * size_t(height);
  uint32_t hist[256] = {};
  for (size_t i = 0; i < count; ++i) ++hist[plane[i]];
  FindLevels(hist, count, lowPercent, highPercent, LevelLow, LevelHigh);
  return ApplyStoredLevels(plane, width, height);
}

bool CImageFilters::ApplyStoredLevels(uint8_t* plane, int width, int height) {
  if (!plane || !ValidSize(width, height)) return false;
  if (width == 0 || height == 0) return true;
  uint8_t map[256];
  if (!StretchMap(map)) return true;
  size_t count = size_t(width) * size_t(height);
  for (size_t i = 0; i < count; ++i) plane[i] = map[plane[i]];
  return true;
}

void CImageFilters::ShiftByLuma(uint8_t* pixels, const uint8_t* plane, int width, int height,
                                const uint8_t map[256]) {
  // The move d = old luma - stretched luma depends on the old luma alone, so one 64 KB table
  // holds clamp(c - d) for every old luma and channel value: three reads per pixel.
  std::unique_ptr<uint8_t[]> table(new (std::nothrow) uint8_t[256 * 256]);
  if (!table) {
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i) {
      int d = plane[i] - map[plane[i]];
      uint8_t* p = pixels + 3 * i;
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::clamp(p[c] - d, 0, 255));
    }
    return;
  }
  for (int y = 0; y < 256; ++y) {
    int d = y - map[y];
    for (int c = 0; c < 256; ++c) table[y * 256 + c] = uint8_t(std::clamp(c - d, 0, 255));
  }
  const uint8_t* t = table.get();
  RunPixelBands(width, height, [&](size_t first, size_t n) {
    uint8_t* const px = pixels;  // locals, not captures: see RunPixelBands
    const uint8_t* const lumas = plane;
    const uint8_t* const rows = t;
    for (size_t i = first; i < first + n; ++i)
      LookUpPixel(px + 3 * i, rows + (size_t(lumas[i]) << 8));
  });
}

bool CImageFilters::MoveByLevels(uint8_t* pixels, int width, int height, bool findLevels,
                                 int lowLevel, int highLevel) {
  if (!pixels || !ValidSize(width, height)) return false;
  if (width == 0 || height == 0) return true;
  size_t count = size_t(width) * size_t(height);
  // Released for reuse: the next photo of the same size takes the same plane.
  LargeBufferPtr plane = MakeLargeBuffer(count);
  if (!plane) return false;
  // The histogram only when the levels are to be found: the stored ones need the plane alone.
  uint32_t hist[256];
  CountLuma(pixels, width, height, plane.get(), findLevels ? hist : nullptr);
  if (findLevels) {
    double lowPercent = lowLevel * 100.0 / 255.0;
    double highPercent = (255 - highLevel) * 100.0 / 255.0;
    FindLevels(hist, count, lowPercent, highPercent, LevelLow, LevelHigh);
  }
  uint8_t map[256];
  if (!StretchMap(map)) return true;
  ShiftByLuma(pixels, plane.get(), width, height, map);
  return true;
}

bool CImageFilters::AutoLevels(uint8_t* pixels, int width, int height, int lowLevel,
                               int highLevel) {
  return MoveByLevels(pixels, width, height, true, lowLevel, highLevel);
}

bool CImageFilters::ApplyLevels(uint8_t* pixels, int width, int height) {
  return MoveByLevels(pixels, width, height, false, 0, 0);
}

bool CImageFilters::FindBalanceLevels(const uint8_t* pixels, int width, int height, int lowLevel,
                                      int highLevel) {
  if (!pixels || !ValidSize(width, height)) return false;
  if (width == 0 || height == 0) return true;
  const size_t count = size_t(width) * size_t(height);
  uint32_t hist[256];
  CountLuma(pixels, width, height, nullptr, hist);
  double lowPercent = lowLevel * 100.0 / 255.0;
  double highPercent = (255 - highLevel) * 100.0 / 255.0;
  FindLevels(hist, count, lowPercent, highPercent, LevelLow, LevelHigh);
  return true;
}

bool CImageFilters::BalanceInPlace(uint8_t* pixels, int width, int height, double alpha) {
  if (!pixels || !ValidSize(width, height)) return false;
  if (width == 0 || height == 0) return true;
  // Blend's alpha: NaN mixes nothing in, the rest is clamped to 0..1.
  if (!(alpha >= 0.0)) alpha = 0.0;
  alpha = std::min(alpha, 1.0);
  double a[256], b[256];
  for (int i = 0; i < 256; ++i) {
    a[i] = i * (1 - alpha);
    b[i] = i * alpha;
  }
  // The moved value of channel value c in a pixel of luma y is shift(y, c) = clamp(c - (y -
  // map[y])), or c when the levels span no range; the mix of c with it depends on y and c alone,
  // so one 64 KB table gives the result: one read per byte.
  uint8_t map[256];
  const bool stretch = StretchMap(map);
  // The vector pass computes the mix in whole numbers; it runs when they give the double mix's
  // byte for every value and moved value (for the default strength and 111 of the other 255)
  // and the processor has a vector target it pays on (asked with no pixels).
  BalanceMix mix;
  for (int y = 0; y < 256; ++y) mix.stretched[y] = stretch ? map[y] : uint8_t(y);
  mix.strength = int(std::lround(alpha * 255));
  bool wholeNumbers = BalanceRowVector(pixels, 0, mix);
  for (int c = 0; c < 256 && wholeNumbers; ++c)
    for (int m = 0; m < 256 && wholeNumbers; ++m)
      wholeNumbers = MixBytes(c, m, mix.strength) == (alpha == 1.0 ? m : int(a[c] + b[m]));
  if (wholeNumbers) {
    RunPixelBands(width, height, [&](size_t first, size_t count) {
      BalanceRowVector(pixels + 3 * first, count, mix);
    });
    return true;
  }
  std::unique_ptr<uint8_t[]> table(new (std::nothrow) uint8_t[256 * 256]);
  if (!table) return false;
  for (int y = 0; y < 256; ++y) {
    const int d = stretch ? y - map[y] : 0;
    for (int c = 0; c < 256; ++c) {
      // alpha 1 copies the moved value, as Blend does.
      const int moved = std::clamp(c - d, 0, 255);
      table[y * 256 + c] = alpha == 1.0 ? uint8_t(moved) : uint8_t(int(a[c] + b[moved]));
    }
  }
  const uint8_t* t = table.get();
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    uint8_t* const px = pixels;  // locals, not captures: see RunPixelBands
    const uint8_t* const rows = t;
    uint8_t luma[kLumaBlock];
    for (size_t i = 0; i < count; i += kLumaBlock) {
      const size_t n = std::min(kLumaBlock, count - i);
      uint8_t* block = px + 3 * (first + i);
      LumaRow(block, luma, n);
      LookUpRun(block, luma, rows, n);
    }
  });
  return true;
}

bool CImageFilters::Blend(uint8_t* dst, int width, int height, const uint8_t* src, int srcWidth,
                          int srcHeight, double alpha) {
  if (!dst || !src || dst == src) return false;
  if (width != srcWidth || height != srcHeight || !ValidSize(width, height)) return false;
  // NaN compares false everywhere and would slip through a clamp; it mixes nothing in.
  if (!(alpha >= 0.0)) alpha = 0.0;
  alpha = std::min(alpha, 1.0);
  size_t bytes = size_t(width) * size_t(height) * 3;
  if (alpha == 1.0) {
    std::memcpy(dst, src, bytes);
    return true;
  }
  double a[256], b[256];
  for (int i = 0; i < 256; ++i) {
    a[i] = i * (1 - alpha);
    b[i] = i * alpha;
  }
  // All 65536 results of trunc(a[d] + b[s]) fit in 64 KB, so the per-byte work is one read.
  std::unique_ptr<uint8_t[]> mix(new (std::nothrow) uint8_t[256 * 256]);
  if (!mix) return false;
  for (int d = 0; d < 256; ++d) {
    for (int s = 0; s < 256; ++s) mix[d * 256 + s] = uint8_t(int(a[d] + b[s]));
  }
  const uint8_t* table = mix.get();
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    uint8_t* const out = dst;  // locals, not captures: see RunPixelBands
    const uint8_t* const in = src;
    const uint8_t* const lut = table;
    for (size_t i = 3 * first; i < 3 * (first + count); ++i) out[i] = lut[(out[i] << 8) | in[i]];
  });
  return true;
}

}  // namespace orv
