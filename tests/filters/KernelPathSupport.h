// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a kernel on every vector target this processor supports and compares the bytes with the
// reference code.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/KernelPath.h"
#include "platform/ThreadBudget.h"

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

// Thread counts the banded kernels are run at: 1 is the whole picture as one band; the others
// cut it differently (kBandsPerThread bands a thread, fewer on short pictures).
inline const std::vector<int>& BandThreadCounts() {
  static const std::vector<int> counts = {1, 2, 3, 7};
  return counts;
}

// Odd sizes tall enough for many bands, with widths around the vector blocks; the tallest is cut
// tapered (low bands last) at 2 and 3 threads.
inline const std::vector<std::pair<int, int>>& BandTestSizes() {
  static const std::vector<std::pair<int, int>> sizes = {
      {67, 203}, {131, 97}, {9, 61}, {37, 531}};
  return sizes;
}

// On every path, run() at 2, 3 and 7 threads must give the bytes of run() at one thread.
template <typename Run>
void ExpectSameAtEveryThreadCount(const std::string& what, Run run) {
  for (KernelTarget t : SupportedKernelPaths()) {
    ScopedKernelTarget force(t);
    decltype(run()) oneThread;
    {
      ScopedThreadLimit one(1);
      oneThread = run();
    }
    for (int threads : BandThreadCounts()) {
      if (threads == 1) continue;
      ScopedThreadLimit limit(threads);
      EXPECT_TRUE(run() == oneThread) << what << " at " << threads << " threads differs from one "
                                      << "thread on the " << KernelTargetName(t) << " path";
    }
  }
}

}  // namespace orv::test
