// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The conversions the vector kernels end almost every output with, written once for every
// target: doubles whose truncation is known to fit an int32 truncated without Highway's
// overflow clamp (the kernels clamp or bound their values before), 32-bit lanes known to lie in
// 0..255 stored as bytes with AVX-512's one narrowing instruction instead of a chain of packs
// and permutes, and two halves of 32-bit lanes clamped and stored together (one pair of
// saturating packs on AVX2, one saturating narrowing on AVX-512). All give exactly what
// hn::DemoteTo gives for such values.
//
// Included by a kernel file after hwy/highway.h, inside its per-target part (once per target,
// as Highway's own -inl headers are).

#if defined(ORV_FILTERS_VECTOR_BYTES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef ORV_FILTERS_VECTOR_BYTES_INL_H_
#undef ORV_FILTERS_VECTOR_BYTES_INL_H_
#else
#define ORV_FILTERS_VECTOR_BYTES_INL_H_
#endif

#include <hwy/highway.h>

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// int32(v) lane by lane, truncating towards zero, as lanes of di (Rebind<int32_t> of v's tag).
// Every lane's truncation must fit an int32. The tags are passed, not derived from the vectors:
// on scalable targets a vector type does not tell how many of its lanes are in use.
template <class DI, class V>
HWY_INLINE hn::Vec<DI> TruncateFitting(DI di, V v) {
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSE4
  (void)di;
  if constexpr (sizeof(v.raw) == 16) {
    return hn::Vec<DI>{_mm_cvttpd_epi32(v.raw)};
  }
#if HWY_TARGET <= HWY_AVX2
  else if constexpr (sizeof(v.raw) == 32) {
    return hn::Vec<DI>{_mm256_cvttpd_epi32(v.raw)};
  }
#endif
#if HWY_TARGET <= HWY_AVX3
  else if constexpr (sizeof(v.raw) == 64) {
    return hn::Vec<DI>{_mm512_cvttpd_epi32(v.raw)};
  }
#endif
  else {
    return hn::DemoteTo(di, v);
  }
#else
  return hn::DemoteTo(di, v);
#endif
}

// Stores the lanes of v (32- or 16-bit lanes of tag d), each within 0..255, as Lanes(d) bytes
// at p.
template <class D>
HWY_INLINE void StoreLaneBytes(D d, hn::Vec<D> v, uint8_t* HWY_RESTRICT p) {
  (void)d;  // only the narrowing instructions' choice reads it
  const hn::Rebind<uint8_t, D> db;
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
  using T = hn::TFromD<D>;
  constexpr size_t kBytes = sizeof(v.raw);
  if constexpr (sizeof(T) == 4 && kBytes == 32 && hn::MaxLanes(d) == 8) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm256_cvtepi32_epi8(v.raw));
  } else if constexpr (sizeof(T) == 4 && kBytes == 64 && hn::MaxLanes(d) == 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtepi32_epi8(v.raw));
  } else if constexpr (sizeof(T) == 2 && kBytes == 32 && hn::MaxLanes(d) == 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_cvtepi16_epi8(v.raw));
  } else if constexpr (sizeof(T) == 2 && kBytes == 64 && hn::MaxLanes(d) == 32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi16_epi8(v.raw));
  } else {
    hn::StoreU(hn::DemoteTo(db, v), db, p);
  }
#else
  hn::StoreU(hn::DemoteTo(db, v), db, p);
#endif
}

// Stores the lanes of lo and then those of hi (32-bit lanes of tag d, any values) clamped to
// 0..255, as 2 x Lanes(d) bytes at p. Four-lane halves (a double vector's lanes on AVX2) go
// through one pair of saturating packs, which clamp as they narrow both at once; eight-lane
// halves (AVX-512) are joined into one vector, floored at zero and narrowed with unsigned
// saturation, one store for both.
template <class D>
HWY_INLINE void StoreClampedBytes2(D d, hn::Vec<D> lo, hn::Vec<D> hi, uint8_t* HWY_RESTRICT p) {
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
  if constexpr (sizeof(hn::TFromD<D>) == 4 && sizeof(lo.raw) == 32 && hn::MaxLanes(d) == 8) {
    const __m512i both = _mm512_inserti64x4(_mm512_castsi256_si512(lo.raw), hi.raw, 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                     _mm512_cvtusepi32_epi8(_mm512_max_epi32(both, _mm512_setzero_si512())));
    return;
  }
#endif
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSE4
  if constexpr (sizeof(lo.raw) == 16 && hn::MaxLanes(d) == 4) {
    const __m128i words = _mm_packs_epi32(lo.raw, hi.raw);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(words, words));
    return;
  }
#endif
  const auto zero = hn::Zero(d), top = hn::Set(d, 255);
  StoreLaneBytes(d, hn::Min(hn::Max(lo, zero), top), p);
  StoreLaneBytes(d, hn::Min(hn::Max(hi, zero), top), p + hn::Lanes(d));
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // ORV_FILTERS_VECTOR_BYTES_INL_H_
