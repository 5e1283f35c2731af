// The resamplers' line kernels, compiled once per vector target through Highway's
// foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/ResampleVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstring>

#include "filters/KernelPath.h"
#include "filters/ResampleVector.h"

#ifndef ORV_RESAMPLE_VECTOR_SHARED
#define ORV_RESAMPLE_VECTOR_SHARED
namespace orv::resample_shared {

constexpr int kMaxLines = kMaxVectorLines;

// The scalar formulas, for the bytes past the last vector block; the same as the reference code.
inline uint8_t RoundAwayToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  const int i = int(v);
  return uint8_t(v - i >= 0.5 ? i + 1 : i);
}

inline bool IsFlat(const uint8_t* const* all, int n, size_t o) {
  for (int k = 1; k < n; ++k)
    if (all[k][o] != all[0][o]) return false;
  return true;
}

template <typename Row>
inline uint8_t LanczosByte(const uint8_t* const* all, int n, const double* w,
                           const Row* const* rows, int m, size_t o) {
  if (IsFlat(all, n, o)) return all[0][o];
  double acc = 0.0;
  if (m > 0) acc = w[0] * rows[0][o];
  for (int k = 1; k < m; ++k) acc += w[k] * rows[k][o];
  return RoundAwayToByte(acc);
}

inline uint8_t RoundHalfUpToByte(float v) {
  const int i = int(double(v) + 0.5);
  return uint8_t(i < 0 ? 0 : i > 255 ? 255 : i);
}

inline uint8_t BilinearByte(const uint8_t* const* rows, const float* w, int m, size_t o) {
  float acc = 0.f;
  for (int k = 0; k < m; ++k) acc += w[k] * float(rows[k][o]);
  return RoundHalfUpToByte(acc);
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

// Lanczos: all[0..n) are every contributing line (the flat test reads them all), rows[0..m)
// with w[0..m) only those whose weight is not zero. A zero weight adds a zero product, which
// changes a sum at most in the sign of a zero, and both zeros round to the byte 0; so leaving
// those products out changes no output byte. The summed lines are bytes or the same values as
// doubles (Row). The products are not exact, so each is rounded before its add, as in the
// reference.
template <typename Row>
void LanczosLine(const uint8_t* const* all, int n, const Row* const* rows, const double* w, int m,
                 size_t count, uint8_t* HWY_RESTRICT out) {
  size_t o = 0;
#if !ORV_FALLBACK_TARGET
  const DF df;
  const DI di;
  const DB db;
  const size_t L = hn::Lanes(df);
  const auto load = [&](const Row* p) HWY_ATTR {
    if constexpr (sizeof(Row) == 1)
      return hn::PromoteTo(df, hn::PromoteTo(di, hn::LoadU(db, p)));
    else
      return hn::LoadU(df, p);
  };
  // Clamp to 0..255 (anything not above 0 gives 0), then add 1 to the truncation where the
  // fraction is at least a half; every step is exact.
  const auto zero = hn::Zero(df), top = hn::Set(df, 255.0), half = hn::Set(df, 0.5),
             one = hn::Set(df, 1.0);
  const auto roundAway = [&](VD v, uint8_t* to) HWY_ATTR {
    const VD c = hn::Min(hn::Max(v, zero), top);
    const VD t = hn::Trunc(c);
    const VD r = hn::IfThenElse(hn::Ge(hn::Sub(c, t), half), hn::Add(t, one), t);
    hn::StoreU(hn::DemoteTo(db, hn::DemoteTo(di, r)), db, to);
  };
  const auto sum = [&](size_t at) HWY_ATTR {
    VD acc = zero;
    if (m > 0) acc = hn::Mul(hn::Set(df, w[0]), load(rows[0] + at));
    for (int k = 1; k < m; ++k) acc = hn::Add(acc, hn::Mul(hn::Set(df, w[k]), load(rows[k] + at)));
    return acc;
  };
  // Blocks of four vectors: the sums stay in registers across all the lines, and the flat test
  // runs on the block's bytes at once.
  const hn::Rebind<uint8_t, hn::Repartition<uint16_t, DF>> d4;  // 4 L bytes
  HWY_ALIGN uint8_t rounded[HWY_MAX_BYTES];
  for (; o + 4 * L <= count; o += 4 * L) {
    VD a0 = zero, a1 = zero, a2 = zero, a3 = zero;
    if (m > 0) {
      const VD w0 = hn::Set(df, w[0]);
      a0 = hn::Mul(w0, load(rows[0] + o));
      a1 = hn::Mul(w0, load(rows[0] + o + L));
      a2 = hn::Mul(w0, load(rows[0] + o + 2 * L));
      a3 = hn::Mul(w0, load(rows[0] + o + 3 * L));
      for (int k = 1; k < m; ++k) {
        const VD wk = hn::Set(df, w[k]);
        const Row* r = rows[k] + o;
        a0 = hn::Add(a0, hn::Mul(wk, load(r)));
        a1 = hn::Add(a1, hn::Mul(wk, load(r + L)));
        a2 = hn::Add(a2, hn::Mul(wk, load(r + 2 * L)));
        a3 = hn::Add(a3, hn::Mul(wk, load(r + 3 * L)));
      }
    }
    roundAway(a0, rounded);
    roundAway(a1, rounded + L);
    roundAway(a2, rounded + 2 * L);
    roundAway(a3, rounded + 3 * L);
    const auto first = hn::LoadU(d4, all[0] + o);
    auto flat = hn::Eq(first, first);
    for (int k = 1; k < n; ++k) flat = hn::And(flat, hn::Eq(hn::LoadU(d4, all[k] + o), first));
    hn::StoreU(hn::IfThenElse(flat, first, hn::Load(d4, rounded)), d4, out + o);
  }
  // Single vectors for what is left, the flat test byte by byte.
  for (; o + L <= count; o += L) {
    roundAway(sum(o), rounded);
    for (size_t i = 0; i < L; ++i)
      out[o + i] = IsFlat(all, n, o + i) ? all[0][o + i] : rounded[i];
  }
#endif
  for (; o < count; ++o) out[o] = LanczosByte(all, n, w, rows, m, o);
}

void LanczosBytesV(const uint8_t* const* all, int n, const uint8_t* const* rows, const double* w,
                   int m, size_t count, uint8_t* out) {
  LanczosLine(all, n, rows, w, m, count, out);
}

void LanczosDoublesV(const uint8_t* const* all, int n, const double* const* rows, const double* w,
                     int m, size_t count, uint8_t* out) {
  LanczosLine(all, n, rows, w, m, count, out);
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

// Bilinear: rows[0..m) with w[0..m), zero weights already left out (a zero product added to a
// sum of non-negative products changes nothing). Float sums, each product rounded before its
// add; then int(double(sum) + 0.5) clamped to a byte.
void BilinearV(const uint8_t* const* rows, const float* w, int m, size_t count,
               uint8_t* HWY_RESTRICT out) {
  size_t o = 0;
#if !ORV_FALLBACK_TARGET
  const hn::ScalableTag<float> dq;
  const hn::Rebind<int32_t, decltype(dq)> dqi;
  const hn::Rebind<uint8_t, decltype(dq)> dqb;
  const DF df;
  const hn::Rebind<float, DF> dh;  // half the float lanes
  const size_t L = hn::Lanes(dq), H = hn::Lanes(df);
  const auto floats = [&](const uint8_t* p) HWY_ATTR {
    return hn::ConvertTo(dq, hn::PromoteTo(dqi, hn::LoadU(dqb, p)));
  };
  HWY_ALIGN float sums[HWY_MAX_BYTES / sizeof(float)];
  const auto halfUp = [&](hn::Vec<decltype(dq)> acc, uint8_t* to) HWY_ATTR {
    hn::Store(acc, dq, sums);
    const auto zero = hn::Zero(DI()), top = hn::Set(DI(), 255);
    for (size_t h = 0; h < L; h += H) {
      const auto i = hn::DemoteTo(
          DI(), hn::Add(hn::PromoteTo(df, hn::Load(dh, sums + h)), hn::Set(df, 0.5)));
      hn::StoreU(hn::DemoteTo(DB(), hn::Min(hn::Max(i, zero), top)), DB(), to + h);
    }
  };
  for (; o + 2 * L <= count; o += 2 * L) {
    auto a0 = hn::Zero(dq), a1 = hn::Zero(dq);
    for (int k = 0; k < m; ++k) {
      const auto wk = hn::Set(dq, w[k]);
      const uint8_t* r = rows[k] + o;
      a0 = hn::Add(a0, hn::Mul(wk, floats(r)));
      a1 = hn::Add(a1, hn::Mul(wk, floats(r + L)));
    }
    halfUp(a0, out + o);
    halfUp(a1, out + o + L);
  }
  for (; o + L <= count; o += L) {
    auto acc = hn::Zero(dq);
    for (int k = 0; k < m; ++k) acc = hn::Add(acc, hn::Mul(hn::Set(dq, w[k]), floats(rows[k] + o)));
    halfUp(acc, out + o);
  }
#endif
  for (; o < count; ++o) out[o] = BilinearByte(rows, w, m, o);
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {
using namespace resample_shared;

HWY_EXPORT(LanczosBytesV);
HWY_EXPORT(LanczosDoublesV);
HWY_EXPORT(ToDoublesV);
HWY_EXPORT(BilinearV);

namespace {

// The Lanczos line with the sums read from rows (bytes, or the same values as doubles at
// values + (index - first) x stride).
template <typename Row>
bool LanczosLineFor(const uint8_t* base, const Row* rowBase, int first, size_t stride,
                    const int* index, const double* weight, int n, size_t count, uint8_t* out) {
  if (ReferenceKernelsForced() || n < 1 || n > kMaxLines) return false;
  const uint8_t* all[kMaxLines];
  const Row* rows[kMaxLines];
  double w[kMaxLines];
  int m = 0;
  for (int k = 0; k < n; ++k) {
    all[k] = base + size_t(index[k]) * stride;
    if (weight[k] != 0.0) {
      rows[m] = rowBase + size_t(index[k] - first) * stride;
      w[m++] = weight[k];
    }
  }
  if constexpr (sizeof(Row) == 1)
    HWY_DYNAMIC_DISPATCH(LanczosBytesV)(all, n, rows, w, m, count, out);
  else
    HWY_DYNAMIC_DISPATCH(LanczosDoublesV)(all, n, rows, w, m, count, out);
  return true;
}

}  // namespace

bool ResampleLineVector(const uint8_t* base, size_t stride, const int* index,
                        const double* weight, int n, size_t count, uint8_t* out) {
  return LanczosLineFor(base, base, 0, stride, index, weight, n, count, out);
}

bool ResampleLineVectorFromDoubles(const uint8_t* base, const double* values, int first,
                                   size_t stride, const int* index, const double* weight, int n,
                                   size_t count, uint8_t* out) {
  return LanczosLineFor(base, values, first, stride, index, weight, n, count, out);
}

bool BytesToDoublesVector(const uint8_t* src, size_t count, double* dst) {
  if (ReferenceKernelsForced()) return false;
  HWY_DYNAMIC_DISPATCH(ToDoublesV)(src, count, dst);
  return true;
}

bool ScaleLineVector(const uint8_t* base, size_t stride, int first, const float* weight, int n,
                     size_t count, uint8_t* out) {
  if (ReferenceKernelsForced() || n < 0 || n > kMaxLines) return false;
  const uint8_t* rows[kMaxLines];
  float w[kMaxLines];
  int m = 0;
  for (int k = 0; k < n; ++k) {
    if (weight[k] == 0.f) continue;
    rows[m] = base + size_t(first + k) * stride;
    w[m++] = weight[k];
  }
  HWY_DYNAMIC_DISPATCH(BilinearV)(rows, w, m, count, out);
  return true;
}

}  // namespace orv
#endif
