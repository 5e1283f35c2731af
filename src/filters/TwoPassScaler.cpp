// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/TwoPassScaler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include "platform/LargeBuffer.h"

#include "filters/BandTurn.h"
#include "filters/KernelPath.h"
#include "filters/ResampleVector.h"

#include "platform/CheckedMath.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

double Triangle(double x) {
  x = std::fabs(x);
  return x < 1.0 ? 1.0 - x : 0.0;
}

// Rounds a non-negative single-precision sum half up. The addition is done in double so that a
// sum just below a half (0.49999997f) is not pushed up by float rounding.
inline uint8_t RoundHalfUp(float v) {
  int i = int(double(v) + 0.5);
  return uint8_t(std::clamp(i, 0, 255));
}

// Rows the vector horizontal pass turns at a time.
constexpr int kBand = 32;

// The vector horizontal pass over rows [y0, y0 + rows): the band is turned so that each source
// column is one line of rows x 3 bytes, every destination column is one weighted sum of lines,
// and the pixels of each group of lines go back into their rows. Each value sums the same
// products in the same order as the pixel loop.
void HorizontalBand(const uint8_t* src, int w, int y0, int rows, uint8_t* mid, int W,
                    const ScalerContributions& c, uint8_t* band, uint8_t* lines) {
  const size_t lineBytes = size_t(rows) * 3;
  TurnBand<3>(src + size_t(y0) * size_t(w) * 3, w, rows, band);
  const size_t lineStride = PutLineStride(size_t(kBand) * 3);
  for (int u = 0; u < W; u += kPutColumns) {
    const int n = std::min(kPutColumns, W - u);
    for (int j = 0; j < n; ++j)
      ScaleLineVector(band, lineBytes, c.first[size_t(u + j)],
                      c.weights.data() + c.offset[size_t(u + j)], c.count[size_t(u + j)],
                      lineBytes, lines + size_t(j) * lineStride);
    PutColumns<3>(lines, lineStride, n, rows, mid + (size_t(y0) * size_t(W) + size_t(u)) * 3,
                  size_t(W) * 3, W - u - n);
  }
}

}  // namespace

bool BuildScalerContributions(int n, int m, ScalerContributions& out) {
  if (n <= 0 || m <= 0) return false;
  const double s = double(m) / double(n);
  const double d = s >= 1.0 ? 1.0 : 1.0 / s;
  const double k = s >= 1.0 ? 1.0 : s;
  const int window = 2 * int(std::ceil(d)) + 1;
  try {
    out.first.assign(size_t(m), 0);
    out.count.assign(size_t(m), 0);
    out.offset.assign(size_t(m), 0);
    out.weights.clear();
    out.weights.reserve(size_t(m) * size_t(window));
  } catch (const std::bad_alloc&) {
    return false;
  }
  double w[64];
  std::vector<double> big;
  for (int u = 0; u < m; ++u) {
    const double c = u / s;
    int left = std::max(0, int(std::floor(c - d)));
    int right = std::min(int(std::ceil(c + d)), n - 1);
    if (right - left + 1 > window) ++left;
    const int cnt = std::max(0, right - left + 1);
    double* ws = w;
    if (cnt > 64) {
      big.resize(size_t(cnt));
      ws = big.data();
    }
    double sum = 0.0;
    for (int j = left; j <= right; ++j) {
      ws[j - left] = k * Triangle(k * (c - j));
      sum += ws[j - left];
    }
    if (sum > 0.0)
      for (int i = 0; i < cnt; ++i) ws[i] /= sum;
    out.first[size_t(u)] = left;
    out.count[size_t(u)] = cnt;
    out.offset[size_t(u)] = int(out.weights.size());
    for (int i = 0; i < cnt; ++i) out.weights.push_back(float(ws[i]));
  }
  return true;
}

bool CTwoPassScaler::Report(int percent) {
  if (progress_ && !progress_(progressUser_, percent)) cancelled_ = true;
  return !cancelled_;
}

bool CTwoPassScaler::Scale(const uint8_t* src, int w, int h, uint8_t* dst, int W, int H) {
  cancelled_ = false;
  size_t midBytes = 0, dstBytes = 0, srcBytes = 0;
  if (!src || !dst || !PictureBytes(w, h, 3, srcBytes) || !PictureBytes(W, H, 3, dstBytes) ||
      !PictureBytes(W, h, 3, midBytes))
    return false;
  ScalerContributions hc, vc;
  if (!BuildScalerContributions(w, W, hc) || !BuildScalerContributions(h, H, vc)) return false;
  std::unique_ptr<uint8_t[]> mid(NewLargeBuffer(midBytes));
  if (!mid) return false;

  const size_t srcStride = size_t(w) * 3, midStride = size_t(W) * 3;
  const bool vectorRows = !ReferenceKernelsForced();
  // The horizontal pass of rows [y0, y1): every row of w pixels becomes W pixels of the
  // intermediate picture. Without a band buffer the rows take the pixel loop.
  const auto horizontal = [&](int y0, int y1, uint8_t* band) {
    int y = y0;
    if (band) {
      uint8_t lines[kPutColumns * PutLineStride(kBand * 3)] = {};
      for (; y < y1; y += kBand)
        HorizontalBand(src, w, y, std::min(kBand, y1 - y), mid.get(), W, hc, band, lines);
    }
    for (; y < y1; ++y) {
      const uint8_t* in = src + size_t(y) * srcStride;
      uint8_t* out = mid.get() + size_t(y) * midStride;
      for (int u = 0; u < W; ++u) {
        const float* wt = hc.weights.data() + hc.offset[size_t(u)];
        const uint8_t* p = in + size_t(hc.first[size_t(u)]) * 3;
        float r = 0.f, g = 0.f, b = 0.f;
        for (int i = 0, n = hc.count[size_t(u)]; i < n; ++i, p += 3) {
          r += wt[i] * float(p[0]);
          g += wt[i] * float(p[1]);
          b += wt[i] * float(p[2]);
        }
        out[3 * size_t(u)] = RoundHalfUp(r);
        out[3 * size_t(u) + 1] = RoundHalfUp(g);
        out[3 * size_t(u) + 2] = RoundHalfUp(b);
      }
    }
  };
  const auto newBand = [&] {
    return std::unique_ptr<uint8_t[]>(
        vectorRows ? new (std::nothrow) uint8_t[size_t(w) * kBand * 3] : nullptr);
  };
  // The vertical pass of destination rows [v0, v1), one row at a time: each column's sum runs
  // over its contributing rows in the same order as a column walk would, so the result is the
  // same while the reads stay sequential. acc holds a row's sums.
  const auto vertical = [&](int v0, int v1, float* acc) {
    for (int v = v0; v < v1; ++v) {
      const float* wt = vc.weights.data() + vc.offset[size_t(v)];
      const int first = vc.first[size_t(v)], n = vc.count[size_t(v)];
      if (ScaleLineVector(mid.get(), midStride, first, wt, n, midStride,
                          dst + size_t(v) * midStride))
        continue;
      std::fill(acc, acc + midStride, 0.f);
      for (int i = 0; i < n; ++i) {
        const uint8_t* row = mid.get() + size_t(first + i) * midStride;
        const float wi = wt[i];
        for (size_t x = 0; x < midStride; ++x) acc[x] += wi * float(row[x]);
      }
      uint8_t* out = dst + size_t(v) * midStride;
      for (size_t x = 0; x < midStride; ++x) out[x] = RoundHalfUp(acc[x]);
    }
  };

  if (!progress_) {
    // Bands of rows on the threads that are free: each horizontal band writes its own rows of
    // the intermediate picture, which is whole before the vertical bands read it.
    RunRowBands(0, h, kBand, [&](int from, int to) {
      std::unique_ptr<uint8_t[]> band = newBand();
      horizontal(from, to, band.get());
    });
    std::atomic<bool> failed{false};
    RunRowBands(0, H, kBand, [&](int from, int to) {
      std::unique_ptr<float[]> acc(new (std::nothrow) float[midStride]);
      if (!acc) {
        failed = true;
        return;
      }
      vertical(from, to, acc.get());
    });
    return !failed;
  }

  // With a progress hook, on the caller's thread, asking it every row.
  std::unique_ptr<float[]> acc(new (std::nothrow) float[midStride]);
  if (!acc) return false;
  std::unique_ptr<uint8_t[]> band = newBand();
  const int step = band ? kBand : 1;
  for (int y = 0; y < h; y += step) {
    const int rows = std::min(step, h - y);
    for (int r = 0; r < rows; ++r)
      if (!Report(int(double(y + r) / h * 50))) return false;
    horizontal(y, y + rows, band.get());
  }
  for (int v = 0; v < H; ++v) {
    if (!Report(50 + int(double(v) / H * 50))) return false;
    vertical(v, v + 1, acc.get());
  }
  return true;
}

}  // namespace orv
