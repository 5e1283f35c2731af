#include "filters/GaussianBlurVector.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

// The vector helpers below are always inlined, so no vector is passed by value between
// functions built for different instruction sets; the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orv {
namespace {

typedef double D8 __attribute__((vector_size(64)));
typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));
typedef uint8_t B8 __attribute__((vector_size(8)));

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

// The horizontal pass of row y over pixel columns [x0, x1) into out (element 0 = column x0).
// NB vectors of eight sums per block keep the adds of each output in tap order.
template <int NB>
[[gnu::always_inline]] inline void HorizontalStrip(const BlurJob& j, int y, int x0, int x1,
                                                   double* in, double* out) {
  const int ch = j.channels, half = j.half, taps = j.taps;
  const int lo = std::max(0, x0 - half), hi = std::min(j.width, x1 + half);
  const uint8_t* row = j.src + (size_t(y) * size_t(j.width) + size_t(lo)) * size_t(ch);
  const int inCount = (hi - lo) * ch;
  int e = 0;
  for (; e + 8 <= inCount; e += 8) Store(in + e, __builtin_convertvector(Load<B8>(row + e), D8));
  for (; e < inCount; ++e) in[e] = kByte.v[row[e]];
  // in[i] holds element lo * ch + i of the row.
  const int ia = std::max(x0, half), ib = std::min(x1, j.width - half);
  if (ia < ib) {
    const int begin = (ia - x0) * ch, end = (ib - x0) * ch;  // output elements
    const int shift = (x0 - half - lo) * ch;  // in index of tap 0 for output element 0
    const D8 full = D8{} + j.full;
    int o = begin;
    for (; o + 8 * NB <= end; o += 8 * NB) {
      D8 acc[NB] = {};
      const double* p = in + shift + o;
      for (int k = 0; k < taps; ++k) {
        const D8 wk = D8{} + j.w[k];
        const double* pk = p + k * ch;
        for (int b = 0; b < NB; ++b) acc[b] += wk * Load<D8>(pk + 8 * b);
      }
      for (int b = 0; b < NB; ++b) {
        F8 f = __builtin_convertvector(acc[b] / full, F8);
        Store(out + o + 8 * b, __builtin_convertvector(f, D8));
      }
    }
    for (; o < end; ++o) {
      double acc = 0;
      for (int k = 0; k < taps; ++k) acc += j.w[k] * in[shift + o + k * ch];
      out[o] = double(float(acc / j.full));
    }
  }
  // Columns near the picture's edges: only the taps inside the row, renormalised.
  for (int x = x0; x < x1; ++x) {
    if (x >= ia && x < ib) continue;
    for (int c = 0; c < ch; ++c) {
      double total = 0, sum = 0;
      for (int k = 0; k < taps; ++k) {
        int xx = x + k - half;
        if (xx < 0 || xx >= j.width) continue;
        total += j.w[k] * in[(xx - lo) * ch + c];
        sum += j.w[k];
      }
      out[(x - x0) * ch + c] = sum != 0 ? double(float(total / sum)) : 0.0;
    }
  }
}

// The unsharp step of one byte from its source value and blurred value.
inline uint8_t MaskByte(int s, int blurred, const UnsharpStep& m) {
  int diff = s - blurred;
  unsigned magnitude = unsigned(diff < 0 ? -diff : diff);
  int change = 0;
  if (magnitude > m.threshold) change = int(std::clamp(diff * m.amount, -1024.0, 1024.0));
  return uint8_t(std::clamp(s + change, 0, 255));
}

// The vertical pass of output row y over count elements starting at element e0 of the row.
template <int NB>
[[gnu::always_inline]] inline void VerticalStrip(const BlurJob& j, int y, size_t e0, int count,
                                                 const double* const* rows, int n, const double* w,
                                                 double sum) {
  const uint8_t* s = j.src + size_t(y) * size_t(j.width) * size_t(j.channels) + e0;
  uint8_t* d = j.dst + size_t(y) * size_t(j.width) * size_t(j.channels) + e0;
  const D8 sumV = D8{} + sum, halfV = D8{} + 0.5;
  int o = 0;
  for (; o + 8 * NB <= count; o += 8 * NB) {
    D8 acc[NB] = {};
    for (int k = 0; k < n; ++k) {
      const D8 wk = D8{} + w[k];
      const double* r = rows[k] + o;
      for (int b = 0; b < NB; ++b) acc[b] += wk * Load<D8>(r + 8 * b);
    }
    for (int b = 0; b < NB; ++b) {
      // A weighted mean of bytes stays within 0..255, so +0.5 and truncation round.
      I8 blurred = __builtin_convertvector(acc[b] / sumV + halfV, I8);
      if (!j.mask) {
        Store(d + o + 8 * b, __builtin_convertvector(blurred, B8));
        continue;
      }
      I8 sv = __builtin_convertvector(Load<B8>(s + o + 8 * b), I8);
      I8 diff = sv - blurred;
      I8 magnitude = diff < 0 ? -diff : diff;
      D8 v = __builtin_convertvector(diff, D8) * j.mask->amount;
      // std::clamp's comparisons, lane by lane; the amount is finite, so v is never NaN.
      v = v < -1024.0 ? D8{} - 1024.0 : v;
      v = 1024.0 < v ? D8{} + 1024.0 : v;
      I8 change = __builtin_convertvector(v, I8);
      typedef uint32_t U8 __attribute__((vector_size(32)));
      change = (U8)magnitude > j.mask->threshold ? change : I8{};
      I8 r = sv + change;
      r = r < 0 ? I8{} : r;
      r = r > 255 ? I8{} + 255 : r;
      Store(d + o + 8 * b, __builtin_convertvector(r, B8));
    }
  }
  for (; o < count; ++o) {
    double acc = 0;
    for (int k = 0; k < n; ++k) acc += w[k] * rows[k][o];
    int blurred = int(acc / sum + 0.5);
    d[o] = j.mask ? MaskByte(s[o], blurred, *j.mask) : uint8_t(blurred);
  }
}

// Both passes over pixel columns [x0, x1): the horizontal rows are made just in time into a ring
// of taps rows that the vertical pass reads.
template <int NB>
[[gnu::always_inline]] inline void BlurStrip(const BlurJob& j, int x0, int x1, StripBuffers& b,
                                             size_t slotSize) {
  const int half = j.half, taps = j.taps, height = j.height;
  auto slot = [&](int y) { return b.ring.get() + size_t(y % taps) * slotSize; };
  const int count = (x1 - x0) * j.channels;
  const size_t e0 = size_t(x0) * size_t(j.channels);
  int made = 0;
  for (int y = 0; y < height; ++y) {
    int need = std::min(y + half, height - 1);
    for (; made <= need; ++made) HorizontalStrip<NB>(j, made, x0, x1, b.in.get(), slot(made));
    int k0 = std::max(0, half - y), k1 = std::min(taps - 1, height - 1 - y + half);
    double sum = 0;
    for (int k = k0; k <= k1; ++k) {
      sum += j.w[k];
      b.rows[size_t(k - k0)] = slot(y + k - half);
    }
    // sum is a sum of positive weights, never 0.
    VerticalStrip<NB>(j, y, e0, count, b.rows.get(), k1 - k0 + 1, j.w + k0, sum);
  }
}

ORV_TARGET_AVX512 void BlurStripAvx512(const BlurJob& j, int x0, int x1, StripBuffers& b,
                                       size_t slot) {
  BlurStrip<4>(j, x0, x1, b, slot);
}

}  // namespace

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
  const BlurJob job{src, dst, width, height, channels, taps, half, w.get(), full, mask};
  (void)path;  // only the AVX-512 build is worth its while; see the header
  // The scalar blur asks the hook twice per channel; here the same percentages are passed as
  // the share of finished strips reaches them.
  const int passes = 2 * channels;
  const int strips = (width + stripWidth - 1) / stripWidth;
  int asked = 0;
  for (int s = 0; s < strips; ++s) {
    const int x0 = s * stripWidth;
    BlurStripAvx512(job, x0, std::min(width, x0 + stripWidth), b, slotSize);
    for (; asked < passes && int64_t(asked + 1) * strips <= int64_t(s + 1) * passes; ++asked)
      if (!ProgressContinues(progress, (asked + 1) * 100 / passes)) return false;
  }
  return true;
}

}  // namespace orv
