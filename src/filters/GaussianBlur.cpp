// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/GaussianBlur.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "filters/FilterArgs.h"
#include "filters/GaussianBlurVector.h"
#include "platform/LargeBuffer.h"
#include "platform/RowBands.h"

namespace orv {

bool GaussianKernel::Build(double sigma) {
  weights_.reset();
  taps_ = 0;
  if (!(sigma > 0.0) || sigma > 10000.0) return false;
  int half = int(std::ceil(2.5 * sigma));
  int taps = 2 * half + 1;
  std::unique_ptr<double[]> raw(new (std::nothrow) double[size_t(taps)]);
  weights_.reset(new (std::nothrow) float[size_t(taps)]);
  if (!raw || !weights_) {
    weights_.reset();
    return false;
  }
  double sum = 0;
  for (int k = 0; k < taps; ++k) {
    double d = k - half;
    raw[k] = std::pow(2.71828, -0.5 * (d * d) / (sigma * sigma));
    sum += raw[k];
  }
  for (int k = 0; k < taps; ++k) weights_[k] = float(raw[k] / sum);
  taps_ = taps;
  return true;
}

namespace {

// The fewest rows a band of the blur takes, and at least this many times the kernel's reach.
constexpr int kBlurBandRows = 32;
constexpr int kBlurBandReach = 4;

// The blur and the mask read rows up to the kernel's half above and below the row they write,
// and weigh the taps that fall off the picture out. A band therefore works on a picture of its
// own: its rows with `reach` more on each side (fewer at the picture's edges, whose taps then
// fall off as they do for the whole picture), so its own rows come out exact. run(src, out,
// rows) makes the band picture's result in out, which holds a copy of the band picture's source
// rows when copyIn is set (for the in-place filter); once every band is done, each band's own
// rows go into dst. False (dst untouched) when memory runs out or a band fails.
template <typename Run>
bool BlurInRowBands(const uint8_t* src, uint8_t* dst, int width, int height, int channels,
                    int reach, const RowBandCut& cut, bool copyIn, Run run) {
  const size_t stride = size_t(width) * size_t(channels);
  const auto lo = [&](int from) { return std::max(0, from - reach); };
  const auto hi = [&](int to) { return std::min(height, to + reach); };
  std::vector<std::unique_ptr<uint8_t[]>> out(size_t(cut.count));
  for (int k = 0; k < cut.count; ++k) {
    out[size_t(k)].reset(new (std::nothrow)
                             uint8_t[size_t(hi(cut.To(k)) - lo(cut.From(k))) * stride]);
    if (!out[size_t(k)]) return false;
  }
  std::atomic<bool> failed{false};
  RunRowBands(cut, [&](int k, int from, int to) {
    uint8_t* band = out[size_t(k)].get();
    const uint8_t* first = src + size_t(lo(from)) * stride;
    const int rows = hi(to) - lo(from);
    if (copyIn) std::memcpy(band, first, size_t(rows) * stride);
    if (!run(first, band, rows)) failed = true;
  });
  if (failed) return false;
  RunRowBands(cut, [&](int k, int from, int to) {
    std::memcpy(dst + size_t(from) * stride,
                out[size_t(k)].get() + size_t(from - lo(from)) * stride,
                size_t(to - from) * stride);
  });
  return true;
}

// The cut of a blur's rows: bands only when no hook is to be asked (the caller's, on its
// thread).
RowBandCut BlurCut(int height, int half, const ProgressHook* progress) {
  if (progress) return RowBandCut{0, height, 1};
  return CutRowBands(0, height, std::max(kBlurBandRows, kBlurBandReach * half));
}

// Weighted sums of a window of taps over count consecutive outputs whose windows lie entirely
// inside the data: out[x] = sum over k (ascending) of w[k] x in[x + k]. Eight independent sums
// per block keep the adds of one output in tap order (so every output is rounded exactly as the
// scalar formula) while the block fills the vector registers.
void WeightedSums(const double* __restrict in, double* __restrict out, int count,
                  const double* __restrict w, int taps) {
  int x = 0;
  for (; x + 8 <= count; x += 8) {
    double acc[8] = {};
    for (int k = 0; k < taps; ++k) {
      const double wk = w[k];
      const double* p = in + x + k;
      for (int j = 0; j < 8; ++j) acc[j] += wk * p[j];
    }
    for (int j = 0; j < 8; ++j) out[x + j] = acc[j];
  }
  for (; x < count; ++x) {
    double acc = 0;
    for (int k = 0; k < taps; ++k) acc += w[k] * in[x + k];
    out[x] = acc;
  }
}

// The same along a column of rows: out[x] = sum over k (ascending) of w[k] x rows[k][x], in
// blocks of eight outputs held in registers across the taps.
void WeightedRows(const float* const* rows, double* __restrict out, int count,
                  const double* __restrict w, int taps) {
  int x = 0;
  for (; x + 8 <= count; x += 8) {
    double acc[8] = {};
    for (int k = 0; k < taps; ++k) {
      const double wk = w[k];
      const float* r = rows[k] + x;
      for (int j = 0; j < 8; ++j) acc[j] += wk * double(r[j]);
    }
    for (int j = 0; j < 8; ++j) out[x + j] = acc[j];
  }
  for (; x < count; ++x) {
    double acc = 0;
    for (int k = 0; k < taps; ++k) acc += w[k] * double(rows[k][x]);
    out[x] = acc;
  }
}

struct BlurBuffers {
  std::unique_ptr<double[]> in;   // one channel of a source row
  std::unique_ptr<double[]> acc;  // sums of one row
  std::unique_ptr<float[]> ring;  // the horizontal results of the rows the vertical pass needs
  std::unique_ptr<double[]> w;    // the kernel's weights as doubles
  std::unique_ptr<const float*[]> rows;
  bool Allocate(int width, int taps) {
    in.reset(new (std::nothrow) double[size_t(width)]);
    acc.reset(new (std::nothrow) double[size_t(width)]);
    ring.reset(new (std::nothrow) float[size_t(width) * size_t(taps)]);
    w.reset(new (std::nothrow) double[size_t(taps)]);
    rows.reset(new (std::nothrow) const float*[size_t(taps)]);
    return in && acc && ring && w && rows;
  }
};

// The horizontal pass of source row y, channel c, into out: the taps inside the row, divided by
// the sum of their weights.
void HorizontalRow(const uint8_t* src, int width, int channels, int c, int y,
                   const GaussianKernel& kernel, BlurBuffers& b, float* out) {
  const int half = kernel.Half(), taps = kernel.Taps();
  const double* w = b.w.get();
  const uint8_t* row = src + size_t(y) * size_t(width) * size_t(channels);
  double* in = b.in.get();
  for (int x = 0; x < width; ++x) in[x] = row[size_t(x) * size_t(channels) + size_t(c)];
  double full = 0;
  for (int k = 0; k < taps; ++k) full += w[k];
  // Columns whose taps all lie inside the row.
  int first = half, last = width - 1 - half;
  if (first <= last) {
    WeightedSums(in, b.acc.get(), last - first + 1, w, taps);
    for (int x = first; x <= last; ++x) out[x] = float(b.acc[size_t(x - first)] / full);
  }
  for (int x = 0; x < width; ++x) {
    if (x >= first && x <= last) continue;
    double total = 0, sum = 0;
    for (int k = 0; k < taps; ++k) {
      int xx = x + k - half;
      if (xx < 0 || xx >= width) continue;
      total += w[k] * in[xx];
      sum += w[k];
    }
    out[x] = sum != 0 ? float(total / sum) : 0.0f;
  }
}

bool BlurChannel(const uint8_t* src, uint8_t* dst, int width, int height, int channels, int c,
                 const GaussianKernel& kernel, BlurBuffers& b) {
  const int half = kernel.Half(), taps = kernel.Taps();
  const double* w = b.w.get();
  float* ring = b.ring.get();
  auto slot = [&](int y) { return ring + size_t(y % taps) * size_t(width); };
  // The vertical pass of row y needs the horizontal rows y - half .. y + half; they are made
  // just in time into a ring of taps rows, which stays in cache.
  int made = 0;
  for (int y = 0; y < height; ++y) {
    int need = std::min(y + half, height - 1);
    for (; made <= need; ++made)
      HorizontalRow(src, width, channels, c, made, kernel, b, slot(made));
    int k0 = std::max(0, half - y), k1 = std::min(taps - 1, height - 1 - y + half);
    double sum = 0;
    for (int k = k0; k <= k1; ++k) {
      sum += w[k];
      b.rows[size_t(k - k0)] = slot(y + k - half);
    }
    WeightedRows(b.rows.get(), b.acc.get(), width, w + k0, k1 - k0 + 1);
    uint8_t* out = dst + size_t(y) * size_t(width) * size_t(channels) + size_t(c);
    const uint8_t* in = src + size_t(y) * size_t(width) * size_t(channels) + size_t(c);
    for (int x = 0; x < width; ++x) {
      size_t at = size_t(x) * size_t(channels);
      // Values stay within 0..255 (a weighted mean of bytes), so +0.5 and truncation round.
      out[at] = sum != 0 ? uint8_t(int(b.acc[size_t(x)] / sum + 0.5)) : in[at];
    }
  }
  return true;
}

}  // namespace

bool GaussianBlur(const uint8_t* src, uint8_t* dst, int width, int height, int channels,
                  double sigma, const ProgressHook* progress) {
  size_t bytes = 0;
  if (channels < 1 || channels > 4) return false;
  if (!PictureArgs(src, width, height, bytes, channels) || !dst || src == dst) return false;
  GaussianKernel kernel;
  if (!kernel.Build(sigma)) return false;
  if (const RowBandCut cut = BlurCut(height, kernel.Half(), progress); cut.count > 1)
    return BlurInRowBands(src, dst, width, height, channels, kernel.Half(), cut, false,
                          [&](const uint8_t* in, uint8_t* out, int rows) {
                            return GaussianBlur(in, out, width, rows, channels, sigma);
                          });
  if (GaussianBlurVectorRuns())
    return GaussianBlurVector(src, dst, width, height, channels, kernel, nullptr, progress);
  BlurBuffers b;
  if (!b.Allocate(width, kernel.Taps())) return false;
  for (int k = 0; k < kernel.Taps(); ++k) b.w[size_t(k)] = kernel.Weights()[k];
  const int passes = 2 * channels;
  for (int c = 0; c < channels; ++c) {
    BlurChannel(src, dst, width, height, channels, c, kernel, b);
    // The two passes of a channel run interleaved; the hook is asked twice per channel.
    if (!ProgressContinues(progress, (2 * c + 1) * 100 / passes)) return false;
    if (!ProgressContinues(progress, (2 * c + 2) * 100 / passes)) return false;
  }
  return true;
}

namespace {

// The unsharp mask on the vector path: the blur and the mask in one pass (src may be dst); the
// hook hears the mask pass's percentages after the blur's, as in the two-pass scalar code.
// Arguments are checked.
bool UnsharpMaskVector(const uint8_t* src, int width, int height, int channels, uint8_t* dst,
                       unsigned threshold, double amount, const GaussianKernel& kernel,
                       const ProgressHook* progress) {
  const UnsharpStep step{threshold, amount};
  if (!GaussianBlurVector(src, dst, width, height, channels, kernel, &step, progress)) return false;
  for (int y = 2; y < height; y += 3)
    if (!ProgressContinues(progress, int((int64_t(y) + 1) * 100 / height))) return false;
  return true;
}

}  // namespace

bool UnsharpMask(const uint8_t* src, int width, int height, int channels, uint8_t* dst,
                 unsigned threshold, double amount, double sigma, const ProgressHook* progress) {
  if (std::isnan(amount)) return false;
  size_t bytes = 0;
  GaussianKernel kernel;
  const bool valid = channels >= 1 && channels <= 4 &&
                     PictureArgs(src, width, height, bytes, channels) && dst && src != dst &&
                     kernel.Build(sigma);
  if (valid)
    if (const RowBandCut cut = BlurCut(height, kernel.Half(), progress); cut.count > 1)
      return BlurInRowBands(src, dst, width, height, channels, kernel.Half(), cut, false,
                            [&](const uint8_t* in, uint8_t* out, int rows) {
                              return UnsharpMask(in, width, rows, channels, out, threshold,
                                                 amount, sigma);
                            });
  if (GaussianBlurVectorRuns() && std::isfinite(amount)) {
    if (!valid) return false;
    return UnsharpMaskVector(src, width, height, channels, dst, threshold, amount, kernel,
                             progress);
  }
  if (!GaussianBlur(src, dst, width, height, channels, sigma, progress)) return false;
  // trunc(diff x amount) for every difference; a result beyond +-1024 clamps the same way as
  // the exact product, and keeps the conversion defined for huge amounts.
  int change[511];
  for (int diff = -255; diff <= 255; ++diff) {
    double v = std::clamp(diff * amount, -1024.0, 1024.0);
    int magnitude = diff < 0 ? -diff : diff;
    change[diff + 255] = unsigned(magnitude) > threshold ? int(v) : 0;
  }
  const size_t stride = size_t(width) * size_t(channels);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = src + size_t(y) * stride;
    uint8_t* d = dst + size_t(y) * stride;
    for (size_t i = 0; i < stride; ++i) {
      int diff = s[i] - d[i];
      d[i] = uint8_t(std::clamp(s[i] + change[diff + 255], 0, 255));
    }
    if (y % 3 == 2 && !ProgressContinues(progress, int((int64_t(y) + 1) * 100 / height)))
      return false;
  }
  return true;
}

bool UnsharpMaskInPlace(uint8_t* pixels, int width, int height, int channels, unsigned threshold,
                        double amount, double sigma, const ProgressHook* progress) {
  size_t bytes = 0;
  if (std::isnan(amount) || channels < 1 || channels > 4) return false;
  if (!PictureArgs(pixels, width, height, bytes, channels)) return false;
  GaussianKernel kernel;
  if (!kernel.Build(sigma)) return false;
  // In bands, each band's picture is a copy of its rows (a picture-sized copy in all): the
  // bands may then write their rows back only once every band has read the rows around its own.
  if (const RowBandCut cut = BlurCut(height, kernel.Half(), progress); cut.count > 1)
    return BlurInRowBands(pixels, pixels, width, height, channels, kernel.Half(), cut, true,
                          [&](const uint8_t*, uint8_t* band, int rows) {
                            return UnsharpMaskInPlace(band, width, rows, channels, threshold,
                                                      amount, sigma);
                          });
  // The strips keep two halos of half columns; beyond a quarter of the picture (very large
  // sigmas) a copy of the picture is the smaller buffer.
  const size_t halos = 2 * size_t(kernel.Half()) * size_t(channels) * size_t(height);
  if (GaussianBlurVectorRuns() && std::isfinite(amount) && halos <= bytes / 4)
    return UnsharpMaskVector(pixels, width, height, channels, pixels, threshold, amount, kernel,
                             progress);
  LargeBufferPtr copy = MakeLargeBuffer(bytes);
  if (!copy) return false;
  std::memcpy(copy.get(), pixels, bytes);
  return UnsharpMask(copy.get(), width, height, channels, pixels, threshold, amount, sigma,
                     progress);
}

}  // namespace orv
