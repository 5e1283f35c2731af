// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/LumaRow.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "filters/LumaVector-inl.h"

#include "filters/KernelPath.h"
#include "filters/LumaReference.h"
#include "filters/LumaRow.h"

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET
void LumaRowV(const uint8_t* rgb, uint8_t* luma, size_t count) {
  luma_reference::Row(rgb, luma, 0, count);
}
#else
void LumaRowV(const uint8_t* HWY_RESTRICT rgb, uint8_t* HWY_RESTRICT luma, size_t count) {
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<uint16_t, decltype(d8)> d16;
  const size_t N = hn::Lanes(d8);
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
    bool whole = false;
    const auto y = LumaOfChannels(d8, r, g, b, wr, wg, wb, magic, times125, whole);
    // Grey, black and white pixels among them: the reference's double sums, in vectors.
    if (whole) [[unlikely]]
      hn::StoreU(LumaByDoubles(d8, r, g, b), d8, luma + i);
    else
      hn::StoreU(y, d8, luma + i);
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
