// Runs a kernel on every vector target this processor supports and compares the bytes with the
// reference code.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/KernelPath.h"

namespace orv::test {

// The reference and every vector target of this build the processor runs.
inline std::vector<KernelTarget> SupportedKernelPaths() {
  return SupportedKernelTargets();
}

// run() computes the result (any comparable value) under the target in force. Every vector
// target must give exactly the reference code's result; what names the case in a failure.
template <typename Run>
void ExpectSameOnEveryPath(const std::string& what, Run run) {
  decltype(run()) reference;
  {
    ScopedKernelTarget forced(kReferenceKernels);
    reference = run();
  }
  for (KernelTarget t : SupportedKernelPaths()) {
    if (t == kReferenceKernels) continue;
    ScopedKernelTarget force(t);
    EXPECT_TRUE(run() == reference) << what << " differs on the " << KernelTargetName(t)
                                    << " target";
  }
}

// Picture sizes that reach every edge case of a blocked kernel: single pixels and rows, sizes
// just around the block widths, odd widths.
inline const std::vector<std::pair<int, int>>& KernelTestSizes() {
  static const std::vector<std::pair<int, int>> sizes = {
      {1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 3}, {5, 4}, {9, 9}, {13, 11}, {31, 5},
      {33, 6}, {65, 9}, {97, 17}, {130, 3}, {257, 12}};
  return sizes;
}

}  // namespace orv::test
