// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/PortraitMix.h"

#include "filters/ChannelShuffle.h"
#include "filters/KernelPath.h"

// The vectors never cross a call between functions built for different sets.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orv {

#if ORV_HAVE_KERNEL_TARGETS && ORV_HAVE_CHANNEL_SHUFFLE

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace {

typedef uint16_t W __attribute__((vector_size(32)));

W Widen(__m128i v) {
  return (W)_mm256_cvtepu8_epi16(v);
}

__m128i Narrow(W v) {
  const __m256i w = (__m256i)v;
  return _mm_packus_epi16(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1));
}

// x / 255 for x below 65279.
W Div255(W x) {
  return (x + 1 + (x >> 8)) >> 8;
}

// The pink overlay tone of each value for the channel's constant k: v < 128 ? 2vk / 255 :
// 255 - 2(255 - v)(255 - k) / 255, as in the reference table.
W PinkTone(W v, uint16_t k) {
  const W low = Div255(2 * v * k);
  const W high = 255 - Div255(2 * (255 - v) * uint16_t(255 - k));
  return v < 128 ? low : high;
}

size_t Mix(uint8_t* pixels, const uint8_t* sharp, const uint8_t* soft, size_t count, bool pink) {
  static constexpr uint16_t kPink[3] = {225, 180, 183};
  size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    __m128i p[3], s[3], a[3];
    SplitPixels16(pixels + 3 * i, p);
    SplitPixels16(sharp + 3 * i, s);
    SplitPixels16(soft + 3 * i, a);
    W av[3], c2[3];
    for (int c = 0; c < 3; ++c) av[c] = Widen(a[c]);
    // (sum / 3) for sums up to 765: the high half of sum x 21846.
    const W m = (W)_mm256_mulhi_epu16((__m256i)(av[0] + av[1] + av[2]), _mm256_set1_epi16(21846));
    const W rest = 255 - m;
    for (int c = 0; c < 3; ++c) {
      const W c1 = (Widen(p[c]) * m + Widen(s[c]) * rest) >> 8;
      c2[c] = (c1 * rest + av[c] * m) >> 8;
    }
    if (pink) {
      // k = max(c2[0] - c2[1], 0); pixels without redness stay as they are.
      const W k = c2[0] > c2[1] ? c2[0] - c2[1] : W{};
      const W keep = 255 - k;
      for (int c = 0; c < 3; ++c) {
        const W mixed = (c2[c] * keep + PinkTone(c2[c], kPink[c]) * k) >> 8;
        c2[c] = k > 0 ? mixed : c2[c];
      }
    }
    __m128i out[3];
    for (int c = 0; c < 3; ++c) out[c] = Narrow(c2[c]);
    JoinPixels16(out, pixels + 3 * i);
  }
  return i;
}

}  // namespace
#pragma GCC pop_options

size_t PortraitMixVector(KernelPath path, uint8_t* pixels, const uint8_t* sharp,
                         const uint8_t* soft, size_t count, bool pinkTones) {
  if (path < KernelPath::kAvx2) return 0;
  return Mix(pixels, sharp, soft, count, pinkTones);
}

#else

size_t PortraitMixVector(KernelPath, uint8_t*, const uint8_t*, const uint8_t*, size_t, bool) {
  return 0;
}

#endif

}  // namespace orv
