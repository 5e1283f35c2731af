// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/VectorTarget.h"  // first: the targets to build

#include "filters/KernelPath.h"

#include <hwy/highway.h>
#include <hwy/nanobenchmark.h>
#include <hwy/targets.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

// libhwy calibrates the timer of its benchmark tool (hwy::Measure) as it is loaded: about 65,000
// back-to-back timer reads, some 4 ms at the start of every process, the decoding helper's
// included. The programs never measure with it. Its call goes through the dynamic linker, so
// this definition, which the executables export, answers it instead: the resolution of one tick.
// With a libhwy that no longer makes the call this changes nothing.
uint64_t hwy::platform::TimerResolution() {
  return 1;
}

namespace orv {
namespace {

// The vector targets: every compiled target but the one-lane fallback, whose entry points run
// the reference code instead.
constexpr int64_t kFallbackTargets = HWY_SCALAR | HWY_EMU128;
constexpr int64_t kVectorTargets = HWY_TARGETS & ~kFallbackTargets;

struct NamedTarget {
  const char* name;
  int64_t target;
};
// Names ORV_KERNELS accepts; the first name of a target is the one reported.
constexpr NamedTarget kNames[] = {
    {"sse4", HWY_SSE4}, {"avx2", HWY_AVX2}, {"avx512", HWY_AVX3}, {"avx3", HWY_AVX3},
    {"neon", HWY_NEON}, {"sve", HWY_SVE},   {"sve2", HWY_SVE2},
};

// -1: nothing forced; 0: the reference forced; else the forced target.
std::atomic<int64_t> gForced{-1};
// The target chosen from the processor and ORV_KERNELS.
std::atomic<int64_t> gChosen{0};
// The vector targets this processor runs, whatever ORV_KERNELS says.
std::atomic<int64_t> gSupported{0};

int64_t Narrowest(int64_t targets) {
  // Highway numbers wider targets with lower bits.
  int64_t narrowest = 0;
  for (int64_t t = targets; t != 0; t &= t - 1) narrowest = t & ~(t - 1);
  return narrowest;
}

int64_t Widest(int64_t targets) {
  return targets & ~(targets - 1);
}

// Set once Initialise has run: the kernels ask for the target once a row, and std::call_once
// costs a thread-local access and a call each time (3 % of the speckle filter).
std::atomic<bool> gInitialised{false};

// Reads ORV_KERNELS once and caps Highway's choice accordingly, before any kernel dispatches.
// hwy::SupportedTargets() is asked only here, and before the cap: each call hands Highway's
// dispatch every target the processor has again, which would undo hwy::DisableTargets.
void Initialise() {
  if (gInitialised.load(std::memory_order_acquire)) return;
  static std::once_flag once;
  std::call_once(once, [] {
    const int64_t supported = hwy::SupportedTargets() & kVectorTargets;
    gSupported.store(supported, std::memory_order_relaxed);
    int64_t chosen = Widest(supported);
    int64_t cap = -1;
    if (const char* v = std::getenv("ORV_KERNELS"); v && KernelTargetFromName(v, cap)) {
      if (cap == 0) {
        chosen = 0;
      } else if (cap > 0) {
        // Targets wider than the cap (the lower bits) are switched off for Highway's dispatch,
        // which chooses again at its next call.
        chosen = Widest(supported & ~(cap - 1));
        hwy::DisableTargets(cap - 1);
      }
    }
    gChosen.store(chosen, std::memory_order_relaxed);
    gInitialised.store(true, std::memory_order_release);
  });
}

}  // namespace

bool KernelTargetFromName(const char* name, KernelTarget& cap) {
  if (!name) return false;
  if (std::strcmp(name, "reference") == 0 || std::strcmp(name, "scalar") == 0) {
    cap = kReferenceKernels;
    return true;
  }
  if (std::strcmp(name, "baseline") == 0 && kVectorTargets != 0) {
    cap = Narrowest(kVectorTargets);
    return true;
  }
  for (const NamedTarget& n : kNames) {
    if ((n.target & kVectorTargets) && std::strcmp(name, n.name) == 0) {
      cap = n.target;
      return true;
    }
  }
  return false;
}

const char* KernelTargetName(KernelTarget target) {
  if (target == kReferenceKernels) return "reference";
  for (const NamedTarget& n : kNames)
    if (n.target == target) return n.name;
  return hwy::TargetName(target);
}

std::vector<KernelTarget> SupportedKernelTargets() {
  Initialise();
  std::vector<KernelTarget> targets{kReferenceKernels};
  // Widest first from Highway's bits; reversed below so the narrowest vector target comes first.
  std::vector<KernelTarget> vector;
  const int64_t supported = gSupported.load(std::memory_order_relaxed);
  for (int64_t t = supported; t != 0; t &= t - 1) vector.push_back(t & ~(t - 1));
  targets.insert(targets.end(), vector.rbegin(), vector.rend());
  return targets;
}

KernelTarget ActiveKernelTarget() {
  Initialise();
  const int64_t forced = gForced.load(std::memory_order_relaxed);
  return forced >= 0 ? forced : gChosen.load(std::memory_order_relaxed);
}

bool ReferenceKernelsForced() {
  return ActiveKernelTarget() == kReferenceKernels;
}

ScopedKernelTarget::ScopedKernelTarget(KernelTarget target) {
  Initialise();
  previous_ = gForced.exchange(target, std::memory_order_relaxed);
  // Highway dispatches to the best target it believes supported: the forced one alone.
  if (target != kReferenceKernels) hwy::SetSupportedTargetsForTest(target);
}

ScopedKernelTarget::~ScopedKernelTarget() {
  gForced.store(previous_, std::memory_order_relaxed);
  hwy::SetSupportedTargetsForTest(previous_ > 0 ? previous_ : 0);
}

}  // namespace orv
