// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a kernel on every code path this processor supports and compares the bytes with the
// scalar reference path.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/KernelPath.h"

namespace orv::test {

// The paths the processor runs, scalar first.
inline std::vector<KernelPath> SupportedKernelPaths() {
  std::vector<KernelPath> paths;
  for (KernelPath p : {KernelPath::kScalar, KernelPath::kBaseline, KernelPath::kAvx2,
                       KernelPath::kAvx512}) {
    if (KernelPathSupported(p)) paths.push_back(p);
  }
  return paths;
}

// run() computes the result (any comparable value) under the path in force. Every vector path
// must give exactly the scalar path's result; what names the case in a failure.
template <typename Run>
void ExpectSameOnEveryPath(const std::string& what, Run run) {
  decltype(run()) reference;
  {
    ScopedKernelPath scalar(KernelPath::kScalar);
    reference = run();
  }
  for (KernelPath p : SupportedKernelPaths()) {
    if (p == KernelPath::kScalar) continue;
    ScopedKernelPath force(p);
    EXPECT_TRUE(run() == reference) << what << " differs on the " << KernelPathName(p) << " path";
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
