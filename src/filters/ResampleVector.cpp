// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/ResampleVector.h"

#include <immintrin.h>

#include <cstring>

// The vector types below never cross a call between functions built for different instruction
// sets (the kernels inline every helper), so the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
// GCC 12's AVX-512 headers start some results from a deliberately undefined register and warn
// about it at -O2 wherever they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace orv {
namespace {

constexpr int kMaxLines = kMaxVectorLines;

// The scalar formulas, for the bytes past the last vector block; the same as the reference code.
inline uint8_t RoundAwayToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  const int i = int(v);
  return uint8_t(v - i >= 0.5 ? i + 1 : i);
}

inline bool IsFlat(const uint8_t* const* all, int n, size_t o) {
  for (int k = 1; k < n; ++k)
    if (all[k][o] != all[0][o]) return false;
  return true;
}

template <typename Row>
inline uint8_t LanczosByte(const uint8_t* const* all, int n, const double* w,
                           const Row* const* rows, int m, size_t o) {
  if (IsFlat(all, n, o)) return all[0][o];
  double acc = 0.0;
  if (m > 0) acc = w[0] * rows[0][o];
  for (int k = 1; k < m; ++k) acc += w[k] * rows[k][o];
  return RoundAwayToByte(acc);
}

inline uint8_t RoundHalfUpToByte(float v) {
  const int i = int(double(v) + 0.5);
  return uint8_t(i < 0 ? 0 : i > 255 ? 255 : i);
}

inline uint8_t BilinearByte(const uint8_t* const* rows, const float* w, int m, size_t o) {
  float acc = 0.f;
  for (int k = 0; k < m; ++k) acc += w[k] * float(rows[k][o]);
  return RoundHalfUpToByte(acc);
}

}  // namespace

#if ORV_HAVE_KERNEL_TARGETS

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace resample_avx2 {
namespace {

struct Ops {
  static constexpr int kDoubles = 4, kFloats = 8;
  using VD = __m256d;
  using VF = __m256;
  typedef uint8_t VB __attribute__((vector_size(16)));

  static VD ZeroD() { return _mm256_setzero_pd(); }
  static VD SplatD(double v) { return _mm256_set1_pd(v); }
  static VF ZeroF() { return _mm256_setzero_ps(); }
  static VF SplatF(float v) { return _mm256_set1_ps(v); }

  static VD LoadLane(const double* p) { return _mm256_loadu_pd(p); }
  static VD LoadLane(const uint8_t* p) { return BytesToDoubles(p); }
  static void StoreD(double* p, VD v) { _mm256_storeu_pd(p, v); }
  static VD BytesToDoubles(const uint8_t* p) {
    int32_t four;
    std::memcpy(&four, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
  }
  static VF BytesToFloats(const uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)p)));
  }

  // Clamp to 0..255 (anything not above 0 gives 0), then add 1 to the truncation where the
  // fraction is at least a half; every step is exact.
  static __m128i RoundAway(VD v) {
    const VD c = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
    const VD t = _mm256_round_pd(c, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const VD up = _mm256_cmp_pd(_mm256_sub_pd(c, t), _mm256_set1_pd(0.5), _CMP_GE_OQ);
    return _mm256_cvttpd_epi32(_mm256_add_pd(t, _mm256_and_pd(up, _mm256_set1_pd(1.0))));
  }
  static void RoundAwayBytes(VD v, uint8_t* out) {
    const __m128i i = RoundAway(v);
    const __m128i words = _mm_packs_epi32(i, i);
    const int32_t four = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out, &four, 4);
  }
  static VB RoundAwayToBytes(const VD (&acc)[4]) {
    const __m128i lo = _mm_packs_epi32(RoundAway(acc[0]), RoundAway(acc[1]));
    const __m128i hi = _mm_packs_epi32(RoundAway(acc[2]), RoundAway(acc[3]));
    const __m128i bytes = _mm_packus_epi16(lo, hi);
    VB r;
    std::memcpy(&r, &bytes, sizeof r);
    return r;
  }

  // int(double(v) + 0.5) clamped to a byte; the saturating packs do the clamp.
  static __m128i HalfUp(__m128 f) {
    return _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(f), _mm256_set1_pd(0.5)));
  }
  static void HalfUpBytes(VF f, uint8_t* out) {
    const __m128i words =
        _mm_packs_epi32(HalfUp(_mm256_castps256_ps128(f)), HalfUp(_mm256_extractf128_ps(f, 1)));
    _mm_storel_epi64((__m128i*)out, _mm_packus_epi16(words, words));
  }
  static void StoreHalfUp(const VF (&acc)[4], uint8_t* out) {
    __m128i words[4];
    for (int b = 0; b < 4; ++b)
      words[b] = _mm_packs_epi32(HalfUp(_mm256_castps256_ps128(acc[b])),
                                 HalfUp(_mm256_extractf128_ps(acc[b], 1)));
    const __m128i lo = _mm_packus_epi16(words[0], words[1]);
    const __m128i hi = _mm_packus_epi16(words[2], words[3]);
    _mm_storeu_si128((__m128i*)out, lo);
    _mm_storeu_si128((__m128i*)(out + 16), hi);
  }
};

#include "filters/ResampleLineKernels.inc"

}  // namespace
}  // namespace resample_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
namespace resample_avx512 {
namespace {

struct Ops {
  static constexpr int kDoubles = 8, kFloats = 16;
  using VD = __m512d;
  using VF = __m512;
  typedef uint8_t VB __attribute__((vector_size(32)));

  static VD ZeroD() { return _mm512_setzero_pd(); }
  static VD SplatD(double v) { return _mm512_set1_pd(v); }
  static VF ZeroF() { return _mm512_setzero_ps(); }
  static VF SplatF(float v) { return _mm512_set1_ps(v); }

  static VD LoadLane(const double* p) { return _mm512_loadu_pd(p); }
  static VD LoadLane(const uint8_t* p) { return BytesToDoubles(p); }
  static void StoreD(double* p, VD v) { _mm512_storeu_pd(p, v); }
  static VD BytesToDoubles(const uint8_t* p) {
    return _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)p)));
  }
  static VF BytesToFloats(const uint8_t* p) {
    return _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(_mm_loadu_si128((const __m128i*)p)));
  }

  static __m256i RoundAway(VD v) {
    const VD c = _mm512_min_pd(_mm512_max_pd(v, _mm512_setzero_pd()), _mm512_set1_pd(255.0));
    const __m256i t = _mm512_cvttpd_epi32(c);
    const __mmask8 up = _mm512_cmp_pd_mask(_mm512_sub_pd(c, _mm512_cvtepi32_pd(t)),
                                           _mm512_set1_pd(0.5), _CMP_GE_OQ);
    return _mm256_mask_add_epi32(t, up, t, _mm256_set1_epi32(1));
  }
  static void RoundAwayBytes(VD v, uint8_t* out) {
    _mm_storel_epi64((__m128i*)out, _mm256_cvtepi32_epi8(RoundAway(v)));
  }
  static VB RoundAwayToBytes(const VD (&acc)[4]) {
    __m128i half[2];
    for (int h = 0; h < 2; ++h)
      half[h] = _mm512_cvtepi32_epi8(_mm512_inserti64x4(
          _mm512_castsi256_si512(RoundAway(acc[2 * h])), RoundAway(acc[2 * h + 1]), 1));
    VB r;
    std::memcpy(&r, half, sizeof r);
    return r;
  }

  static __m256i HalfUp(__m256 f) {
    return _mm512_cvttpd_epi32(_mm512_add_pd(_mm512_cvtps_pd(f), _mm512_set1_pd(0.5)));
  }
  static void HalfUpBytes(VF f, uint8_t* out) {
    const __m512i i = _mm512_inserti64x4(_mm512_castsi256_si512(HalfUp(_mm512_castps512_ps256(f))),
                                         HalfUp(_mm512_extractf32x8_ps(f, 1)), 1);
    _mm_storeu_si128((__m128i*)out,
                     _mm512_cvtusepi32_epi8(_mm512_max_epi32(i, _mm512_setzero_si512())));
  }
  static void StoreHalfUp(const VF (&acc)[4], uint8_t* out) {
    for (int b = 0; b < 4; ++b) HalfUpBytes(acc[b], out + 16 * b);
  }
};

#include "filters/ResampleLineKernels.inc"

}  // namespace
}  // namespace resample_avx512
#pragma GCC pop_options

#endif  // ORV_HAVE_KERNEL_TARGETS

namespace {

// The Lanczos line with the sums read from rows (bytes, or the same values as doubles at
// values + (index - first) x stride).
template <typename Row>
bool LanczosLineFor(KernelPath path, const uint8_t* base, const Row* rowBase, int first,
                    size_t stride, const int* index, const double* weight, int n, size_t count,
                    uint8_t* out) {
#if ORV_HAVE_KERNEL_TARGETS
  if (path < KernelPath::kAvx2 || n < 1 || n > kMaxLines) return false;
  const uint8_t* all[kMaxLines];
  const Row* rows[kMaxLines];
  double w[kMaxLines];
  int m = 0;
  for (int k = 0; k < n; ++k) {
    all[k] = base + size_t(index[k]) * stride;
    if (weight[k] != 0.0) {
      rows[m] = rowBase + size_t(index[k] - first) * stride;
      w[m++] = weight[k];
    }
  }
  if (path >= KernelPath::kAvx512)
    resample_avx512::LanczosLine(all, n, rows, w, m, count, out);
  else
    resample_avx2::LanczosLine(all, n, rows, w, m, count, out);
  return true;
#else
  (void)path, (void)base, (void)rowBase, (void)first, (void)stride, (void)index, (void)weight,
      (void)n, (void)count, (void)out;
  return false;
#endif
}

}  // namespace

bool ResampleLineVector(KernelPath path, const uint8_t* base, size_t stride, const int* index,
                        const double* weight, int n, size_t count, uint8_t* out) {
  return LanczosLineFor(path, base, base, 0, stride, index, weight, n, count, out);
}

bool ResampleLineVectorFromDoubles(KernelPath path, const uint8_t* base, const double* values,
                                   int first, size_t stride, const int* index, const double* weight,
                                   int n, size_t count, uint8_t* out) {
  return LanczosLineFor(path, base, values, first, stride, index, weight, n, count, out);
}

bool BytesToDoublesVector(KernelPath path, const uint8_t* src, size_t count, double* dst) {
#if ORV_HAVE_KERNEL_TARGETS
  if (path >= KernelPath::kAvx512) {
    resample_avx512::ToDoubles(src, count, dst);
    return true;
  }
  if (path >= KernelPath::kAvx2) {
    resample_avx2::ToDoubles(src, count, dst);
    return true;
  }
#else
  (void)path, (void)src, (void)count, (void)dst;
#endif
  return false;
}

bool ScaleLineVector(KernelPath path, const uint8_t* base, size_t stride, int first,
                     const float* weight, int n, size_t count, uint8_t* out) {
#if ORV_HAVE_KERNEL_TARGETS
  if (path < KernelPath::kAvx2 || n < 0 || n > kMaxLines) return false;
  const uint8_t* rows[kMaxLines];
  float w[kMaxLines];
  int m = 0;
  for (int k = 0; k < n; ++k) {
    if (weight[k] == 0.f) continue;
    rows[m] = base + size_t(first + k) * stride;
    w[m++] = weight[k];
  }
  if (path >= KernelPath::kAvx512)
    resample_avx512::BilinearLine(rows, w, m, count, out);
  else
    resample_avx2::BilinearLine(rows, w, m, count, out);
  return true;
#else
  (void)path, (void)base, (void)stride, (void)first, (void)weight, (void)n, (void)count, (void)out;
  return false;
#endif
}

}  // namespace orv
