// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/LumaRow.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "filters/KernelPath.h"
#include "filters/LumaRow.h"

#ifndef ORV_LUMA_ROW_REFERENCE
#define ORV_LUMA_ROW_REFERENCE
namespace orv::luma_reference {

struct LumaTables {
  double r[256], g[256], b[256];
  LumaTables() {
    for (int i = 0; i < 256; ++i) {
      r[i] = 0.299 * i;
      g[i] = 0.587 * i;
      b[i] = 0.114 * i;
    }
  }
};
inline const LumaTables kLuma;

// The same weights in thousandths: 299 R + 587 G + 114 B is the exact luminance times 1000.
// Its quotient by 1000 equals the truncated double sum whenever the exact value is not a whole
// number (it is then at least 0.001 from one, far beyond the rounding error of the doubles);
// only whole values, which the double sum may land just below, take the double sum.
inline uint8_t LumaDouble(const uint8_t* p) {
  return uint8_t(int(kLuma.r[p[0]] + kLuma.g[p[1]] + kLuma.b[p[2]]));
}

// 299 R, 587 G and 114 B looked up: three loads a pixel run faster than three multiplies on
// some processors (a fifth of the reference luma row's time).
struct LumaIntTables {
  uint32_t r[256], g[256], b[256];
  LumaIntTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      r[i] = 299u * i;
      g[i] = 587u * i;
      b[i] = 114u * i;
    }
  }
};
inline const LumaIntTables kLumaInt;

inline uint8_t Luma(const uint8_t* p) {
  const uint32_t s = kLumaInt.r[p[0]] + kLumaInt.g[p[1]] + kLumaInt.b[p[2]];
  const uint32_t q = s / 1000;
  if (s != q * 1000) [[likely]]
    return uint8_t(q);
  return LumaDouble(p);
}

inline void Row(const uint8_t* rgb, uint8_t* luma, size_t from, size_t count) {
  for (size_t i = from; i < count; ++i) luma[i] = Luma(rgb + 3 * i);
}

}  // namespace orv::luma_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET
void LumaRowV(const uint8_t* rgb, uint8_t* luma, size_t count) {
  luma_reference::Row(rgb, luma, 0, count);
}
#else
// A vector of bytes is split into its channels, and each half of it is widened to 16-bit lanes.
// The exact sum s = 299 R + 587 G + 114 B needs 18 bits, but it is 256 (R + 2 G) + lo with
// lo = 43 R + 75 G + 114 B < 2^16, so t = s >> 3 = 32 (R + 2 G) + (lo >> 3) < 2^15, and the
// quotient by 1000 is ((t x 33555) >> 16) >> 6 (exact for every s up to 255000): all in 16-bit
// lanes, twice as many a vector as 32-bit ones. s is a multiple of 1000 when lo & 7 is 0 and t is
// 125 times the quotient; a half holding such a pixel takes the reference for its pixels.
//
// The luma of one half's pixels as bytes; `whole` is set when one of them takes the reference.
// The constants come as arguments (wr, wg, wb: 43, 75, 114; magic: 33555; times125: 125), one
// each: SVE vectors cannot be members of a struct or an array.
template <class D16, class V16>
HWY_INLINE auto LumaHalf(D16 d16, V16 r, V16 g, V16 b, V16 wr, V16 wg, V16 wb, V16 magic,
                         V16 times125, bool& whole) {
  const hn::Rebind<uint8_t, D16> d8h;
  const hn::RebindToSigned<D16> di16;
  const auto lo = hn::Add(hn::Add(hn::Mul(r, wr), hn::Mul(g, wg)), hn::Mul(b, wb));
  const auto t = hn::Add(hn::ShiftLeft<5>(hn::Add(r, hn::Add(g, g))), hn::ShiftRight<3>(lo));
  const auto q = hn::ShiftRight<6>(hn::MulHigh(t, magic));
  whole = !hn::AllFalse(d16, hn::And(hn::Eq(hn::And(lo, hn::Set(d16, 7)), hn::Zero(d16)),
                                     hn::Eq(t, hn::Mul(q, times125))));
  return hn::DemoteTo(d8h, hn::BitCast(di16, q));
}

void LumaRowV(const uint8_t* HWY_RESTRICT rgb, uint8_t* HWY_RESTRICT luma, size_t count) {
  const hn::ScalableTag<uint8_t> d8;
  const hn::Half<decltype(d8)> d8h;
  const hn::Repartition<uint16_t, decltype(d8)> d16;
  const size_t N = hn::Lanes(d8), H = hn::Lanes(d16);
  auto wr = hn::Set(d16, 43), wg = hn::Set(d16, 75), wb = hn::Set(d16, 114);
  auto magic = hn::Set(d16, 33555), times125 = hn::Set(d16, 125);
#if HWY_TARGET == HWY_SSE4
  // Hidden from the optimizer: GCC 12 turns each multiply by a known constant into a chain of
  // shifts and adds, longer than the one multiply on SSE4 (its luma row took a sixth more
  // time); on AVX2 and AVX-512 the chains are the faster.
  asm("" : "+v"(wr.raw), "+v"(wg.raw), "+v"(wb.raw), "+v"(magic.raw), "+v"(times125.raw));
#endif
  size_t i = 0;
  for (; i + N <= count; i += N) {
    hn::Vec<decltype(d8)> r, g, b;
    hn::LoadInterleaved3(d8, rgb + 3 * i, r, g, b);
    bool wholeLow = false, wholeHigh = false;
    const auto low = LumaHalf(
        d16, hn::PromoteTo(d16, hn::LowerHalf(d8h, r)), hn::PromoteTo(d16, hn::LowerHalf(d8h, g)),
        hn::PromoteTo(d16, hn::LowerHalf(d8h, b)), wr, wg, wb, magic, times125, wholeLow);
    const auto high = LumaHalf(
        d16, hn::PromoteTo(d16, hn::UpperHalf(d8h, r)), hn::PromoteTo(d16, hn::UpperHalf(d8h, g)),
        hn::PromoteTo(d16, hn::UpperHalf(d8h, b)), wr, wg, wb, magic, times125, wholeHigh);
    hn::StoreU(hn::Combine(d8, high, low), d8, luma + i);
    if (wholeLow || wholeHigh) [[unlikely]] {
      for (size_t p = wholeLow ? i : i + H; p < (wholeHigh ? i + N : i + H); ++p)
        luma[p] = luma_reference::Luma(rgb + 3 * p);
    }
  }
  luma_reference::Row(rgb, luma, i, count);
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(LumaRowV);

void LumaRow(const uint8_t* rgb, uint8_t* luma, size_t count) {
  if (ReferenceKernelsForced()) return luma_reference::Row(rgb, luma, 0, count);
  HWY_DYNAMIC_DISPATCH(LumaRowV)(rgb, luma, count);
}

}  // namespace orv
#endif
