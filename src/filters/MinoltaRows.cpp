// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/MinoltaRows.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>

#include "filters/VectorBytes-inl.h"

#include "filters/KernelPath.h"
#include "filters/MinoltaRows.h"

#ifndef ORV_MINOLTA_ROWS_REFERENCE
#define ORV_MINOLTA_ROWS_REFERENCE
namespace orv::minolta_reference {

inline double Clamp01(double v) {
  return v < 0.0 ? 0.0 : v > 1.0 ? 1.0 : v;
}

// Pixels [from, count): each matrix row summed left to right.
inline void Run(uint8_t* rgb, size_t from, size_t count, const double* lin, const Matrix3& m,
                const uint8_t* encode) {
  for (uint8_t *p = rgb + 3 * from, *end = rgb + 3 * count; p != end; p += 3) {
    const double r = lin[p[0]], g = lin[p[1]], b = lin[p[2]];
    const double x = Clamp01(m[0] * r + m[1] * g + m[2] * b);
    const double y = Clamp01(m[3] * r + m[4] * g + m[5] * b);
    const double z = Clamp01(m[6] * r + m[7] * g + m[8] * b);
    p[0] = encode[int(x * 511)];
    p[1] = encode[int(y * 511)];
    p[2] = encode[int(z * 511)];
  }
}

}  // namespace orv::minolta_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET
void MatchV(uint8_t* rgb, size_t count, const double* linear, const Matrix3& m,
            const uint8_t* encode) {
  minolta_reference::Run(rgb, 0, count, linear, m, encode);
}
#else
// One matrix row (x, y, z) on the lanes, summed left to right as the reference does (no product
// fused into a sum); then the reference's clamp to 0..1 (v is never NaN; a zero of either sign
// indexes 0) and the truncation of its int() after scaling by 511, stored as table indices. The
// constants come in as values, kept in registers by the caller like the matrix.
template <class DI, class V>
HWY_INLINE void MatrixRow(DI di, V x, V y, V z, V r, V g, V b, V zero, V one, V scale,
                          int32_t* HWY_RESTRICT out) {
  const V v = hn::Add(hn::Add(hn::Mul(x, r), hn::Mul(y, g)), hn::Mul(z, b));
  hn::Store(TruncateFitting(di, hn::Mul(hn::Min(hn::Max(v, zero), one), scale)), di, out);
}

// A step of eight pixels, or of one vector where that holds more: the linear values are read
// into channel rows, the three matrix rows run on the lanes (MatrixRow), and the indices go back
// through the encode table.
void MatchV(uint8_t* HWY_RESTRICT rgb, size_t count, const double* HWY_RESTRICT linear,
            const Matrix3& m, const uint8_t* HWY_RESTRICT encode) {
  const hn::ScalableTag<double> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const size_t N = hn::Lanes(df);
  const size_t step = std::max(N, 8 / N * N);  // whole vectors
  constexpr size_t kMostLanes = std::max<size_t>(HWY_MAX_BYTES / sizeof(double), 8);
  HWY_ALIGN double in[3][kMostLanes];
  // Two sets of indices: a step's table reads and byte stores use the indices of the step
  // before, stored a whole step earlier, so no load waits for the vector store it reads from.
  HWY_ALIGN int32_t index[2][3][kMostLanes];
  const auto zero = hn::Zero(df), one = hn::Set(df, 1.0), scale = hn::Set(df, 511.0);
  // The matrix in registers: the barrier below would otherwise make the loop load it again.
  // (Nine variables: SVE vectors have no size and cannot be array elements.)
  const auto m0 = hn::Set(df, m[0]), m1 = hn::Set(df, m[1]), m2 = hn::Set(df, m[2]);
  const auto m3 = hn::Set(df, m[3]), m4 = hn::Set(df, m[4]), m5 = hn::Set(df, m[5]);
  const auto m6 = hn::Set(df, m[6]), m7 = hn::Set(df, m[7]), m8 = hn::Set(df, m[8]);
  // The pixels of the step before, whose indices wait in index[1 - now].
  uint8_t* pending = nullptr;
  int now = 0;
  const auto store = [&](uint8_t* pixels, const int32_t (*ready)[kMostLanes]) {
    // Each pixel's bytes are stored one by one through an address the compiler cannot follow:
    // left to itself it gathers a step's bytes into vectors with a lane insert each, which
    // costs a fifth of the time on AVX-512 and on AVX2.
    for (size_t k = 0; k < step; ++k) {
      uint8_t* out = pixels + 3 * k;
      asm("" : "+r"(out));
      for (int c = 0; c < 3; ++c) out[c] = encode[ready[c][k]];
    }
  };
  size_t i = 0;
  for (; i + step <= count; i += step) {
    uint8_t* p = rgb + 3 * i;
    for (size_t k = 0; k < step; ++k)
      for (int c = 0; c < 3; ++c) in[c][k] = linear[p[3 * k + c]];
    for (size_t at = 0; at < step; at += N) {
      const auto r = hn::Load(df, in[0] + at), g = hn::Load(df, in[1] + at),
                 b = hn::Load(df, in[2] + at);
      MatrixRow(di, m0, m1, m2, r, g, b, zero, one, scale, index[now][0] + at);
      MatrixRow(di, m3, m4, m5, r, g, b, zero, one, scale, index[now][1] + at);
      MatrixRow(di, m6, m7, m8, r, g, b, zero, one, scale, index[now][2] + at);
    }
    // The table reads take the indices from memory: left to itself the compiler pulls them out
    // of the vector registers one lane at a time, which costs more than the reads.
    asm volatile("" : : "r"(index) : "memory");
    if (pending) store(pending, index[1 - now]);
    pending = p;
    now = 1 - now;
  }
  if (pending) store(pending, index[1 - now]);
  minolta_reference::Run(rgb, i, count, linear, m, encode);
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(MatchV);

void MatchMinoltaRun(uint8_t* rgb, size_t count, const double* linear, const Matrix3& m,
                     const uint8_t* encode) {
  if (ReferenceKernelsForced()) return minolta_reference::Run(rgb, 0, count, linear, m, encode);
  HWY_DYNAMIC_DISPATCH(MatchV)(rgb, count, linear, m, encode);
}

}  // namespace orv
#endif
