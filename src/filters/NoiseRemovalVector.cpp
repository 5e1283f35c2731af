// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/NoiseRemovalVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "filters/KernelPath.h"
#include "filters/NoiseRemovalVector.h"

#ifndef ORV_SPECKLE_ROW_KERNELS_REFERENCE
#define ORV_SPECKLE_ROW_KERNELS_REFERENCE
namespace orv::speckle_reference {

// The "+ 1" cases never overflow: a value that is raised is below a neighbour, and c - 1 > n is
// c > n + 1 for c >= 1 while c = 0 is never lowered.
inline void Row(SpeckleStep step, uint8_t* __restrict out, const uint8_t* __restrict in,
                ptrdiff_t o, int from, int n) {
  switch (step) {
    case SpeckleStep::kRaiseToward:
      for (int i = from; i < n; ++i) {
        uint8_t c = in[i], b = in[i + o];
        out[i] = uint8_t(c + (b > c));
      }
      break;
    case SpeckleStep::kLowerToward:
      for (int i = from; i < n; ++i) {
        uint8_t c = in[i], b = in[i + o];
        uint8_t c1 = uint8_t(c - (c != 0));
        out[i] = uint8_t(c - (c1 > b));
      }
      break;
    case SpeckleStep::kRaiseBetween:
      for (int i = from; i < n; ++i) {
        uint8_t a = in[i - o], c = in[i], b = in[i + o];
        out[i] = uint8_t(c + ((a >= c) & (b > c)));
      }
      break;
    case SpeckleStep::kLowerBetween:
      for (int i = from; i < n; ++i) {
        uint8_t a = in[i - o], c = in[i], b = in[i + o];
        uint8_t c1 = uint8_t(c - (c != 0));
        out[i] = uint8_t(c - ((c1 > a) & (b < c)));
      }
      break;
  }
}

inline void Split(const uint8_t* src, size_t from, size_t n, uint8_t* const (&p)[3]) {
  for (size_t i = from; i < n; ++i)
    for (int c = 0; c < 3; ++c) p[c][i] = src[3 * i + c];
}

inline void Join(const uint8_t* const (&p)[3], size_t from, size_t n, uint8_t* dst) {
  for (size_t i = from; i < n; ++i)
    for (int c = 0; c < 3; ++c) dst[3 * i + c] = p[c][i];
}

}  // namespace orv::speckle_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET
void SpeckleRowV(SpeckleStep step, uint8_t* out, const uint8_t* in, ptrdiff_t o, int n) {
  speckle_reference::Row(step, out, in, o, 0, n);
}
void SplitV(const uint8_t* src, size_t n, uint8_t* const (&p)[3]) {
  speckle_reference::Split(src, 0, n, p);
}
void JoinV(const uint8_t* const (&p)[3], size_t n, uint8_t* dst) {
  speckle_reference::Join(p, 0, n, dst);
}
#else
// Runs f on every whole vector of [0, n) and, when bytes are left, once more on the vector flush
// with n: out never aliases in, so the bytes written twice get the same values, and no row ends
// in scalar code (up to 63 bytes of every row on AVX-512). Returns the first byte not done.
template <class F>
HWY_INLINE int EachVector(int n, int N, const F& f) {
  if (n < N) return 0;
  int i = 0;
  for (; i + N <= n; i += N) f(i);
  if (i < n) f(n - N);
  return n;
}

// Each step moves a byte by at most one, so its amount is worked out as 0 or 1 with saturating
// arithmetic, which every target has for unsigned bytes: x > y exactly when x - y (saturated at
// 0) is at least 1, and min(x - y, 1) is then the amount. AVX2 has no unsigned byte comparison,
// which Highway makes of two sign flips and a signed one (the AVX2 filter ran at 0.94 of the last
// round's kernel).
void SpeckleRowV(SpeckleStep step, uint8_t* HWY_RESTRICT out, const uint8_t* HWY_RESTRICT in,
                 ptrdiff_t o, int n) {
  const hn::ScalableTag<uint8_t> d;
  const int N = int(hn::Lanes(d));
  const auto one = hn::Set(d, 1);
  // 1 where x > y, else 0.
  const auto above = [&](auto x, auto y) HWY_ATTR { return hn::Min(hn::SaturatedSub(x, y), one); };
  int i = 0;
  switch (step) {
    case SpeckleStep::kRaiseToward:
      i = EachVector(n, N, [&](int at) HWY_ATTR {
        const auto c = hn::LoadU(d, in + at), b = hn::LoadU(d, in + at + o);
        hn::StoreU(hn::Add(c, above(b, c)), d, out + at);
      });
      break;
    case SpeckleStep::kLowerToward:
      i = EachVector(n, N, [&](int at) HWY_ATTR {
        const auto c = hn::LoadU(d, in + at), b = hn::LoadU(d, in + at + o);
        hn::StoreU(hn::Sub(c, above(hn::SaturatedSub(c, one), b)), d, out + at);
      });
      break;
    case SpeckleStep::kRaiseBetween:
      i = EachVector(n, N, [&](int at) HWY_ATTR {
        const auto a = hn::LoadU(d, in + at - o), c = hn::LoadU(d, in + at),
                   b = hn::LoadU(d, in + at + o);
        // Raised where b > c and a >= c: the amount less c - a (0 exactly when a >= c).
        const auto raise = hn::SaturatedSub(above(b, c), hn::SaturatedSub(c, a));
        hn::StoreU(hn::Add(c, raise), d, out + at);
      });
      break;
    case SpeckleStep::kLowerBetween:
      i = EachVector(n, N, [&](int at) HWY_ATTR {
        const auto a = hn::LoadU(d, in + at - o), c = hn::LoadU(d, in + at),
                   b = hn::LoadU(d, in + at + o);
        // Lowered where c - 1 > a and c > b: the smaller of the two amounts.
        const auto lower = hn::Min(above(hn::SaturatedSub(c, one), a), hn::SaturatedSub(c, b));
        hn::StoreU(hn::Sub(c, lower), d, out + at);
      });
      break;
  }
  speckle_reference::Row(step, out, in, o, i, n);
}

void SplitV(const uint8_t* HWY_RESTRICT src, size_t n, uint8_t* const (&p)[3]) {
  const hn::ScalableTag<uint8_t> d;
  const size_t N = hn::Lanes(d);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    hn::Vec<decltype(d)> c0, c1, c2;
    hn::LoadInterleaved3(d, src + 3 * i, c0, c1, c2);
    hn::StoreU(c0, d, p[0] + i);
    hn::StoreU(c1, d, p[1] + i);
    hn::StoreU(c2, d, p[2] + i);
  }
  speckle_reference::Split(src, i, n, p);
}

void JoinV(const uint8_t* const (&p)[3], size_t n, uint8_t* HWY_RESTRICT dst) {
  const hn::ScalableTag<uint8_t> d;
  const size_t N = hn::Lanes(d);
  size_t i = 0;
  for (; i + N <= n; i += N)
    hn::StoreInterleaved3(hn::LoadU(d, p[0] + i), hn::LoadU(d, p[1] + i), hn::LoadU(d, p[2] + i),
                          d, dst + 3 * i);
  speckle_reference::Join(p, i, n, dst);
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(SpeckleRowV);
HWY_EXPORT(SplitV);
HWY_EXPORT(JoinV);

void SpeckleRow(SpeckleStep step, uint8_t* out, const uint8_t* in, ptrdiff_t o, int n) {
  if (ReferenceKernelsForced()) return speckle_reference::Row(step, out, in, o, 0, n);
  HWY_DYNAMIC_DISPATCH(SpeckleRowV)(step, out, in, o, n);
}

void SplitChannels(const uint8_t* pixels, size_t n, uint8_t* const (&p)[3]) {
  if (ReferenceKernelsForced()) return speckle_reference::Split(pixels, 0, n, p);
  HWY_DYNAMIC_DISPATCH(SplitV)(pixels, n, p);
}

void JoinChannels(const uint8_t* const (&p)[3], size_t n, uint8_t* pixels) {
  if (ReferenceKernelsForced()) return speckle_reference::Join(p, 0, n, pixels);
  HWY_DYNAMIC_DISPATCH(JoinV)(p, n, pixels);
}

}  // namespace orv
#endif
