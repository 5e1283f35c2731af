// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/KernelPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace orv {
namespace {

// -1: no override in force.
std::atomic<int> gForced{-1};

KernelPath Widest() {
#if ORV_HAVE_KERNEL_TARGETS
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq"))
    return KernelPath::kAvx512;
  // The AVX2 builds also use the fused multiply-add, which every AVX2 processor has.
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return KernelPath::kAvx2;
#endif
  return KernelPath::kBaseline;
}

KernelPath FromEnvironment(KernelPath widest) {
  const char* v = std::getenv("ORV_KERNELS");
  if (!v || !*v) return widest;
  for (KernelPath p : {KernelPath::kScalar, KernelPath::kBaseline, KernelPath::kAvx2,
                       KernelPath::kAvx512}) {
    if (std::strcmp(v, KernelPathName(p)) == 0) return p < widest ? p : widest;
  }
  return widest;  // an unknown name changes nothing
}

KernelPath Capped(int wanted) {
  static const KernelPath widest = Widest();
  KernelPath p = KernelPath(wanted);
  return p < widest ? p : widest;
}

}  // namespace

const char* KernelPathName(KernelPath path) {
  switch (path) {
    case KernelPath::kScalar:
      return "scalar";
    case KernelPath::kBaseline:
      return "baseline";
    case KernelPath::kAvx2:
      return "avx2";
    case KernelPath::kAvx512:
      return "avx512";
  }
  return "?";
}

bool KernelPathSupported(KernelPath path) {
  return Capped(int(path)) == path;
}

KernelPath ActiveKernelPath() {
  int forced = gForced.load(std::memory_order_relaxed);
  if (forced >= 0) return Capped(forced);
  static const KernelPath fromEnv = FromEnvironment(Capped(int(KernelPath::kAvx512)));
  return fromEnv;
}

ScopedKernelPath::ScopedKernelPath(KernelPath path)
    : previous_(gForced.exchange(int(path), std::memory_order_relaxed)) {}

ScopedKernelPath::~ScopedKernelPath() {
  gForced.store(previous_, std::memory_order_relaxed);
}

}  // namespace orv
