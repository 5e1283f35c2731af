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
// A vector of bytes is split into its channels, which are taken a 32-bit vector's worth at a time:
// 299 R + 587 G + 114 B exactly, its quotient by 1000 as ((s >> 3) x 33555) >> 22 (exact for every
// s up to 255000). A group holding a pixel whose exact luma is whole takes the reference's double
// sum for its pixels.
void LumaRowV(const uint8_t* HWY_RESTRICT rgb, uint8_t* HWY_RESTRICT luma, size_t count) {
  const hn::ScalableTag<uint8_t> d8;
  const hn::ScalableTag<int32_t> d32;
  const hn::Rebind<uint8_t, decltype(d32)> d8q;  // one byte per 32-bit lane
  const size_t N = hn::Lanes(d8), Q = hn::Lanes(d32);
  HWY_ALIGN uint8_t channel[3][HWY_MAX_BYTES];
  auto wr = hn::Set(d32, 299), wg = hn::Set(d32, 587), wb = hn::Set(d32, 114);
  auto magic = hn::Set(d32, 33555), thousand = hn::Set(d32, 1000);
#if HWY_ARCH_X86
  // Hidden from the optimizer: GCC 12 turns each multiply by a known constant into a chain of
  // shifts and adds, longer than the one multiply (the luma row took a fifth more time).
  asm("" : "+v"(wr.raw), "+v"(wg.raw), "+v"(wb.raw), "+v"(magic.raw), "+v"(thousand.raw));
#endif
  size_t i = 0;
  for (; i + N <= count; i += N) {
    hn::Vec<decltype(d8)> r, g, b;
    hn::LoadInterleaved3(d8, rgb + 3 * i, r, g, b);
    hn::Store(r, d8, channel[0]);
    hn::Store(g, d8, channel[1]);
    hn::Store(b, d8, channel[2]);
    for (size_t k = 0; k < N; k += Q) {
      const auto s = hn::Add(
          hn::Add(hn::Mul(hn::PromoteTo(d32, hn::Load(d8q, channel[0] + k)), wr),
                  hn::Mul(hn::PromoteTo(d32, hn::Load(d8q, channel[1] + k)), wg)),
          hn::Mul(hn::PromoteTo(d32, hn::Load(d8q, channel[2] + k)), wb));
      const auto q = hn::ShiftRight<22>(hn::Mul(hn::ShiftRight<3>(s), magic));
      if (hn::AllFalse(d32, hn::Eq(s, hn::Mul(q, thousand)))) {
        hn::StoreU(hn::DemoteTo(d8q, q), d8q, luma + i + k);
      } else {
        for (size_t p = i + k; p < i + k + Q; ++p) luma[p] = luma_reference::Luma(rgb + 3 * p);
      }
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
