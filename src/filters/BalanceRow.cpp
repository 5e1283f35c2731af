// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/BalanceRow.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "filters/LumaVector-inl.h"

#include "filters/BalanceRow.h"
#include "filters/KernelPath.h"

#include <algorithm>

#include "filters/LumaReference.h"

#ifndef ORV_BALANCE_ROW_REFERENCE
#define ORV_BALANCE_ROW_REFERENCE
namespace orv::balance_reference {

inline void Pixel(uint8_t* p, const BalanceMix& mix) {
  const int y = luma_reference::Luma(p);
  const int lower = std::max(y - mix.stretched[y], 0), raise = std::max(mix.stretched[y] - y, 0);
  for (int ch = 0; ch < 3; ++ch) {
    const int c = p[ch];
    const int m = c + raise > 255 ? 255 : c + raise < lower ? 0 : c + raise - lower;
    p[ch] = MixBytes(c, m, mix.strength);
  }
}

inline void Row(uint8_t* rgb, size_t from, size_t count, const BalanceMix& mix) {
  for (size_t i = from; i < count; ++i) Pixel(rgb + 3 * i, mix);
}

}  // namespace orv::balance_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET || HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_NEON
bool BalanceRowV(uint8_t*, size_t, const BalanceMix&) {
  return false;
}
#else
// One channel's bytes moved (by the lanes' lower and raise) and mixed: (c (255 - k) + m k) is at
// most 255 x 255 and fits 16-bit lanes, and its quotient by 255 is its product with 0x8081 shifted
// right by 23 (exact for every value up to 65535).
template <class D8, class V8, class V16>
HWY_INLINE V8 MoveAndMix(D8 d8, V8 c, V8 lower, V8 raise, V16 keep, V16 take, V16 magic) {
  const hn::Half<D8> d8h;
  const hn::Repartition<uint16_t, D8> d16;
  const hn::RebindToSigned<decltype(d16)> di16;
  const V8 m = hn::SaturatedSub(hn::SaturatedAdd(c, raise), lower);
  const auto lo = hn::Add(hn::Mul(hn::PromoteTo(d16, hn::LowerHalf(d8h, c)), keep),
                          hn::Mul(hn::PromoteTo(d16, hn::LowerHalf(d8h, m)), take));
  const auto hi = hn::Add(hn::Mul(hn::PromoteTo(d16, hn::UpperHalf(d8h, c)), keep),
                          hn::Mul(hn::PromoteTo(d16, hn::UpperHalf(d8h, m)), take));
  const auto qlo = hn::ShiftRight<7>(hn::MulHigh(lo, magic));
  const auto qhi = hn::ShiftRight<7>(hn::MulHigh(hi, magic));
  return hn::Combine(d8, hn::DemoteTo(d8h, hn::BitCast(di16, qhi)),
                     hn::DemoteTo(d8h, hn::BitCast(di16, qlo)));
}

// Each pixel's stretched luma looked up in the 256-byte table: its sixteen runs of sixteen bytes
// are looked up by the luma's low four bits (a byte shuffle within each block of 16 bytes), and
// each lane keeps the run its high four bits choose. The move down is the luma less the
// stretched one where that is above 0, the move up the other way round.
bool BalanceRowV(uint8_t* HWY_RESTRICT rgb, size_t count, const BalanceMix& mix) {
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<uint16_t, decltype(d8)> d16;
  const size_t N = hn::Lanes(d8);
  if (N < 32) return false;
  const auto wr = hn::Set(d16, 43), wg = hn::Set(d16, 75), wb = hn::Set(d16, 114);
  const auto lumaMagic = hn::Set(d16, 33555), times125 = hn::Set(d16, 125);
  const auto keep = hn::Set(d16, uint16_t(255 - mix.strength));
  const auto take = hn::Set(d16, uint16_t(mix.strength));
  const auto mixMagic = hn::Set(d16, 0x8081);
  const auto lowBits = hn::Set(d8, 15);
  size_t i = 0;
  for (; i + N <= count; i += N) {
    uint8_t* const p = rgb + 3 * i;
    hn::Vec<decltype(d8)> r, g, b;
    hn::LoadInterleaved3(d8, p, r, g, b);
    bool whole = false;
    auto y = LumaOfChannels(d8, r, g, b, wr, wg, wb, lumaMagic, times125, whole);
    // Grey, black and white pixels among them: the whole vector's luma as the reference sums it.
    if (whole) y = LumaByDoubles(d8, r, g, b);
    const auto run = hn::ShiftRight<4>(y);
    const auto at = hn::And(y, lowBits);
    auto stretched = hn::TableLookupBytes(hn::LoadDup128(d8, mix.stretched), at);
    for (int k = 1; k < 16; ++k) {
      const auto mine = hn::Eq(run, hn::Set(d8, uint8_t(k)));
      stretched = hn::IfThenElse(
          mine, hn::TableLookupBytes(hn::LoadDup128(d8, mix.stretched + 16 * k), at), stretched);
    }
    const auto lower = hn::SaturatedSub(y, stretched);
    const auto raise = hn::SaturatedSub(stretched, y);
    hn::StoreInterleaved3(MoveAndMix(d8, r, lower, raise, keep, take, mixMagic),
                          MoveAndMix(d8, g, lower, raise, keep, take, mixMagic),
                          MoveAndMix(d8, b, lower, raise, keep, take, mixMagic), d8, p);
  }
  balance_reference::Row(rgb, i, count, mix);
  return true;
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(BalanceRowV);

bool BalanceRowVector(uint8_t* rgb, size_t count, const BalanceMix& mix) {
  if (ReferenceKernelsForced()) return false;
  return HWY_DYNAMIC_DISPATCH(BalanceRowV)(rgb, count, mix);
}

}  // namespace orv
#endif
