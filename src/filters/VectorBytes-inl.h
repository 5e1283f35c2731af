// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Two conversions the vector kernels end almost every output with, written once for every
// target: doubles whose truncation is known to fit an int32 truncated without Highway's
// overflow clamp (the kernels clamp or bound their values before), and 32-bit lanes known to lie
// in 0..255 stored as bytes with AVX-512's one narrowing instruction instead of a chain of packs
// and permutes. Both give exactly what hn::DemoteTo gives for such values.
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

// int32(v) lane by lane, truncating towards zero. Every lane's truncation must fit an int32.
template <class V>
HWY_INLINE auto TruncateFitting(V v) {
  return hn::DemoteTo(hn::Rebind<int32_t, hn::DFromV<V>>(), v);
}
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSE4
template <size_t N>
HWY_INLINE hn::Vec128<int32_t, N> TruncateFitting(hn::Vec128<double, N> v) {
  return hn::Vec128<int32_t, N>{_mm_cvttpd_epi32(v.raw)};
}
#endif
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2
HWY_INLINE hn::Vec128<int32_t> TruncateFitting(hn::Vec256<double> v) {
  return hn::Vec128<int32_t>{_mm256_cvttpd_epi32(v.raw)};
}
#endif
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
HWY_INLINE hn::Vec256<int32_t> TruncateFitting(hn::Vec512<double> v) {
  return hn::Vec256<int32_t>{_mm512_cvttpd_epi32(v.raw)};
}
#endif

// Stores the lanes of v (32- or 16-bit), each within 0..255, as Lanes(v) bytes at p.
template <class V>
HWY_INLINE void StoreLaneBytes(V v, uint8_t* HWY_RESTRICT p) {
  const hn::Rebind<uint8_t, hn::DFromV<V>> db;
  hn::StoreU(hn::DemoteTo(db, v), db, p);
}
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
HWY_INLINE void StoreLaneBytes(hn::Vec256<int32_t> v, uint8_t* HWY_RESTRICT p) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm256_cvtepi32_epi8(v.raw));
}
HWY_INLINE void StoreLaneBytes(hn::Vec512<int32_t> v, uint8_t* HWY_RESTRICT p) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtepi32_epi8(v.raw));
}
HWY_INLINE void StoreLaneBytes(hn::Vec256<int16_t> v, uint8_t* HWY_RESTRICT p) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_cvtepi16_epi8(v.raw));
}
HWY_INLINE void StoreLaneBytes(hn::Vec512<int16_t> v, uint8_t* HWY_RESTRICT p) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi16_epi8(v.raw));
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // ORV_FILTERS_VECTOR_BYTES_INL_H_
