// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between bytes, 32-bit integers and doubles on eight lanes, written with each
// instruction set's own instructions: GCC 12 turns the generic vector conversions into scalar
// code below AVX-512, which costs the vector kernels their lead. Kernels that include this header
// use Avx2 or Avx512 only inside a matching `#pragma GCC target` region (or a function with that
// target), where every helper inlines.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

// The helpers always inline into functions built for the same set, so no vector crosses a call
// between different sets; the ABI notes do not apply. GCC 12's AVX-512 headers start some
// results from a deliberately undefined register and warn about it wherever they inline.
#pragma GCC diagnostic ignored "-Wpsabi"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace orv::lanes {

typedef double D8 __attribute__((vector_size(64)));
typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));
typedef uint32_t U8 __attribute__((vector_size(32)));

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)

#pragma GCC push_options
#pragma GCC target("avx2,fma")
struct Avx2 {
  // Native width: four lanes.
  static constexpr int kLanes = 4;
  typedef double VD __attribute__((vector_size(32)));
  typedef int32_t VI __attribute__((vector_size(16)));
  typedef uint32_t VU __attribute__((vector_size(16)));
  static VI LaneWiden(const uint8_t* p) {
    int32_t four;
    std::memcpy(&four, p, 4);
    return (VI)_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four));
  }
  static VD LaneToDoubles(VI v) { return (VD)_mm256_cvtepi32_pd((__m128i)v); }
  static VD LaneBytesToDoubles(const uint8_t* p) { return LaneToDoubles(LaneWiden(p)); }
  static VI LaneTruncate(VD v) { return (VI)_mm256_cvttpd_epi32((__m256d)v); }
  static VD LaneThroughFloat(VD v) { return (VD)_mm256_cvtps_pd(_mm256_cvtpd_ps((__m256d)v)); }
  // a x b + c with one rounding. Only for products that are exact in a double (a float times a
  // float or a byte), where it gives the bytes of the product followed by the sum.
  static VD LaneMulAdd(VD a, VD b, VD c) {
    return (VD)_mm256_fmadd_pd((__m256d)a, (__m256d)b, (__m256d)c);
  }
  // Whether every lane of a equals its lane of b.
  static bool LaneAllEqual(VD a, VD b) {
    return _mm256_movemask_pd(_mm256_cmp_pd((__m256d)a, (__m256d)b, _CMP_EQ_OQ)) == 0xF;
  }
  static bool LaneAllEqual(VI a, VI b) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32((__m128i)a, (__m128i)b)) == 0xFFFF;
  }
  static void LaneStoreBytes(uint8_t* p, VI v) {
    const __m128i words = _mm_packs_epi32((__m128i)v, (__m128i)v);
    const int32_t four = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(p, &four, 4);
  }

  // Eight lanes.
  static I8 WidenLow(__m128i v) { return (I8)_mm256_cvtepu8_epi32(v); }
  static I8 Widen(const uint8_t* p) { return WidenLow(_mm_loadl_epi64((const __m128i*)p)); }
  static D8 ToDoubles(I8 v) {
    const __m256i i = (__m256i)v;
    const __m256d half[2] = {_mm256_cvtepi32_pd(_mm256_castsi256_si128(i)),
                             _mm256_cvtepi32_pd(_mm256_extracti128_si256(i, 1))};
    D8 d;
    std::memcpy(&d, half, sizeof d);
    return d;
  }
  static D8 BytesToDoubles(const uint8_t* p) { return ToDoubles(Widen(p)); }
  // Truncation towards zero; the values must fit an int32.
  static I8 Truncate(D8 v) {
    __m256d half[2];
    std::memcpy(half, &v, sizeof half);
    return (I8)_mm256_set_m128i(_mm256_cvttpd_epi32(half[1]), _mm256_cvttpd_epi32(half[0]));
  }
  // Each double rounded to float and back.
  static D8 ThroughFloat(D8 v) {
    __m256d half[2];
    std::memcpy(half, &v, sizeof half);
    for (__m256d& h : half) h = _mm256_cvtps_pd(_mm256_cvtpd_ps(h));
    std::memcpy(&v, half, sizeof v);
    return v;
  }
  // The eight low bytes of the result; the values must be within 0..255.
  static __m128i Narrow(I8 v) {
    const __m256i i = (__m256i)v;
    const __m128i words =
        _mm_packs_epi32(_mm256_castsi256_si128(i), _mm256_extracti128_si256(i, 1));
    return _mm_packus_epi16(words, words);
  }
  static void StoreBytes(uint8_t* p, I8 v) { _mm_storel_epi64((__m128i*)p, Narrow(v)); }
};
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
struct Avx512 {
  // Native width: eight lanes, the same as the eight-lane helpers below.
  static constexpr int kLanes = 8;
  using VD = D8;
  using VI = I8;
  using VU = U8;
  static I8 WidenLow(__m128i v) { return (I8)_mm256_cvtepu8_epi32(v); }
  static I8 Widen(const uint8_t* p) { return WidenLow(_mm_loadl_epi64((const __m128i*)p)); }
  static D8 ToDoubles(I8 v) { return (D8)_mm512_cvtepi32_pd((__m256i)v); }
  static D8 BytesToDoubles(const uint8_t* p) { return ToDoubles(Widen(p)); }
  static I8 Truncate(D8 v) { return (I8)_mm512_cvttpd_epi32((__m512d)v); }
  static D8 ThroughFloat(D8 v) { return (D8)_mm512_cvtps_pd(_mm512_cvtpd_ps((__m512d)v)); }
  static __m128i Narrow(I8 v) { return _mm256_cvtepi32_epi8((__m256i)v); }
  static void StoreBytes(uint8_t* p, I8 v) { _mm_storel_epi64((__m128i*)p, Narrow(v)); }

  static I8 LaneWiden(const uint8_t* p) { return Widen(p); }
  static D8 LaneToDoubles(I8 v) { return ToDoubles(v); }
  static D8 LaneBytesToDoubles(const uint8_t* p) { return BytesToDoubles(p); }
  static I8 LaneTruncate(D8 v) { return Truncate(v); }
  static D8 LaneThroughFloat(D8 v) { return ThroughFloat(v); }
  static void LaneStoreBytes(uint8_t* p, I8 v) { StoreBytes(p, v); }
  static D8 LaneMulAdd(D8 a, D8 b, D8 c) {
    return (D8)_mm512_fmadd_pd((__m512d)a, (__m512d)b, (__m512d)c);
  }
  static bool LaneAllEqual(D8 a, D8 b) {
    return _mm512_cmp_pd_mask((__m512d)a, (__m512d)b, _CMP_EQ_OQ) == 0xFF;
  }
  static bool LaneAllEqual(I8 a, I8 b) {
    return _mm256_cmpeq_epi32_mask((__m256i)a, (__m256i)b) == 0xFF;
  }
};
#pragma GCC pop_options

#endif

}  // namespace orv::lanes
