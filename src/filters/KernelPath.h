// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Which code the heavy pixel kernels run: the plain reference code, or the vector code built for
// one instruction-set target (Highway's dynamic dispatch: SSE4, AVX2, AVX-512 on x86-64; NEON and
// SVE on arm64). Every target gives the same bytes as the reference: the vector code performs each
// output's operations in the same order, only on more pixels at once.
//
// The widest target the processor runs is chosen at the first kernel call. The environment
// variable ORV_KERNELS changes that choice: "reference" (or "scalar") forces the reference code;
// a target name ("sse4", "avx2", "avx512", "neon", "sve", "sve2"; "baseline" for the narrowest
// vector target) caps the width at that target. A name this build does not know changes nothing.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// 0 for the reference code, otherwise one Highway target bit (HWY_AVX2, HWY_NEON, ...).
using KernelTarget = int64_t;
inline constexpr KernelTarget kReferenceKernels = 0;

// The target the kernels run now.
KernelTarget ActiveKernelTarget();
// Whether the kernels run the reference code (forced, or no vector target on this processor).
// Every kernel entry point asks this first; cheap after the first call.
bool ReferenceKernelsForced();
// The target a kernel called now runs, as Highway's dispatch picks it (the reference when forced):
// ActiveKernelTarget() unless the two have come apart. For the tests.
KernelTarget DispatchedKernelTarget();
// The reference and the vector targets of this build that the processor runs, in that order
// (narrowest vector target first), whatever ORV_KERNELS says.
std::vector<KernelTarget> SupportedKernelTargets();
// The target's name as ORV_KERNELS spells it.
const char* KernelTargetName(KernelTarget target);
// What an ORV_KERNELS value asks for: kReferenceKernels, or the widest target allowed. False for
// a name this build does not know (it changes nothing).
bool KernelTargetFromName(const char* name, KernelTarget& cap);

// Forces a target (one of SupportedKernelTargets()) while it lives; for tests and benchmarks.
// Not meant to be used across threads: the setting is process-wide.
class ScopedKernelTarget {
 public:
  explicit ScopedKernelTarget(KernelTarget target);
  ~ScopedKernelTarget();
  ScopedKernelTarget(const ScopedKernelTarget&) = delete;
  ScopedKernelTarget& operator=(const ScopedKernelTarget&) = delete;

 private:
  KernelTarget previous_;
};

}  // namespace orv
