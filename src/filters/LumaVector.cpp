// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/LumaVector.h"

#include <cstring>

#include "filters/ChannelShuffle.h"
#include "filters/LaneOps.h"

namespace orv {

#if ORV_HAVE_KERNEL_TARGETS

namespace {
// Sixteen 32-bit lanes: one zmm register, or two ymm registers on AVX2.
typedef int32_t Wide __attribute__((vector_size(64)));
}  // namespace

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace luma_avx2 {
namespace {
using L = lanes::Avx2;
inline Wide Widen16(__m128i v) {
  const __m256i half[2] = {_mm256_cvtepu8_epi32(v), _mm256_cvtepu8_epi32(_mm_srli_si128(v, 8))};
  Wide w;
  std::memcpy(&w, half, sizeof w);
  return w;
}
// Lanes within 0..255.
inline __m128i Narrow16(Wide w) {
  __m256i half[2];
  std::memcpy(half, &w, sizeof half);
  const __m256i words = _mm256_packs_epi32(half[0], half[1]);  // 0-3 8-11 | 4-7 12-15
  const __m128i lo = _mm256_castsi256_si128(words), hi = _mm256_extracti128_si256(words, 1);
  return _mm_packus_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
}
inline bool AnyZero(Wide w) {
  __m256i half[2];
  std::memcpy(half, &w, sizeof half);
  const __m256i zero = _mm256_setzero_si256();
  return !_mm256_testz_si256(
      _mm256_or_si256(_mm256_cmpeq_epi32(half[0], zero), _mm256_cmpeq_epi32(half[1], zero)),
      _mm256_set1_epi32(-1));
}
#include "filters/LumaRow.inc"
}  // namespace
}  // namespace luma_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
namespace luma_avx512 {
namespace {
using L = lanes::Avx512;
inline Wide Widen16(__m128i v) {
  return (Wide)_mm512_cvtepu8_epi32(v);
}
// Lanes within 0..255.
inline __m128i Narrow16(Wide w) {
  return _mm512_cvtepi32_epi8((__m512i)w);
}
inline bool AnyZero(Wide w) {
  return _mm512_cmpeq_epi32_mask((__m512i)w, _mm512_setzero_si512()) != 0;
}
#include "filters/LumaRow.inc"
}  // namespace
}  // namespace luma_avx512
#pragma GCC pop_options

#endif  // ORV_HAVE_KERNEL_TARGETS

size_t LumaRowVector(KernelPath path, const uint8_t* rgb, uint8_t* luma, size_t count) {
#if ORV_HAVE_KERNEL_TARGETS
  if (path >= KernelPath::kAvx512) return luma_avx512::LumaRow(rgb, luma, count);
  if (path >= KernelPath::kAvx2) return luma_avx2::LumaRow(rgb, luma, count);
#else
  (void)path, (void)rgb, (void)luma, (void)count;
#endif
  return 0;
}

}  // namespace orv
