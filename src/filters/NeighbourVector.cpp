// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/NeighbourVector.h"

#include <cstring>

#include "filters/LaneOps.h"
#include "filters/NeighbourFilter.h"

namespace orv {

#if ORV_HAVE_KERNEL_TARGETS

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace neighbour_avx2 {
namespace {

struct Ops : lanes::Avx2 {
  static constexpr int kBytes = 16;
  typedef int16_t W __attribute__((vector_size(32)));
  static W Load(const uint8_t* p) {
    return (W)_mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)p));
  }
  // Lanes within 0..255.
  static void Store(uint8_t* p, W v) {
    const __m256i w = (__m256i)v;
    _mm_storeu_si128((__m128i*)p,
                     _mm_packus_epi16(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1)));
  }
  static VI LaneWiden16(const int16_t* p) {
    return (VI)_mm_cvtepi16_epi32(_mm_loadl_epi64((const __m128i*)p));
  }
};

#include "filters/NeighbourRow.inc"

}  // namespace
}  // namespace neighbour_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
namespace neighbour_avx512 {
namespace {

struct Ops : lanes::Avx512 {
  static constexpr int kBytes = 32;
  typedef int16_t W __attribute__((vector_size(64)));
  static W Load(const uint8_t* p) {
    return (W)_mm512_cvtepu8_epi16(_mm256_loadu_si256((const __m256i*)p));
  }
  static void Store(uint8_t* p, W v) {
    _mm256_storeu_si256((__m256i*)p, _mm512_cvtepi16_epi8((__m512i)v));
  }
  static VI LaneWiden16(const int16_t* p) {
    return (VI)_mm256_cvtepi16_epi32(_mm_loadu_si128((const __m128i*)p));
  }
};

#include "filters/NeighbourRow.inc"

}  // namespace
}  // namespace neighbour_avx512
#pragma GCC pop_options

#endif  // ORV_HAVE_KERNEL_TARGETS

int NeighbourRowVector(KernelPath path, const uint8_t* up, const uint8_t* mid, const uint8_t* down,
                       uint8_t* out, int from, int to, int kind, double s) {
#if ORV_HAVE_KERNEL_TARGETS
  if (kind != kNeighbourSharpen && kind != kNeighbourSoften) return from;
  if (path >= KernelPath::kAvx512)
    return neighbour_avx512::Row(up, mid, down, out, from, to, kind, s);
  if (path >= KernelPath::kAvx2) return neighbour_avx2::Row(up, mid, down, out, from, to, kind, s);
#else
  (void)path, (void)up, (void)mid, (void)down, (void)out, (void)to, (void)kind, (void)s;
#endif
  return from;
}

}  // namespace orv
