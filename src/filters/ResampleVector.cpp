// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The resamplers' line kernels, compiled once per vector target through Highway's
// foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/ResampleVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstring>

#include "filters/VectorBytes-inl.h"

#include "filters/KernelPath.h"
#include "filters/ResampleVector.h"

#ifndef ORV_RESAMPLE_VECTOR_SHARED
#define ORV_RESAMPLE_VECTOR_SHARED
namespace orv::resample_shared {

// The lines of one Lanczos destination line: line k of the n contributing lines has its bytes at
// base + index[k] x stride and weight[k]; the values it sums are read from rowBase +
// (index[k] - first) x stride (the bytes themselves, or the same values as doubles). Any number
// of lines; nothing is copied per line.
template <typename Row>
struct LanczosLines {
  const uint8_t* base;
  const Row* rowBase;
  int first;
  size_t stride;
  const int* index;
  const double* weight;
  int n;
  const uint8_t* Bytes(int k) const { return base + size_t(index[k]) * stride; }
  const Row* Values(int k) const { return rowBase + size_t(index[k] - first) * stride; }
};

// The scalar formulas, for the bytes past the last vector block; the same as the reference code.
inline uint8_t RoundAwayToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  const int i = int(v);
  return uint8_t(v - i >= 0.5 ? i + 1 : i);
}

template <typename Row>
inline bool IsFlat(const LanczosLines<Row>& l, size_t o) {
  const uint8_t v = l.Bytes(0)[o];
  for (int k = 1; k < l.n; ++k)
    if (l.Bytes(k)[o] != v) return false;
  return true;
}

// Lines with a zero weight are left out of the sums (see LanczosLine); k0 is the first line whose
// weight is not zero, n when there is none.
template <typename Row>
inline uint8_t LanczosByte(const LanczosLines<Row>& l, int k0, size_t o) {
  if (IsFlat(l, o)) return l.Bytes(0)[o];
  double acc = 0.0;
  if (k0 < l.n) acc = l.weight[k0] * l.Values(k0)[o];
  for (int k = k0 + 1; k < l.n; ++k)
    if (l.weight[k] != 0.0) acc += l.weight[k] * l.Values(k)[o];
  return RoundAwayToByte(acc);
}

inline uint8_t RoundHalfUpToByte(float v) {
  const int i = int(double(v) + 0.5);
  return uint8_t(i < 0 ? 0 : i > 255 ? 255 : i);
}


}  // namespace orv::resample_shared
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace resample_shared;

using DF = hn::ScalableTag<double>;
using DI = hn::Rebind<int32_t, DF>;
using DB = hn::Rebind<uint8_t, DF>;
using VD = hn::Vec<DF>;

#if !ORV_FALLBACK_TARGET
// A vector of doubles from Lanes(DF) bytes or doubles.
template <typename Row>
HWY_INLINE VD LoadValues(const Row* p) {
  if constexpr (sizeof(Row) == 1)
    return hn::PromoteTo(DF(), hn::PromoteTo(DI(), hn::LoadU(DB(), p)));
  else
    return hn::LoadU(DF(), p);
}

// Clamps to 0..255 (anything not above 0 gives 0), then adds 1 to the truncation where the
// fraction is at least a half, and stores the Lanes(DF) bytes; every step is exact.
HWY_INLINE void StoreRoundedAway(VD v, uint8_t* HWY_RESTRICT to) {
  const DF df;
  const VD c = hn::Min(hn::Max(v, hn::Zero(df)), hn::Set(df, 255.0));
  const VD t = hn::Trunc(c);
  const VD up = hn::Add(t, hn::Set(df, 1.0));
  const VD r = hn::IfThenElse(hn::Ge(hn::Sub(c, t), hn::Set(df, 0.5)), up, t);
  StoreLaneBytes(DI(), TruncateFitting(DI(), r), to);
}
#endif

// The summed lines of a Lanczos destination line (those whose weight is not zero; the first
// starts the sums) and every line for the flat test, two ways: looked up in l as the blocks go,
// or gathered once per destination line, which pays where a block holds few outputs.
template <typename Row>
struct DirectLanczos {
  LanczosLines<Row> l;  // a copy: nothing the blocks store can change its fields
  int k0;  // the first line whose weight is not zero; l.n when none
  int Summed() const { return l.n; }
  int First() const { return k0; }
  bool Skip(int k) const { return l.weight[k] == 0.0; }
  const Row* Values(int k) const { return l.Values(k); }
  double Weight(int k) const { return l.weight[k]; }
  int Lines() const { return l.n; }
  const uint8_t* Bytes(int k) const { return l.Bytes(k); }
};
constexpr int kGatheredLanczos = 32;
template <typename Row>
struct GatheredLanczos {
  const Row* values[kGatheredLanczos];
  double w[kGatheredLanczos];
  const uint8_t* bytes[kGatheredLanczos];
  int m = 0, n = 0;
  int Summed() const { return m; }
  static constexpr int First() { return 0; }
  static constexpr bool Skip(int) { return false; }
  const Row* Values(int k) const { return values[k]; }
  double Weight(int k) const { return w[k]; }
  int Lines() const { return n; }
  const uint8_t* Bytes(int k) const { return bytes[k]; }
};

// Lanczos over whole blocks of four vectors of outputs; returns the first output not done. Lines
// whose weight is zero are left out of the sums: a zero product changes a sum at most in the sign
// of a zero, and both zeros round to the byte 0; so leaving those products out changes no output
// byte. The flat test reads every line. The products are not exact, so each is rounded before its
// add, as in the reference.
#if !ORV_FALLBACK_TARGET
template <typename Row, class Lines>
size_t LanczosBlocks(const Lines& lines, size_t count, uint8_t* HWY_RESTRICT out) {
  const DF df;
  const size_t L = hn::Lanes(df);
  const VD zero = hn::Zero(df);
  // The sums stay in registers across all the lines, and the flat test runs on the block's
  // bytes at once.
  const hn::Rebind<uint8_t, hn::Repartition<uint16_t, DF>> d4;  // 4 L bytes
  HWY_ALIGN uint8_t rounded[HWY_MAX_BYTES];
  const int k0 = lines.First(), m = lines.Summed(), n = lines.Lines();
  size_t o = 0;
  for (; o + 4 * L <= count; o += 4 * L) {
    VD a0 = zero, a1 = zero, a2 = zero, a3 = zero;
    if (k0 < m) {
      const VD w0 = hn::Set(df, lines.Weight(k0));
      const Row* r0 = lines.Values(k0) + o;
      a0 = hn::Mul(w0, LoadValues(r0));
      a1 = hn::Mul(w0, LoadValues(r0 + L));
      a2 = hn::Mul(w0, LoadValues(r0 + 2 * L));
      a3 = hn::Mul(w0, LoadValues(r0 + 3 * L));
      for (int k = k0 + 1; k < m; ++k) {
        if (lines.Skip(k)) continue;
        const VD wk = hn::Set(df, lines.Weight(k));
        const Row* r = lines.Values(k) + o;
        a0 = hn::Add(a0, hn::Mul(wk, LoadValues(r)));
        a1 = hn::Add(a1, hn::Mul(wk, LoadValues(r + L)));
        a2 = hn::Add(a2, hn::Mul(wk, LoadValues(r + 2 * L)));
        a3 = hn::Add(a3, hn::Mul(wk, LoadValues(r + 3 * L)));
      }
    }
    const auto first = hn::LoadU(d4, lines.Bytes(0) + o);
    auto flat = hn::Eq(first, first);
    for (int k = 1; k < n; ++k)
      flat = hn::And(flat, hn::Eq(hn::LoadU(d4, lines.Bytes(k) + o), first));
    // Mostly no byte of a block is flat: its sums go straight out. Reading the four stores back
    // as one vector would wait for them, since no store hands its bytes on to a wider load.
    uint8_t* const to = hn::AllFalse(d4, flat) ? out + o : rounded;
    StoreRoundedAway(a0, to);
    StoreRoundedAway(a1, to + L);
    StoreRoundedAway(a2, to + 2 * L);
    StoreRoundedAway(a3, to + 3 * L);
    if (to != rounded) continue;
    hn::StoreU(hn::IfThenElse(flat, first, hn::Load(d4, rounded)), d4, out + o);
  }
  return o;
}
#endif

// Lanczos over the lines of l: whole blocks as above, then single vectors, then the scalar
// formula for the bytes past the last vector.
template <typename Row>
void LanczosLine(const LanczosLines<Row>& l, size_t count, uint8_t* HWY_RESTRICT out) {
  int k0 = 0;
  while (k0 < l.n && l.weight[k0] == 0.0) ++k0;
  size_t o = 0;
#if !ORV_FALLBACK_TARGET
  const DF df;
  const size_t L = hn::Lanes(df);
  // Blocks of fewer than 32 outputs (four vectors of four doubles or fewer) take the lines'
  // addresses once: looking them up again for every block costs more than the block's sums save
  // (AVX2 halving 0.95 of gathering); wider blocks look them up as they go, which costs them less
  // than gathering (AVX-512 3 to 5 % slower when gathered).
  if (4 * L < 32 && l.n <= kGatheredLanczos) {
    GatheredLanczos<Row> g;
    g.n = l.n;
    for (int k = 0; k < l.n; ++k) {
      g.bytes[k] = l.Bytes(k);
      if (l.weight[k] == 0.0) continue;
      g.values[g.m] = l.Values(k);
      g.w[g.m++] = l.weight[k];
    }
    o = LanczosBlocks<Row>(g, count, out);
  } else {
    o = LanczosBlocks<Row>(DirectLanczos<Row>{l, k0}, count, out);
  }
  HWY_ALIGN uint8_t rounded[HWY_MAX_BYTES];
  // Single vectors for what is left, the flat test byte by byte.
  for (; o + L <= count; o += L) {
    VD acc = hn::Zero(df);
    if (k0 < l.n) acc = hn::Mul(hn::Set(df, l.weight[k0]), LoadValues(l.Values(k0) + o));
    for (int k = k0 + 1; k < l.n; ++k)
      if (l.weight[k] != 0.0)
        acc = hn::Add(acc, hn::Mul(hn::Set(df, l.weight[k]), LoadValues(l.Values(k) + o)));
    StoreRoundedAway(acc, rounded);
    for (size_t i = 0; i < L; ++i) out[o + i] = IsFlat(l, o + i) ? l.Bytes(0)[o + i] : rounded[i];
  }
#endif
  for (; o < count; ++o) out[o] = LanczosByte(l, k0, o);
}

void LanczosBytesV(const LanczosLines<uint8_t>& l, size_t count, uint8_t* out) {
  LanczosLine(l, count, out);
}

void LanczosDoublesV(const LanczosLines<double>& l, size_t count, uint8_t* out) {
  LanczosLine(l, count, out);
}

// The bytes as doubles.
void ToDoublesV(const uint8_t* HWY_RESTRICT src, size_t count, double* HWY_RESTRICT dst) {
  size_t i = 0;
#if !ORV_FALLBACK_TARGET
  const DF df;
  const size_t L = hn::Lanes(df);
  for (; i + L <= count; i += L)
    hn::StoreU(hn::PromoteTo(df, hn::PromoteTo(DI(), hn::LoadU(DB(), src + i))), df, dst + i);
#endif
  for (; i < count; ++i) dst[i] = src[i];
}

// The lines of a bilinear destination line, two ways: every line of a strided run, zero
// weights skipped as the sums go; or, when they fit a small table, only the lines with a weight,
// gathered once so that the sums run without a test.
struct StridedLines {
  const uint8_t* lines;
  size_t stride;
  const float* w;
  int n;
  bool Skip(int k) const { return w[k] == 0.f; }
  const uint8_t* Line(int k) const { return lines + size_t(k) * stride; }
  float Weight(int k) const { return w[k]; }
};
struct GatheredLines {
  const uint8_t* const* rows;
  const float* w;
  int n;
  static constexpr bool Skip(int) { return false; }
  const uint8_t* Line(int k) const { return rows[k]; }
  float Weight(int k) const { return w[k]; }
};

// Bilinear: the lines' float sums (a zero product added to a sum of non-negative products
// changes nothing, so lines with a zero weight are left out), each product rounded before its
// add; then int(double(sum) + 0.5) clamped to a byte. The lines come by value, so that their
// fields stay in registers instead of being loaded again for every line of every block.
template <class Lines>
void BilinearLines(const Lines l, size_t count, uint8_t* HWY_RESTRICT out) {
  size_t o = 0;
#if !ORV_FALLBACK_TARGET
  const hn::ScalableTag<float> dq;
  const hn::Rebind<int32_t, decltype(dq)> dqi;
  const hn::Rebind<uint8_t, decltype(dq)> dqb;
  const DF df;
  const hn::Half<decltype(dq)> dh;  // half the float lanes, as many as a double vector has
  const size_t L = hn::Lanes(dq);
  const auto floats = [&](const uint8_t* p) HWY_ATTR {
    return hn::ConvertTo(dq, hn::PromoteTo(dqi, hn::LoadU(dqb, p)));
  };
  const auto half = hn::Set(df, 0.5);
  // Sums of bytes with weights summing to 1: every truncation fits an int32. The halves are
  // taken in registers; through memory, the wide store and the narrower reloads stall.
  const auto halfUp = [&](hn::Vec<decltype(dq)> acc, uint8_t* to) HWY_ATTR {
    const auto lo = TruncateFitting(DI(), hn::Add(hn::PromoteTo(df, hn::LowerHalf(dh, acc)), half));
    const auto hi = TruncateFitting(DI(), hn::Add(hn::PromoteTo(df, hn::UpperHalf(dh, acc)), half));
    StoreClampedBytes2(DI(), lo, hi, to);
  };
  // Blocks of four vectors: each line's weight is set once for four.
  for (; o + 4 * L <= count; o += 4 * L) {
    auto a0 = hn::Zero(dq), a1 = hn::Zero(dq), a2 = hn::Zero(dq), a3 = hn::Zero(dq);
    for (int k = 0; k < l.n; ++k) {
      if (l.Skip(k)) continue;
      const auto wk = hn::Set(dq, l.Weight(k));
      const uint8_t* r = l.Line(k) + o;
      a0 = hn::Add(a0, hn::Mul(wk, floats(r)));
      a1 = hn::Add(a1, hn::Mul(wk, floats(r + L)));
      a2 = hn::Add(a2, hn::Mul(wk, floats(r + 2 * L)));
      a3 = hn::Add(a3, hn::Mul(wk, floats(r + 3 * L)));
    }
    halfUp(a0, out + o);
    halfUp(a1, out + o + L);
    halfUp(a2, out + o + 2 * L);
    halfUp(a3, out + o + 3 * L);
  }
  for (; o + L <= count; o += L) {
    auto acc = hn::Zero(dq);
    for (int k = 0; k < l.n; ++k)
      if (!l.Skip(k)) acc = hn::Add(acc, hn::Mul(hn::Set(dq, l.Weight(k)), floats(l.Line(k) + o)));
    halfUp(acc, out + o);
  }
#endif
  for (; o < count; ++o) {
    float acc = 0.f;
    for (int k = 0; k < l.n; ++k)
      if (!l.Skip(k)) acc += l.Weight(k) * float(l.Line(k)[o]);
    out[o] = RoundHalfUpToByte(acc);
  }
}

// The lines with a weight gathered when they fit kGathered; otherwise skipped as the sums go.
constexpr int kGathered = 64;

void BilinearV(const uint8_t* lines, size_t stride, const float* w, int n, size_t count,
               uint8_t* out) {
  if (n <= kGathered) {
    const uint8_t* rows[kGathered];
    float weights[kGathered];
    int m = 0;
    for (int k = 0; k < n; ++k) {
      if (w[k] == 0.f) continue;
      rows[m] = lines + size_t(k) * stride;
      weights[m++] = w[k];
    }
    return BilinearLines(GatheredLines{rows, weights, m}, count, out);
  }
  BilinearLines(StridedLines{lines, stride, w, n}, count, out);
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {
using resample_shared::LanczosLines;

HWY_EXPORT(LanczosBytesV);
HWY_EXPORT(LanczosDoublesV);
HWY_EXPORT(ToDoublesV);
HWY_EXPORT(BilinearV);

bool ResampleLineVector(const uint8_t* base, size_t stride, const int* index,
                        const double* weight, int n, size_t count, uint8_t* out) {
  if (ReferenceKernelsForced() || n < 1) return false;
  HWY_DYNAMIC_DISPATCH(LanczosBytesV)(LanczosLines<uint8_t>{base, base, 0, stride, index, weight, n},
                                      count, out);
  return true;
}

bool ResampleLineVectorFromDoubles(const uint8_t* base, const double* values, int first,
                                   size_t stride, const int* index, const double* weight, int n,
                                   size_t count, uint8_t* out) {
  if (ReferenceKernelsForced() || n < 1) return false;
  HWY_DYNAMIC_DISPATCH(LanczosDoublesV)(
      LanczosLines<double>{base, values, first, stride, index, weight, n}, count, out);
  return true;
}

bool BytesToDoublesVector(const uint8_t* src, size_t count, double* dst) {
  if (ReferenceKernelsForced()) return false;
  HWY_DYNAMIC_DISPATCH(ToDoublesV)(src, count, dst);
  return true;
}

bool ScaleLineVector(const uint8_t* base, size_t stride, int first, const float* weight, int n,
                     size_t count, uint8_t* out) {
  if (ReferenceKernelsForced()) return false;
  HWY_DYNAMIC_DISPATCH(BilinearV)(base + size_t(first) * stride, stride, weight, n < 0 ? 0 : n,
                                  count, out);
  return true;
}

}  // namespace orv
#endif
