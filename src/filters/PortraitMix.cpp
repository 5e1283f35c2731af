// Compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/PortraitMix.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>

#include "filters/KernelPath.h"
#include "filters/PortraitMix.h"

#ifndef ORV_PORTRAIT_MIX_REFERENCE
#define ORV_PORTRAIT_MIX_REFERENCE
namespace orv::portrait_reference {

constexpr int kPink[3] = {225, 180, 183};

// The overlay of the constant pink for every channel value.
struct PinkTone {
  int tone[3][256];
  PinkTone() {
    for (int c = 0; c < 3; ++c) {
      for (int v = 0; v < 256; ++v) {
        tone[c][v] = v < 128 ? (2 * v * kPink[c]) / 255
                             : 255 - (2 * (255 - v) * (255 - kPink[c])) / 255;
      }
    }
  }
};
inline const PinkTone kPinkTone;

// Pixels [from, count), three bytes each.
inline void Mix(uint8_t* pixels, const uint8_t* sharp, const uint8_t* a, size_t from, size_t count,
                bool pinkTones) {
  for (size_t i = 3 * from; i < 3 * count; i += 3) {
    int m = (a[i] + a[i + 1] + a[i + 2]) / 3;
    int c2[3];
    for (int c = 0; c < 3; ++c) {
      // The weights sum to 255, not 256: each mix loses a little brightness, as intended.
      int c1 = (pixels[i + c] * m + sharp[i + c] * (255 - m)) >> 8;
      c2[c] = (c1 * (255 - m) + a[i + c] * m) >> 8;
    }
    if (pinkTones) {
      int k = std::max(c2[0] - c2[1], 0);
      // Without redness the pixel is left as it is (the mix would only darken it).
      if (k > 0) {
        for (int c = 0; c < 3; ++c)
          c2[c] = (c2[c] * (255 - k) + kPinkTone.tone[c][c2[c]] * k) >> 8;
      }
    }
    pixels[i] = uint8_t(c2[0]);
    pixels[i + 1] = uint8_t(c2[1]);
    pixels[i + 2] = uint8_t(c2[2]);
  }
}

}  // namespace orv::portrait_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET
void MixV(uint8_t* pixels, const uint8_t* sharp, const uint8_t* soft, size_t count, bool pink) {
  portrait_reference::Mix(pixels, sharp, soft, 0, count, pink);
}
#else
using D16 = hn::ScalableTag<uint16_t>;
using V16 = hn::Vec<D16>;

// x / 255 for x below 65279.
HWY_INLINE V16 Div255(V16 x) {
  return hn::ShiftRight<8>(hn::Add(hn::Add(x, hn::Set(D16(), 1)), hn::ShiftRight<8>(x)));
}

// The pink overlay tone of each value for the channel's constant k: v < 128 ? 2vk / 255 :
// 255 - 2(255 - v)(255 - k) / 255, as in the reference table.
HWY_INLINE V16 PinkTone(V16 v, int k) {
  const D16 d;
  const V16 two = hn::Set(d, 2), full = hn::Set(d, 255);
  const V16 low = Div255(hn::Mul(hn::Mul(two, v), hn::Set(d, uint16_t(k))));
  const V16 high =
      hn::Sub(full, Div255(hn::Mul(hn::Mul(two, hn::Sub(full, v)), hn::Set(d, uint16_t(255 - k)))));
  return hn::IfThenElse(hn::Lt(v, hn::Set(d, 128)), low, high);
}

void MixV(uint8_t* HWY_RESTRICT pixels, const uint8_t* HWY_RESTRICT sharp,
          const uint8_t* HWY_RESTRICT soft, size_t count, bool pink) {
  const D16 d;
  const hn::Rebind<uint8_t, D16> d8;
  const size_t N = hn::Lanes(d);
  const V16 full = hn::Set(d, 255);
  size_t i = 0;
  for (; i + N <= count; i += N) {
    hn::Vec<decltype(d8)> p0, p1, p2, s0, s1, s2, a0, a1, a2;
    hn::LoadInterleaved3(d8, pixels + 3 * i, p0, p1, p2);
    hn::LoadInterleaved3(d8, sharp + 3 * i, s0, s1, s2);
    hn::LoadInterleaved3(d8, soft + 3 * i, a0, a1, a2);
    // Named vectors rather than arrays: scalable vectors cannot be array elements.
    const V16 a0w = hn::PromoteTo(d, a0), a1w = hn::PromoteTo(d, a1), a2w = hn::PromoteTo(d, a2);
    // (sum / 3) for sums up to 765: the high half of sum x 21846.
    const V16 m = hn::MulHigh(hn::Add(hn::Add(a0w, a1w), a2w), hn::Set(d, 21846));
    const V16 rest = hn::Sub(full, m);
    const auto mix = [&](auto p, auto s, V16 a) HWY_ATTR {
      const V16 c1 = hn::ShiftRight<8>(
          hn::Add(hn::Mul(hn::PromoteTo(d, p), m), hn::Mul(hn::PromoteTo(d, s), rest)));
      return hn::ShiftRight<8>(hn::Add(hn::Mul(c1, rest), hn::Mul(a, m)));
    };
    V16 c20 = mix(p0, s0, a0w), c21 = mix(p1, s1, a1w), c22 = mix(p2, s2, a2w);
    if (pink) {
      // k = max(c2[0] - c2[1], 0); pixels without redness stay as they are.
      const V16 k = hn::SaturatedSub(c20, c21);
      const V16 keep = hn::Sub(full, k);
      const auto red = hn::Gt(k, hn::Zero(d));
      const auto overlay = [&](V16 c2, int c) HWY_ATTR {
        const V16 mixed = hn::ShiftRight<8>(hn::Add(
            hn::Mul(c2, keep), hn::Mul(PinkTone(c2, portrait_reference::kPink[c]), k)));
        return hn::IfThenElse(red, mixed, c2);
      };
      c20 = overlay(c20, 0);
      c21 = overlay(c21, 1);
      c22 = overlay(c22, 2);
    }
    // Every value is within 0..255: the signed 16-bit demotion keeps it.
    const hn::RebindToSigned<D16> di;
    hn::StoreInterleaved3(hn::DemoteTo(d8, hn::BitCast(di, c20)),
                          hn::DemoteTo(d8, hn::BitCast(di, c21)),
                          hn::DemoteTo(d8, hn::BitCast(di, c22)), d8, pixels + 3 * i);
  }
  portrait_reference::Mix(pixels, sharp, soft, i, count, pink);
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(MixV);

void PortraitMix(uint8_t* pixels, const uint8_t* sharp, const uint8_t* soft, size_t count,
                 bool pinkTones) {
  if (ReferenceKernelsForced())
    return portrait_reference::Mix(pixels, sharp, soft, 0, count, pinkTones);
  HWY_DYNAMIC_DISPATCH(MixV)(pixels, sharp, soft, count, pinkTones);
}

}  // namespace orv
#endif
