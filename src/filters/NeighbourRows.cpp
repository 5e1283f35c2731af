// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/NeighbourRows.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "filters/VectorBytes-inl.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "filters/KernelPath.h"
#include "filters/NeighbourFilter.h"
#include "filters/NeighbourRows.h"

#ifndef ORV_NEIGHBOUR_ROWS_REFERENCE
#define ORV_NEIGHBOUR_ROWS_REFERENCE
namespace orv::neighbour_reference {

// The rows above, at and below the one being written (already replicated at the picture's top
// and bottom).
struct Rows {
  const uint8_t* up;
  const uint8_t* mid;
  const uint8_t* down;
};

inline Rows RowsAt(const uint8_t* src, int height, size_t stride, int y) {
  return {src + size_t(std::max(y - 1, 0)) * stride, src + size_t(y) * stride,
          src + size_t(std::min(y + 1, height - 1)) * stride};
}

// The eight neighbours of byte i: l and r are the byte offsets of the left and right neighbour
// of the same channel (0 at a replicated edge).
inline int Sum8(const Rows& w, int i, int l, int r) {
  return w.up[i - l] + w.up[i] + w.up[i + r] + w.mid[i - l] + w.mid[i + r] + w.down[i - l] +
         w.down[i] + w.down[i + r];
}

inline uint8_t Sharpen(int c, int sum, double s) {
  double v = c - s * (sum - 8 * c);
  v = v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
  return uint8_t(int(v));
}

inline uint8_t Soften(int c, int sum, double s, double keep) {
  return uint8_t(int(s * (sum / 8) + keep * c));
}

inline void Order(uint8_t& a, uint8_t& b) {
  uint8_t lo = std::min(a, b), hi = std::max(a, b);
  a = lo;
  b = hi;
}

// The exact median of nine by the usual nineteen compare-exchanges.
inline uint8_t Median9(uint8_t p0, uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5,
                       uint8_t p6, uint8_t p7, uint8_t p8) {
  Order(p1, p2), Order(p4, p5), Order(p7, p8), Order(p0, p1), Order(p3, p4), Order(p6, p7);
  Order(p1, p2), Order(p4, p5), Order(p7, p8), Order(p0, p3), Order(p5, p8), Order(p4, p7);
  Order(p3, p6), Order(p1, p4), Order(p2, p5), Order(p4, p7), Order(p4, p2), Order(p6, p4);
  Order(p4, p2);
  return p4;
}

inline uint8_t Median(const Rows& w, int i, int l, int r) {
  return Median9(w.up[i - l], w.up[i], w.up[i + r], w.mid[i - l], w.mid[i], w.mid[i + r],
                 w.down[i - l], w.down[i], w.down[i + r]);
}

// Bytes [from, to) of one row with the given neighbour offsets.
inline void FilterBytes(const Rows& w, uint8_t* out, int from, int to, int l, int r, int kind,
                        double s) {
  if (kind == kNeighbourSharpen) {
    for (int i = from; i < to; ++i) out[i] = Sharpen(w.mid[i], Sum8(w, i, l, r), s);
  } else if (kind == kNeighbourSoften) {
    if (s == 1.0) {
      // 1 x mean + 0 x centre: the mean of the neighbours exactly.
      for (int i = from; i < to; ++i) out[i] = uint8_t(Sum8(w, i, l, r) >> 3);
    } else {
      const double keep = 1 - s;
      for (int i = from; i < to; ++i) out[i] = Soften(w.mid[i], Sum8(w, i, l, r), s, keep);
    }
  } else {
    for (int i = from; i < to; ++i) out[i] = Median(w, i, l, r);
  }
}

// One row: the first and last pixel with their outer side replicated, inside [from, to) by
// inside(), which returns the first byte it did not handle.
template <typename Inside>
inline void Row(const Rows& w, uint8_t* out, int width, int kind, double s, Inside inside) {
  const int n = 3 * width;
  if (width == 1) return FilterBytes(w, out, 0, 3, 0, 0, kind, s);
  FilterBytes(w, out, 0, 3, 0, 3, kind, s);
  FilterBytes(w, out, inside(3, n - 3), n - 3, 3, 3, kind, s);
  FilterBytes(w, out, n - 3, n, 3, 0, kind, s);
}

// One row by the scalar code alone.
inline void ReferenceRow(const Rows& w, uint8_t* out, int width, int kind, double s) {
  Row(w, out, width, kind, s, [](int from, int) { return from; });
}

inline void FilterRows(const uint8_t* src, uint8_t* dst, int width, int height, int y0, int y1,
                       int kind, double s) {
  const size_t stride = size_t(width) * 3;
  for (int y = y0; y < y1; ++y)
    ReferenceRow(RowsAt(src, height, stride, y), dst + size_t(y) * stride, width, kind, s);
}

}  // namespace orv::neighbour_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
namespace ref = neighbour_reference;

#if ORV_FALLBACK_TARGET
void NeighbourRowsV(const uint8_t* src, uint8_t* dst, int width, int height, int y0, int y1,
                    int kind, double s) {
  ref::FilterRows(src, dst, width, height, y0, y1, kind, s);
}
void NeighbourRowV(const ref::Rows& w, uint8_t* out, int width, int kind, double s) {
  ref::ReferenceRow(w, out, width, kind, s);
}
#else
template <class D, class V>
HWY_INLINE void Order(D, V& a, V& b) {
  const V lo = hn::Min(a, b);
  b = hn::Max(a, b);
  a = lo;
}

// Keeps a loaded vector in a register: without it the compiler folds each load into every
// min and max that reads it, and the rows are read from memory twice.
template <class V>
HWY_INLINE void KeepInRegister(V& v) {
#if HWY_ARCH_X86
  asm("" : "+v"(v.raw));
#else
  (void)v;
#endif
}

// The median network on the byte vector at i (neighbours 3 bytes away).
template <class D>
HWY_INLINE void MedianVector(D d, const uint8_t* up, const uint8_t* mid, const uint8_t* down,
                             uint8_t* HWY_RESTRICT out, int i) {
  auto p0 = hn::LoadU(d, up + i - 3), p1 = hn::LoadU(d, up + i), p2 = hn::LoadU(d, up + i + 3);
  auto p3 = hn::LoadU(d, mid + i - 3), p4 = hn::LoadU(d, mid + i), p5 = hn::LoadU(d, mid + i + 3);
  auto p6 = hn::LoadU(d, down + i - 3), p7 = hn::LoadU(d, down + i),
       p8 = hn::LoadU(d, down + i + 3);
  KeepInRegister(p0), KeepInRegister(p1), KeepInRegister(p2), KeepInRegister(p3);
  KeepInRegister(p4), KeepInRegister(p5), KeepInRegister(p6), KeepInRegister(p7);
  KeepInRegister(p8);
  Order(d, p1, p2), Order(d, p4, p5), Order(d, p7, p8), Order(d, p0, p1), Order(d, p3, p4);
  Order(d, p6, p7), Order(d, p1, p2), Order(d, p4, p5), Order(d, p7, p8), Order(d, p0, p3);
  Order(d, p5, p8), Order(d, p4, p7), Order(d, p3, p6), Order(d, p1, p4), Order(d, p2, p5);
  Order(d, p4, p7), Order(d, p4, p2), Order(d, p6, p4), Order(d, p4, p2);
  hn::StoreU(p4, d, out + i);
}

// The median inside a row. A row part longer than a vector ends with one more vector flush with
// its end: the bytes it writes again get the same values, and no byte is left to the scalar code.
int MedianInside(const ref::Rows& w, uint8_t* HWY_RESTRICT out, int from, int to) {
  // At most 32 bytes a vector: the nine loads sit 3 bytes off any alignment, and a 64-byte one
  // then always spans two cache lines where a 32-byte one does half the time (on AVX-512 the
  // median ran 0.8 times as fast as with 32 bytes).
  const hn::CappedTag<uint8_t, 32> d;
  const int N = int(hn::Lanes(d));
  // The row pointers in locals: the stores through out could alias w for all the compiler knows.
  const uint8_t *up = w.up, *mid = w.mid, *down = w.down;
  if (to - from < N) return from;
  int i = from;
  for (; i + N <= to; i += N) MedianVector(d, up, mid, down, out, i);
  if (i < to) MedianVector(d, up, mid, down, out, to - N);
  return to;
}

// What SumsInside computes; one loop each, so no test on the kind runs per vector.
enum SumsKind { kSharpenSums, kSoftenSums, kMeanSums };

// Sharpen and soften inside a row: the neighbour sums in 16-bit lanes, then the reference's
// double operations in its order (no product fused into a sum), a double vector's worth at a time.
template <SumsKind Kind>
int SumsInside(const ref::Rows& w, uint8_t* HWY_RESTRICT out, int from, int to, double s) {
  const hn::ScalableTag<int16_t> d16;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const hn::ScalableTag<double> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<int16_t, decltype(df)> dh;
  const int N = int(hn::Lanes(d16)), F = int(hn::Lanes(df));
  const uint8_t *up = w.up, *mid = w.mid, *down = w.down;
  const auto load = [&](const uint8_t* p) HWY_ATTR { return hn::PromoteTo(d16, hn::LoadU(d8, p)); };
  const auto sV = hn::Set(df, s), keepV = hn::Set(df, 1 - s);
  const auto zero = hn::Zero(df), top = hn::Set(df, 255.0);
  HWY_ALIGN int16_t aw[HWY_MAX_BYTES / 2], cw[HWY_MAX_BYTES / 2];
  const auto block = [&](int i) HWY_ATTR {
    const auto sum = hn::Add(
        hn::Add(hn::Add(load(up + i - 3), load(up + i)), hn::Add(load(up + i + 3), load(mid + i - 3))),
        hn::Add(hn::Add(load(mid + i + 3), load(down + i - 3)),
                hn::Add(load(down + i), load(down + i + 3))));
    // The sums are never negative, so the shift is the division by 8.
    if constexpr (Kind == kMeanSums) {
      StoreLaneBytes(d16, hn::ShiftRight<3>(sum), out + i);
    } else {
      const auto c = load(mid + i);
      const auto a = Kind == kSharpenSums ? hn::Sub(sum, hn::ShiftLeft<3>(c)) : hn::ShiftRight<3>(sum);
      hn::Store(a, d16, aw);
      hn::Store(c, d16, cw);
      for (int g = 0; g < N; g += F) {
        const auto ad = hn::PromoteTo(df, hn::PromoteTo(di, hn::Load(dh, aw + g)));
        const auto cd = hn::PromoteTo(df, hn::PromoteTo(di, hn::Load(dh, cw + g)));
        hn::Vec<decltype(df)> v;
        if constexpr (Kind == kSharpenSums) {
          // The reference's clamp: v is never NaN, and Max and Min give its results, a zero
          // of either sign truncating to the byte 0 alike.
          v = hn::Min(hn::Max(hn::Sub(cd, hn::Mul(sV, ad)), zero), top);
        } else {
          // A mix of two bytes with weights summing to 1 stays within 0..255.
          v = hn::Add(hn::Mul(sV, ad), hn::Mul(keepV, cd));
        }
        StoreLaneBytes(di, TruncateFitting(di, v), out + i + g);
      }
    }
  };
  // As in MedianInside, a part longer than a vector ends with a vector flush with its end.
  if (to - from < N) return from;
  int i = from;
  for (; i + N <= to; i += N) block(i);
  if (i < to) block(to - N);
  return to;
}

void NeighbourRowV(const ref::Rows& w, uint8_t* out, int width, int kind, double s) {
  ref::Row(w, out, width, kind, s, [&](int from, int to) {
    if (kind == kNeighbourMedian) return MedianInside(w, out, from, to);
    if (kind == kNeighbourSharpen) return SumsInside<kSharpenSums>(w, out, from, to, s);
    if (s == 1.0) return SumsInside<kMeanSums>(w, out, from, to, s);
    return SumsInside<kSoftenSums>(w, out, from, to, s);
  });
}

void NeighbourRowsV(const uint8_t* src, uint8_t* dst, int width, int height, int y0, int y1,
                    int kind, double s) {
  const size_t stride = size_t(width) * 3;
  for (int y = y0; y < y1; ++y)
    NeighbourRowV(ref::RowsAt(src, height, stride, y), dst + size_t(y) * stride, width, kind, s);
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(NeighbourRowsV);
HWY_EXPORT(NeighbourRowV);

void NeighbourRows(const uint8_t* src, uint8_t* dst, int width, int height, int y0, int y1,
                   int kind, double s) {
  if (ReferenceKernelsForced())
    return neighbour_reference::FilterRows(src, dst, width, height, y0, y1, kind, s);
  HWY_DYNAMIC_DISPATCH(NeighbourRowsV)(src, dst, width, height, y0, y1, kind, s);
}

void NeighbourRow(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out,
                  int width, int kind, double s) {
  const neighbour_reference::Rows w{up, mid, down};
  if (ReferenceKernelsForced())
    return neighbour_reference::ReferenceRow(w, out, width, kind, s);
  HWY_DYNAMIC_DISPATCH(NeighbourRowV)(w, out, width, kind, s);
}

}  // namespace orv
#endif
