// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Which code path the heavy pixel kernels (blur, unsharp mask, medians, resamplers) take.
// Every path gives the same bytes: the vector paths perform each output's operations in the same
// order as the plain scalar code, only on more pixels at once. The scalar path is the reference
// the tests compare against; it can be forced with the environment variable ORV_KERNELS=scalar
// (or "baseline", "avx2", "avx512" to cap the vector width), or by a test through
// ScopedKernelPath.
#pragma once

namespace orv {

enum class KernelPath : int {
  kScalar = 0,    // the plain reference code
  kBaseline = 1,  // vector code built for the x86-64 baseline (SSE2)
  kAvx2 = 2,      // AVX2 with FMA
  kAvx512 = 3,    // AVX-512 F/BW/VL/DQ
};

// The widest path the processor runs, capped by ORV_KERNELS and by a ScopedKernelPath in force.
KernelPath ActiveKernelPath();
// Whether the processor (and this build) can run the path.
bool KernelPathSupported(KernelPath path);
// The path's name as ORV_KERNELS spells it.
const char* KernelPathName(KernelPath path);

// Forces a path (capped at what the processor runs) while it lives; for tests. Not meant to be
// nested across threads: the setting is process-wide.
class ScopedKernelPath {
 public:
  explicit ScopedKernelPath(KernelPath path);
  ~ScopedKernelPath();
  ScopedKernelPath(const ScopedKernelPath&) = delete;
  ScopedKernelPath& operator=(const ScopedKernelPath&) = delete;

 private:
  int previous_;
};

}  // namespace orv

// Function attributes that compile one function for a wider instruction set. A kernel's body is
// an always-inline template; thin wrappers with these attributes instantiate it per path, and
// the caller picks the wrapper by ActiveKernelPath(). Contraction stays off in every variant
// (-ffp-contract=off), so no product is fused into an addition.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define ORV_HAVE_KERNEL_TARGETS 1
#define ORV_TARGET_AVX2 __attribute__((target("avx2,fma")))
#define ORV_TARGET_AVX512 \
  __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,prefer-vector-width=512")))
#else
#define ORV_HAVE_KERNEL_TARGETS 0
#define ORV_TARGET_AVX2
#define ORV_TARGET_AVX512
#endif
