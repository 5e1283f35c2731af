// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting interleaved 3-byte pixels into channel planes and joining them again, sixteen pixels
// at a time with byte shuffles (SSSE3, present on every processor with AVX2). Callers use these
// only on a vector kernel path; the helpers are built for SSSE3 whatever the file's flags, so
// they inline into AVX2 and AVX-512 code alike.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#include <immintrin.h>

#define ORV_HAVE_CHANNEL_SHUFFLE 1

namespace orv {

// Byte shuffles between 16 interleaved pixels (three 16-byte pieces) and their channel vectors:
// split[c][q] gathers channel c's bytes from piece q, join[c][q] puts them back.
struct ChannelShuffles {
  uint8_t split[3][3][16] = {};
  uint8_t join[3][3][16] = {};
  constexpr ChannelShuffles() {
    for (int c = 0; c < 3; ++c)
      for (int q = 0; q < 3; ++q)
        for (int i = 0; i < 16; ++i) {
          const int from = 3 * i + c;  // pixel i's byte of channel c
          split[c][q][i] = from / 16 == q ? uint8_t(from % 16) : 0x80;
          const int at = 16 * q + i;  // byte i of piece q
          join[c][q][i] = at % 3 == c ? uint8_t(at / 3) : 0x80;
        }
  }
};
inline constexpr ChannelShuffles kChannelShuffles;

// Splits 16 interleaved pixels (48 bytes at p) into their three channels.
[[gnu::always_inline, gnu::target("ssse3")]] inline void SplitPixels16(const uint8_t* p,
                                                                       __m128i (&ch)[3]) {
  const __m128i in[3] = {_mm_loadu_si128((const __m128i*)p),
                         _mm_loadu_si128((const __m128i*)(p + 16)),
                         _mm_loadu_si128((const __m128i*)(p + 32))};
  for (int c = 0; c < 3; ++c) {
    __m128i v = _mm_setzero_si128();
    for (int q = 0; q < 3; ++q)
      v = _mm_or_si128(
          v,
          _mm_shuffle_epi8(in[q], _mm_loadu_si128((const __m128i*)kChannelShuffles.split[c][q])));
    ch[c] = v;
  }
}

// The reverse of SplitPixels16.
[[gnu::always_inline, gnu::target("ssse3")]] inline void JoinPixels16(const __m128i (&ch)[3],
                                                                      uint8_t* p) {
  for (int q = 0; q < 3; ++q) {
    __m128i v = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c)
      v = _mm_or_si128(
          v, _mm_shuffle_epi8(ch[c], _mm_loadu_si128((const __m128i*)kChannelShuffles.join[c][q])));
    _mm_storeu_si128((__m128i*)(p + 16 * q), v);
  }
}

// n interleaved pixels at src into the planes p[0..2].
[[gnu::target("ssse3")]] inline void SplitPixels(const uint8_t* src, size_t n,
                                                 uint8_t* const (&p)[3]) {
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i ch[3];
    SplitPixels16(src + 3 * i, ch);
    for (int c = 0; c < 3; ++c) _mm_storeu_si128((__m128i*)(p[c] + i), ch[c]);
  }
  for (; i < n; ++i)
    for (int c = 0; c < 3; ++c) p[c][i] = src[3 * i + c];
}

// n pixels from the planes p[0..2] interleaved into dst.
[[gnu::target("ssse3")]] inline void JoinPixels(const uint8_t* const (&p)[3], size_t n,
                                                uint8_t* dst) {
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i ch[3] = {_mm_loadu_si128((const __m128i*)(p[0] + i)),
                           _mm_loadu_si128((const __m128i*)(p[1] + i)),
                           _mm_loadu_si128((const __m128i*)(p[2] + i))};
    JoinPixels16(ch, dst + 3 * i);
  }
  for (; i < n; ++i)
    for (int c = 0; c < 3; ++c) dst[3 * i + c] = p[c][i];
}

}  // namespace orv

#else
#define ORV_HAVE_CHANNEL_SHUFFLE 0
#endif
