// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The luma of a vector of pixels in 16-bit lanes, for the kernels that need it (the luma row,
// auto balance's move and mix).
//
// Included by a kernel file after hwy/highway.h, inside its per-target part (once per target,
// as Highway's own -inl headers are).

#if defined(ORV_FILTERS_LUMA_VECTOR_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef ORV_FILTERS_LUMA_VECTOR_INL_H_
#undef ORV_FILTERS_LUMA_VECTOR_INL_H_
#else
#define ORV_FILTERS_LUMA_VECTOR_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Not on the one-lane fallback target (ORV_FALLBACK_TARGET, VectorTarget.h), whose kernels run
// the reference code.
#if !ORV_FALLBACK_TARGET
// A vector of bytes is split into its channels, and each half of it is widened to 16-bit lanes.
// The exact sum s = 299 R + 587 G + 114 B needs 18 bits, but it is 256 (R + 2 G) + lo with
// lo = 43 R + 75 G + 114 B < 2^16, so t = s >> 3 = 32 (R + 2 G) + (lo >> 3) < 2^15, and the
// quotient by 1000 is ((t x 33555) >> 16) >> 6 (exact for every s up to 255000): all in 16-bit
// lanes, twice as many a vector as 32-bit ones. s is a multiple of 1000 when lo & 7 is 0 and t is
// 125 times the quotient: the double sum may then land just below it, and the vector holding such
// a pixel takes the reference's sums (LumaByDoubles).
//
// The luma of one half's pixels as bytes; `whole` is set when one of them is such a pixel.
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

// The luma of the pixels of one vector of each channel, as bytes; `whole` is set when one of
// them has a whole exact luma (its lane may then be one above the reference's).
template <class D8, class V8, class V16>
HWY_INLINE V8 LumaOfChannels(D8 d8, V8 r, V8 g, V8 b, V16 wr, V16 wg, V16 wb, V16 magic,
                             V16 times125, bool& whole) {
  const hn::Half<D8> d8h;
  const hn::Repartition<uint16_t, D8> d16;
  bool wholeLow = false, wholeHigh = false;
  const auto low = LumaHalf(
      d16, hn::PromoteTo(d16, hn::LowerHalf(d8h, r)), hn::PromoteTo(d16, hn::LowerHalf(d8h, g)),
      hn::PromoteTo(d16, hn::LowerHalf(d8h, b)), wr, wg, wb, magic, times125, wholeLow);
  const auto high = LumaHalf(
      d16, hn::PromoteTo(d16, hn::UpperHalf(d8h, r)), hn::PromoteTo(d16, hn::UpperHalf(d8h, g)),
      hn::PromoteTo(d16, hn::UpperHalf(d8h, b)), wr, wg, wb, magic, times125, wholeHigh);
  whole = wholeLow || wholeHigh;
  return hn::Combine(d8, high, low);
}

// The reference luma, trunc(0.299 R + 0.587 G + 0.114 B) with the products and sums as doubles
// in that order, of the lanes of 32-bit vectors: for the pixels whose exact luma is a whole
// number, which the 16-bit sum cannot tell from the one below it.
template <class D32, class V32>
HWY_INLINE V32 LumaByDoubles32(D32 d32, V32 r, V32 g, V32 b) {
  const hn::Half<D32> d32h;
  const hn::Rebind<double, decltype(d32h)> df;
  const auto wr = hn::Set(df, 0.299), wg = hn::Set(df, 0.587), wb = hn::Set(df, 0.114);
  const auto lo = hn::Add(hn::Add(hn::Mul(hn::PromoteTo(df, hn::LowerHalf(d32h, r)), wr),
                                  hn::Mul(hn::PromoteTo(df, hn::LowerHalf(d32h, g)), wg)),
                          hn::Mul(hn::PromoteTo(df, hn::LowerHalf(d32h, b)), wb));
  const auto hi = hn::Add(hn::Add(hn::Mul(hn::PromoteTo(df, hn::UpperHalf(d32h, r)), wr),
                                  hn::Mul(hn::PromoteTo(df, hn::UpperHalf(d32h, g)), wg)),
                          hn::Mul(hn::PromoteTo(df, hn::UpperHalf(d32h, b)), wb));
  // Truncation towards zero, as the reference's int(); the sums lie in 0..255.
  return hn::Combine(d32, hn::DemoteTo(d32h, hi), hn::DemoteTo(d32h, lo));
}

// The same for the lanes of 16-bit vectors.
template <class D16, class V16>
HWY_INLINE V16 LumaByDoubles16(D16 d16, V16 r, V16 g, V16 b) {
  const hn::Half<D16> d16h;
  const hn::Repartition<int32_t, D16> d32;
  const auto lo = LumaByDoubles32(d32, hn::PromoteTo(d32, hn::LowerHalf(d16h, r)),
                                  hn::PromoteTo(d32, hn::LowerHalf(d16h, g)),
                                  hn::PromoteTo(d32, hn::LowerHalf(d16h, b)));
  const auto hi = LumaByDoubles32(d32, hn::PromoteTo(d32, hn::UpperHalf(d16h, r)),
                                  hn::PromoteTo(d32, hn::UpperHalf(d16h, g)),
                                  hn::PromoteTo(d32, hn::UpperHalf(d16h, b)));
  return hn::Combine(d16, hn::DemoteTo(d16h, hi), hn::DemoteTo(d16h, lo));
}

// The reference luma of a vector of each channel's bytes, as bytes.
template <class D8, class V8>
HWY_INLINE V8 LumaByDoubles(D8 d8, V8 r, V8 g, V8 b) {
  const hn::Half<D8> d8h;
  const hn::Repartition<uint16_t, D8> d16;
  const hn::RebindToSigned<decltype(d16)> di16;
  const auto lo = LumaByDoubles16(d16, hn::PromoteTo(d16, hn::LowerHalf(d8h, r)),
                                  hn::PromoteTo(d16, hn::LowerHalf(d8h, g)),
                                  hn::PromoteTo(d16, hn::LowerHalf(d8h, b)));
  const auto hi = LumaByDoubles16(d16, hn::PromoteTo(d16, hn::UpperHalf(d8h, r)),
                                  hn::PromoteTo(d16, hn::UpperHalf(d8h, g)),
                                  hn::PromoteTo(d16, hn::UpperHalf(d8h, b)));
  return hn::Combine(d8, hn::DemoteTo(d8h, hn::BitCast(di16, hi)),
                     hn::DemoteTo(d8h, hn::BitCast(di16, lo)));
}

#endif  // !ORV_FALLBACK_TARGET

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // ORV_FILTERS_LUMA_VECTOR_INL_H_
