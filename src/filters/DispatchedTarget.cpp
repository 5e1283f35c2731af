// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Which target Highway's dispatch runs: a function compiled once per vector target that names its
// own target, called the way every kernel's entry point calls its vector code.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/DispatchedTarget.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "filters/KernelPath.h"

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {

int64_t TargetOfThisCode() {
  return HWY_TARGET;
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(TargetOfThisCode);

KernelTarget DispatchedKernelTarget() {
  if (ReferenceKernelsForced()) return kReferenceKernels;
  const int64_t target = HWY_DYNAMIC_DISPATCH(TargetOfThisCode)();
  // The one-lane fallback's entry points run the reference code.
  return target == HWY_SCALAR || target == HWY_EMU128 ? kReferenceKernels : target;
}

}  // namespace orv
#endif
