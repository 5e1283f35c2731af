// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the Gaussian blur and the unsharp mask, compiled once per vector target
// through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/GaussianBlurVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/aligned_allocator.h>
#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "filters/GaussianBlurVector.h"
#include "filters/KernelPath.h"
#include "filters/VectorBytes-inl.h"

#ifndef ORV_GAUSSIAN_BLUR_VECTOR_SHARED
#define ORV_GAUSSIAN_BLUR_VECTOR_SHARED
namespace orv::blur_shared {

// The fixed facts of one call.
struct BlurJob {
  const uint8_t* src;
  uint8_t* dst;
  int width, height, channels, taps, half;
  const double* w;  // the weights as doubles
  double full;      // the sum of all weights, in tap order
  // Every nonzero weight over full is at least 2^-125, so that no nonzero quotient of the
  // horizontal pass (a weight times a byte of at least 1, over full, at the least) is a
  // subnormal float.
  bool normalFloats;
  // The weights are symmetric (w[k] == w[taps - 1 - k]) and every sum of products of a weight
  // and a byte is exact in a double, in any order (see ExactHorizontalSums): the horizontal
  // pass may then add the two bytes of a pair of equal weights first and multiply once.
  bool pairedTaps;
  const UnsharpStep* mask;
  // In place (src == dst): the original bytes of the half columns left of the strip, which
  // earlier strips have overwritten, half x channels bytes a row; null otherwise.
  const uint8_t* halo;
};

// Working memory of one strip: the converted source row (with the halo) and the ring of
// horizontal results (float values held as doubles, so the vertical pass converts nothing).
struct StripBuffers {
  hwy::AlignedFreeUniquePtr<double[]> in;
  hwy::AlignedFreeUniquePtr<double[]> ring;
  std::unique_ptr<const double*[]> rows;
};

// Byte values as doubles, for the scalar tails.
struct ByteDoubles {
  double v[256];
  ByteDoubles() {
    for (int i = 0; i < 256; ++i) v[i] = i;
  }
};
inline const ByteDoubles kByte;

// The unsharp step of one byte from its source value and blurred value.
inline uint8_t MaskByte(int s, int blurred, const UnsharpStep& m) {
  int diff = s - blurred;
  unsigned magnitude = unsigned(diff < 0 ? -diff : diff);
  int change = 0;
  if (magnitude > m.threshold) change = int(std::clamp(diff * m.amount, -1024.0, 1024.0));
  return uint8_t(std::clamp(s + change, 0, 255));
}

}  // namespace orv::blur_shared
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace blur_shared;

using DF = hn::ScalableTag<double>;
using DI = hn::Rebind<int32_t, DF>;
using DU = hn::Rebind<uint32_t, DF>;
using DB = hn::Rebind<uint8_t, DF>;
using DS = hn::Rebind<float, DF>;
using VD = hn::Vec<DF>;
using VI = hn::Vec<DI>;

constexpr int kPrefetchRows = 4;

#if !ORV_FALLBACK_TARGET
// Quotients without a division. A division costs far more than the rest of an output's work, so
// the quotient q = acc / d is taken as acc times the rounded reciprocal, which is within three
// units in the last place of the rounded quotient. Each result below is a rounding of q (to a
// float, or +0.5 and truncated) that can tell q from the rounded quotient only near a rounding
// boundary; there, in practice never, the vector takes the division.
constexpr double kBelow = 1.0 - 0x1p-40, kAbove = 1.0 + 0x1p-40;

HWY_INLINE VD ThroughFloat(VD v) {
  return hn::PromoteTo(DF(), hn::DemoteTo(DS(), v));
}

// Rounding a double to a float reads the 29 low bits of its significand: below 2^28 it rounds
// down, above up, at 2^28 to even. Nearby doubles round alike unless those bits lie near 2^28
// (between float values; next to a float value, a power of two included, both sides round to
// it). Lanes whose bits lie within 2^8 of 2^28: adding 2^8 - 2^28 brings that window to
// 0 .. 2^9 - 1, whose bits 9 to 28 are zero. For float values of normal size only: a subnormal
// float keeps fewer bits.
HWY_INLINE bool NearFloatHalfway(VD q) {
  const hn::RebindToUnsigned<DF> du;
  constexpr uint64_t kShift = (uint64_t(1) << 8) - (uint64_t(1) << 28);  // wraps, as meant
  constexpr uint64_t kWindow = (uint64_t(1) << 29) - (uint64_t(1) << 9);
  const auto moved = hn::Add(hn::BitCast(du, q), hn::Set(du, kShift));
  return !hn::AllFalse(du, hn::Eq(hn::And(moved, hn::Set(du, kWindow)), hn::Zero(du)));
}

// double(float(acc / d)) lane by lane; inv is 1 / d rounded. With normalFloats (every nonzero
// quotient is at least 2^-125, a normal float) the bits of q are looked at; otherwise q is
// bracketed by q (1 - 2^-40) and q (1 + 2^-40), whose float roundings agree unless the quotient
// is within 2^-40 of a boundary (the rounding is monotone).
HWY_INLINE VD QuotientThroughFloat(VD acc, VD d, VD inv, bool normalFloats) {
  const DF df;
  const VD q = hn::Mul(acc, inv);
  if (normalFloats) {
    if (!NearFloatHalfway(q)) return ThroughFloat(q);
  } else {
    const VD low = ThroughFloat(hn::Mul(q, hn::Set(df, kBelow)));
    if (hn::AllTrue(df, hn::Eq(low, ThroughFloat(hn::Mul(q, hn::Set(df, kAbove)))))) return low;
  }
  return ThroughFloat(hn::Div(acc, d));
}

// int(acc / d + 0.5) lane by lane (the conversion truncates); inv is 1 / d rounded. The
// quotients are weighted means of bytes, so every truncation fits an int32. The brackets
// q (1 -+ 2^-40) + 0.5 are each rounded once (a fused multiply-add where the target has one):
// x -> x + 0.5 rounded is monotone, so they hold the rounded quotient + 0.5 between them either
// way.
HWY_INLINE VI QuotientRounded(VD acc, VD d, VD inv) {
  const DF df;
  const DI di;
  const VD q = hn::Mul(acc, inv), half = hn::Set(df, 0.5);
  const VI low = TruncateFitting(di, hn::MulAdd(q, hn::Set(df, kBelow), half));
  if (hn::AllTrue(di, hn::Eq(low, TruncateFitting(di, hn::MulAdd(q, hn::Set(df, kAbove), half)))))
    return low;
  return TruncateFitting(di, hn::Add(hn::Div(acc, d), half));
}

HWY_INLINE VD BytesToDoubles(const uint8_t* p) {
  return hn::PromoteTo(DF(), hn::PromoteTo(DI(), hn::LoadU(DB(), p)));
}

// Lanes within 0..255.
HWY_INLINE void StoreBytes(VI v, uint8_t* p) {
  StoreLaneBytes(DI(), v, p);
}
#endif

// Every product of the sums below is exact in a double: a float weight times a byte in the
// horizontal pass, times a float-rounded value in the vertical one (at most 48 significant bits).
// The fused multiply-add (MulAdd, where the target has one), which rounds once, therefore gives
// the bytes of the product followed by the add, at half the operations.

// The horizontal pass of row y over pixel columns [x0, x1) into out (element 0 = column x0).
// Blocks of four vectors of sums keep the adds of each output in tap order.
void HorizontalStrip(const BlurJob& j, int y, int x0, int x1, double* HWY_RESTRICT in,
                     double* HWY_RESTRICT out) {
  const int ch = j.channels, half = j.half, taps = j.taps;
  const int lo = std::max(0, x0 - half), hi = std::min(j.width, x1 + half);
  const uint8_t* row = j.src + (size_t(y) * size_t(j.width) + size_t(lo)) * size_t(ch);
  const int inCount = (hi - lo) * ch;
  // The strip's part of a row a few rows on, fetched while this one is summed: the parts are
  // short runs a whole row apart, which the hardware prefetchers pick up late.
  if (y + kPrefetchRows < j.height) {
    const uint8_t* ahead = row + size_t(kPrefetchRows) * size_t(j.width) * size_t(ch);
    for (int e = 0; e < inCount; e += 64) hwy::Prefetch(ahead + e);
  }
#if !ORV_FALLBACK_TARGET
  const DF df;
  const int L = int(hn::Lanes(df));
#endif
  int e = 0;
  if (j.halo && lo < x0) {
    // In place: the columns left of the strip are already overwritten; their original bytes
    // are in the halo, which holds columns [x0 - half, x0).
    const uint8_t* kept = j.halo + size_t(y) * size_t(half) * size_t(ch) +
                          size_t(lo - (x0 - half)) * size_t(ch);
    const int keptCount = (x0 - lo) * ch;
#if !ORV_FALLBACK_TARGET
    for (; e + L <= keptCount; e += L) hn::StoreU(BytesToDoubles(kept + e), df, in + e);
#endif
    for (; e < keptCount; ++e) in[e] = kByte.v[kept[e]];
  }
#if !ORV_FALLBACK_TARGET
  for (; e + L <= inCount; e += L) hn::StoreU(BytesToDoubles(row + e), df, in + e);
#endif
  for (; e < inCount; ++e) in[e] = kByte.v[row[e]];
  // in[i] holds element lo * ch + i of the row.
  const int ia = std::max(x0, half), ib = std::min(x1, j.width - half);
  if (ia < ib) {
    const int begin = (ia - x0) * ch, end = (ib - x0) * ch;  // output elements
    const int shift = (x0 - half - lo) * ch;  // in index of tap 0 for output element 0
    int o = begin;
#if !ORV_FALLBACK_TARGET
    const VD full = hn::Set(df, j.full), invFull = hn::Set(df, 1.0 / j.full);
    const bool normal = j.normalFloats;
    // Blocks of four vectors, then single vectors, then single elements.
    if (j.pairedTaps) {
      // The same exact sums with half the multiplies: (in[k] + in[taps - 1 - k]) is a sum of
      // two bytes, exact, and its product with the weight is exact too.
      const int mirror = (taps - 1) * ch;
      for (; o + 4 * L <= end; o += 4 * L) {
        const double* p = in + shift + o;
        const double* pm = p + half * ch;
        const VD wm = hn::Set(df, j.w[half]);
        VD a0 = hn::Mul(wm, hn::LoadU(df, pm)), a1 = hn::Mul(wm, hn::LoadU(df, pm + L));
        VD a2 = hn::Mul(wm, hn::LoadU(df, pm + 2 * L)), a3 = hn::Mul(wm, hn::LoadU(df, pm + 3 * L));
        for (int k = 0; k < half; ++k) {
          const VD wk = hn::Set(df, j.w[k]);
          const double* pk = p + k * ch;
          const double* qk = p + mirror - k * ch;
          a0 = hn::MulAdd(wk, hn::Add(hn::LoadU(df, pk), hn::LoadU(df, qk)), a0);
          a1 = hn::MulAdd(wk, hn::Add(hn::LoadU(df, pk + L), hn::LoadU(df, qk + L)), a1);
          a2 = hn::MulAdd(wk, hn::Add(hn::LoadU(df, pk + 2 * L), hn::LoadU(df, qk + 2 * L)), a2);
          a3 = hn::MulAdd(wk, hn::Add(hn::LoadU(df, pk + 3 * L), hn::LoadU(df, qk + 3 * L)), a3);
        }
        hn::StoreU(QuotientThroughFloat(a0, full, invFull, normal), df, out + o);
        hn::StoreU(QuotientThroughFloat(a1, full, invFull, normal), df, out + o + L);
        hn::StoreU(QuotientThroughFloat(a2, full, invFull, normal), df, out + o + 2 * L);
        hn::StoreU(QuotientThroughFloat(a3, full, invFull, normal), df, out + o + 3 * L);
      }
    }
    for (; o + 4 * L <= end; o += 4 * L) {
      VD a0 = hn::Zero(df), a1 = hn::Zero(df), a2 = hn::Zero(df), a3 = hn::Zero(df);
      const double* p = in + shift + o;
      for (int k = 0; k < taps; ++k) {
        const VD wk = hn::Set(df, j.w[k]);
        const double* pk = p + k * ch;
        a0 = hn::MulAdd(wk, hn::LoadU(df, pk), a0);
        a1 = hn::MulAdd(wk, hn::LoadU(df, pk + L), a1);
        a2 = hn::MulAdd(wk, hn::LoadU(df, pk + 2 * L), a2);
        a3 = hn::MulAdd(wk, hn::LoadU(df, pk + 3 * L), a3);
      }
      hn::StoreU(QuotientThroughFloat(a0, full, invFull, normal), df, out + o);
      hn::StoreU(QuotientThroughFloat(a1, full, invFull, normal), df, out + o + L);
      hn::StoreU(QuotientThroughFloat(a2, full, invFull, normal), df, out + o + 2 * L);
      hn::StoreU(QuotientThroughFloat(a3, full, invFull, normal), df, out + o + 3 * L);
    }
    for (; o + L <= end; o += L) {
      VD a0 = hn::Zero(df);
      const double* p = in + shift + o;
      for (int k = 0; k < taps; ++k) a0 = hn::MulAdd(hn::Set(df, j.w[k]), hn::LoadU(df, p + k * ch), a0);
      hn::StoreU(QuotientThroughFloat(a0, full, invFull, normal), df, out + o);
    }
#endif
    for (; o < end; ++o) {
      double acc = 0;
      for (int k = 0; k < taps; ++k) acc += j.w[k] * in[shift + o + k * ch];
      out[o] = double(float(acc / j.full));
    }
  }
  // Columns near the picture's edges: only the taps inside the row, renormalised. When the
  // strip has inside columns [ia, ib), only the columns before and after them are visited.
  const auto edgeColumn = [&](int x) {
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
  };
  const int leftEnd = ia < ib ? ia : x1, rightBegin = ia < ib ? ib : x1;
  for (int x = x0; x < leftEnd; ++x) edgeColumn(x);
  for (int x = rightBegin; x < x1; ++x) edgeColumn(x);
}

// What the vertical pass stores: the blur, the unsharp mask, or the unsharp mask whose
// threshold is 0 and whose amount is at most 4 in size. For that last one the clamp to +-1024
// never acts (|difference x amount| <= 1020) and the threshold test changes nothing (a zero
// difference gives a zero change), so both are left out.
enum StripOutput { kBlurOutput, kMaskOutput, kPlainMaskOutput };

#if !ORV_FALLBACK_TARGET
// The bytes of one vector of vertical sums at d (source bytes at s).
template <StripOutput Out>
HWY_INLINE void FinishVector(VD acc, VD sumV, VD invSum, VD amountV, hn::Vec<DU> thresholdV,
                             const uint8_t* s, uint8_t* d) {
  const DF df;
  const DI di;
  // A weighted mean of bytes stays within 0..255, so +0.5 and truncation round.
  const VI blurred = QuotientRounded(acc, sumV, invSum);
  if constexpr (Out == kBlurOutput) {
    StoreBytes(blurred, d);
  } else {
    const VI sv = hn::PromoteTo(di, hn::LoadU(DB(), s));
    const VI diff = hn::Sub(sv, blurred);
    VD v = hn::Mul(hn::PromoteTo(df, diff), amountV);
    VI change;
    if constexpr (Out == kMaskOutput) {
      // std::clamp's comparisons, lane by lane; the amount is finite, so v is never NaN.
      const VD low = hn::Set(df, -1024.0), high = hn::Set(df, 1024.0);
      v = hn::IfThenElse(hn::Lt(v, low), low, v);
      v = hn::IfThenElse(hn::Lt(high, v), high, v);
      change = TruncateFitting(di, v);
      const auto over = hn::Gt(hn::BitCast(DU(), hn::Abs(diff)), thresholdV);
      change = hn::IfThenElseZero(hn::RebindMask(di, over), change);
    } else {
      change = TruncateFitting(di, v);  // |v| <= 4 x 255
    }
    // std::clamp to 0..255 of an int: Max and Min.
    const VI r = hn::Min(hn::Max(hn::Add(sv, change), hn::Zero(di)), hn::Set(di, 255));
    StoreBytes(r, d);
  }
}
#endif

// The vertical pass of output row y over count elements starting at element e0 of the row.
template <StripOutput Out>
void VerticalStrip(const BlurJob& j, int y, size_t e0, int count, const double* const* rows,
                   int n, const double* w, double sum) {
  const uint8_t* s = j.src + size_t(y) * size_t(j.width) * size_t(j.channels) + e0;
  uint8_t* d = j.dst + size_t(y) * size_t(j.width) * size_t(j.channels) + e0;
  int o = 0;
#if !ORV_FALLBACK_TARGET
  const DF df;
  const int L = int(hn::Lanes(df));
  const VD sumV = hn::Set(df, sum), invSum = hn::Set(df, 1.0 / sum);
  // The mask's fields in locals: the byte stores below could alias the job for all the compiler
  // knows, which would reload them for every block.
  const bool masked = j.mask != nullptr;
  const VD amountV = hn::Set(df, masked ? j.mask->amount : 0.0);
  const auto thresholdV = hn::Set(DU(), masked ? j.mask->threshold : 0u);
  // Blocks of four vectors, then single vectors, then single elements.
  for (; o + 4 * L <= count; o += 4 * L) {
    VD a0 = hn::Zero(df), a1 = hn::Zero(df), a2 = hn::Zero(df), a3 = hn::Zero(df);
    for (int k = 0; k < n; ++k) {
      const VD wk = hn::Set(df, w[k]);
      const double* r = rows[k] + o;
      a0 = hn::MulAdd(wk, hn::LoadU(df, r), a0);
      a1 = hn::MulAdd(wk, hn::LoadU(df, r + L), a1);
      a2 = hn::MulAdd(wk, hn::LoadU(df, r + 2 * L), a2);
      a3 = hn::MulAdd(wk, hn::LoadU(df, r + 3 * L), a3);
    }
    FinishVector<Out>(a0, sumV, invSum, amountV, thresholdV, s + o, d + o);
    FinishVector<Out>(a1, sumV, invSum, amountV, thresholdV, s + o + L, d + o + L);
    FinishVector<Out>(a2, sumV, invSum, amountV, thresholdV, s + o + 2 * L, d + o + 2 * L);
    FinishVector<Out>(a3, sumV, invSum, amountV, thresholdV, s + o + 3 * L, d + o + 3 * L);
  }
  for (; o + L <= count; o += L) {
    VD a0 = hn::Zero(df);
    for (int k = 0; k < n; ++k) a0 = hn::MulAdd(hn::Set(df, w[k]), hn::LoadU(df, rows[k] + o), a0);
    FinishVector<Out>(a0, sumV, invSum, amountV, thresholdV, s + o, d + o);
  }
#endif
  for (; o < count; ++o) {
    double acc = 0;
    for (int k = 0; k < n; ++k) acc += w[k] * rows[k][o];
    int blurred = int(acc / sum + 0.5);
    d[o] = j.mask ? MaskByte(s[o], blurred, *j.mask) : uint8_t(blurred);
  }
}

// Both passes over pixel columns [x0, x1): the horizontal rows are made just in time into a ring
// of taps rows that the vertical pass reads.
template <StripOutput Out>
void BlurStrip(const BlurJob& j, int x0, int x1, StripBuffers& b, size_t slotSize) {
  const int half = j.half, taps = j.taps, height = j.height;
  auto slot = [&](int y) { return b.ring.get() + size_t(y % taps) * slotSize; };
  const int count = (x1 - x0) * j.channels;
  const size_t e0 = size_t(x0) * size_t(j.channels);
  int made = 0;
  for (int y = 0; y < height; ++y) {
    int need = std::min(y + half, height - 1);
    for (; made <= need; ++made) HorizontalStrip(j, made, x0, x1, b.in.get(), slot(made));
    int k0 = std::max(0, half - y), k1 = std::min(taps - 1, height - 1 - y + half);
    double sum = 0;
    for (int k = k0; k <= k1; ++k) {
      sum += j.w[k];
      b.rows[size_t(k - k0)] = slot(y + k - half);
    }
    // sum is a sum of positive weights, never 0.
    VerticalStrip<Out>(j, y, e0, count, b.rows.get(), k1 - k0 + 1, j.w + k0, sum);
  }
}

// Both passes of one strip with the vertical pass's output chosen once for the call.
void StripV(const BlurJob& j, int x0, int x1, StripBuffers& b, size_t slot) {
  if (!j.mask)
    BlurStrip<kBlurOutput>(j, x0, x1, b, slot);
  else if (j.mask->threshold == 0 && std::fabs(j.mask->amount) <= 4.0)
    BlurStrip<kPlainMaskOutput>(j, x0, x1, b, slot);
  else
    BlurStrip<kMaskOutput>(j, x0, x1, b, slot);
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {
using namespace blur_shared;

HWY_EXPORT(StripV);

// Whether the horizontal sums may pair equal weights. Each float weight is a multiple of its
// own unit in the last place, so every product of a weight and a byte, and every sum of such
// products, is a multiple of the smallest of those units; a sum is at most 255 times the sum of
// the weights. Below 2^53 such units every partial sum is exact in a double, whatever the order
// of the adds, so the paired sums equal the reference's sums in tap order. The bound holds with
// room to spare for every kernel the blur builds (its outer weights are at least 0.04 of the
// centre one); the check keeps the pairing honest for any weights.
static bool ExactHorizontalSums(const float* w, int taps, double full) {
  double unit = 0;
  for (int k = 0; k < taps; ++k) {
    if (w[k] != w[taps - 1 - k] || !(w[k] >= 0.0f) || !std::isfinite(w[k])) return false;
    if (w[k] == 0.0f) continue;
    const double u = std::ldexp(1.0, std::max(std::ilogb(w[k]) - 23, -149));
    if (unit == 0 || u < unit) unit = u;
  }
  // 512 rather than 255: full is itself a rounded sum of the weights.
  return unit > 0 && 512.0 * full <= std::ldexp(unit, 53);
}

bool GaussianBlurVectorRuns() {
  return !ReferenceKernelsForced();
}

bool GaussianBlurVector(const uint8_t* src, uint8_t* dst, int width, int height, int channels,
                        const GaussianKernel& kernel, const UnsharpStep* mask,
                        const ProgressHook* progress) {
  const int taps = kernel.Taps(), half = kernel.Half();
  std::unique_ptr<double[]> w(new (std::nothrow) double[size_t(taps)]);
  if (!w) return false;
  double full = 0;
  for (int k = 0; k < taps; ++k) {
    w[size_t(k)] = kernel.Weights()[k];
    full += w[size_t(k)];
  }
  bool normalFloats = true;
  for (int k = 0; k < taps; ++k)
    if (w[size_t(k)] != 0 && w[size_t(k)] / full < 0x1p-125) normalFloats = false;
  const bool pairedTaps = ExactHorizontalSums(kernel.Weights(), taps, full);
  // Strips narrow enough that the ring of horizontal rows stays within about 192 KB.
  const int perPixel = taps * channels * int(sizeof(double));
  const int stripWidth = std::clamp(192 * 1024 / perPixel, 16, width);
  // Slots start on cache lines, as do both blocks (Highway aligns its blocks to HWY_ALIGNMENT):
  // the passes' full-width stores would otherwise straddle two lines, which some processors take
  // at half speed.
  constexpr size_t kSlotStep = HWY_ALIGNMENT / sizeof(double);
  const size_t slotSize =
      (size_t(stripWidth) * size_t(channels) + kSlotStep - 1) / kSlotStep * kSlotStep;
  StripBuffers b;
  b.in = hwy::AllocateAligned<double>((size_t(stripWidth) + 2 * size_t(half)) * size_t(channels));
  b.ring = hwy::AllocateAligned<double>(slotSize * size_t(taps));
  b.rows.reset(new (std::nothrow) const double*[size_t(taps)]);
  if (!b.in || !b.ring || !b.rows) return false;
  BlurJob job{src,  dst,     width, height,       channels,   taps,
              half, w.get(), full,  normalFloats, pairedTaps, mask, nullptr};
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
    HWY_DYNAMIC_DISPATCH(StripV)(job, x0, x1, b, slotSize);
    if (inPlace) halo.swap(nextHalo);
    for (; asked < passes && int64_t(asked + 1) * strips <= int64_t(s + 1) * passes; ++asked)
      if (!ProgressContinues(progress, (asked + 1) * 100 / passes)) return false;
  }
  return true;
}

}  // namespace orv
#endif
