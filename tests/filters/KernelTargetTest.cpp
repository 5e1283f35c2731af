// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of kernel target: the names ORV_KERNELS accepts, and forcing a target for a scope.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <set>
#include <string>

#include "filters/KernelPath.h"

namespace orv {
namespace {

TEST(KernelTarget, ListsTheReferenceFirstAndEveryTargetOnceUnderItsOwnName) {
  const std::vector<KernelTarget> targets = SupportedKernelTargets();
  ASSERT_FALSE(targets.empty());
  EXPECT_EQ(targets.front(), kReferenceKernels);
  std::set<std::string> names;
  for (KernelTarget t : targets) {
    const std::string name = KernelTargetName(t);
    EXPECT_TRUE(names.insert(name).second) << name << " twice";
    // Every listed name is one ORV_KERNELS takes back to the same target.
    KernelTarget back = -1;
    EXPECT_TRUE(KernelTargetFromName(name.c_str(), back)) << name;
    EXPECT_EQ(back, t) << name;
  }
#if defined(__x86_64__)
  // Every x86-64 processor this runs on in practice has SSE4; the build must offer it.
  EXPECT_TRUE(names.count("sse4"));
#elif defined(__aarch64__)
  EXPECT_TRUE(names.count("neon"));
#endif
}

TEST(KernelTarget, NamesTheTargetChosenForThisProcessor) {
  // Printed for the record of a run (the arm64 check quotes it).
  std::string supported;
  for (KernelTarget t : SupportedKernelTargets())
    supported += std::string(" ") + KernelTargetName(t);
  std::cout << "[ kernels  ] chosen: " << KernelTargetName(ActiveKernelTarget())
            << "; supported:" << supported << std::endl;
  EXPECT_STRNE(KernelTargetName(ActiveKernelTarget()), "Unknown");
}

TEST(KernelTarget, ParsesTheDocumentedNamesAndIgnoresOthers) {
  KernelTarget cap = -1;
  EXPECT_TRUE(KernelTargetFromName("reference", cap));
  EXPECT_EQ(cap, kReferenceKernels);
  cap = -1;
  EXPECT_TRUE(KernelTargetFromName("scalar", cap));  // the older name stays
  EXPECT_EQ(cap, kReferenceKernels);
  cap = -1;
  EXPECT_TRUE(KernelTargetFromName("baseline", cap));
  EXPECT_GT(cap, kReferenceKernels);
#if defined(__x86_64__)
  KernelTarget avx2 = -1, avx512 = -1, avx3 = -1;
  EXPECT_TRUE(KernelTargetFromName("avx2", avx2));
  EXPECT_TRUE(KernelTargetFromName("avx512", avx512));
  EXPECT_TRUE(KernelTargetFromName("avx3", avx3));
  EXPECT_EQ(avx512, avx3);
  EXPECT_NE(avx2, avx512);
  EXPECT_FALSE(KernelTargetFromName("neon", cap));  // another architecture's set
#endif
  cap = 7;
  for (const char* bad : {"", "AVX2", "avx2 ", "fastest", "ref"}) {
    EXPECT_FALSE(KernelTargetFromName(bad, cap)) << bad;
    EXPECT_EQ(cap, 7) << bad;
  }
  EXPECT_FALSE(KernelTargetFromName(nullptr, cap));
}

TEST(KernelTarget, AScopedTargetRulesUntilItEndsAndNestedScopesRestoreTheirOuter) {
  const KernelTarget before = ActiveKernelTarget();
  const std::vector<KernelTarget> targets = SupportedKernelTargets();
  for (KernelTarget t : targets) {
    ScopedKernelTarget outer(t);
    EXPECT_EQ(ActiveKernelTarget(), t);
    EXPECT_EQ(DispatchedKernelTarget(), t) << KernelTargetName(t);
    EXPECT_EQ(ReferenceKernelsForced(), t == kReferenceKernels);
    {
      ScopedKernelTarget inner(kReferenceKernels);
      EXPECT_TRUE(ReferenceKernelsForced());
      EXPECT_EQ(DispatchedKernelTarget(), kReferenceKernels);
    }
    EXPECT_EQ(ActiveKernelTarget(), t);
    // Listing the targets must not hand the dispatch a wider one.
    SupportedKernelTargets();
    EXPECT_EQ(DispatchedKernelTarget(), t) << KernelTargetName(t);
  }
  EXPECT_EQ(ActiveKernelTarget(), before);
  EXPECT_EQ(DispatchedKernelTarget(), before);
}

// ORV_KERNELS is read once per process, so each value is tried in a fresh one: gtest's
// "threadsafe" death tests run the test again in a new process of this program.
class KernelTargetFromEnvironment : public ::testing::TestWithParam<const char*> {};

TEST_P(KernelTargetFromEnvironment, CapsWhatTheKernelsRunInAFreshProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string name = GetParam();
  // What the processor offers, taken in a process of its own so that this one's choice stays.
  const auto expected = [&]() -> KernelTarget {
    KernelTarget cap = -1;
    if (!KernelTargetFromName(name.c_str(), cap)) return -1;
    if (cap == kReferenceKernels) return kReferenceKernels;
    KernelTarget widest = kReferenceKernels;
    for (KernelTarget t : SupportedKernelTargets())        // narrowest first
      if (t != kReferenceKernels && t >= cap) widest = t;  // wider targets have lower bits
    return widest;
  }();
  if (expected < 0) GTEST_SKIP() << name << " is not a target of this build";
  const char* before = std::getenv("ORV_KERNELS");
  const std::string kept = before ? before : "";
  setenv("ORV_KERNELS", name.c_str(), 1);
  // The child runs the kernels' dispatch, lists the targets (which once undid the cap), and
  // dispatches again; its exit code tells which of the checks failed.
  EXPECT_EXIT(
      {
        const int first = ActiveKernelTarget() == expected && DispatchedKernelTarget() == expected;
        SupportedKernelTargets();
        const int second = DispatchedKernelTarget() == expected;
        std::exit(first && second ? 0 : first ? 2 : 1);
      },
      ::testing::ExitedWithCode(0), "")
      << "ORV_KERNELS=" << name;
  if (before)
    setenv("ORV_KERNELS", kept.c_str(), 1);
  else
    unsetenv("ORV_KERNELS");
}

INSTANTIATE_TEST_SUITE_P(Names, KernelTargetFromEnvironment,
                         ::testing::Values("reference", "baseline"
#if defined(__x86_64__)
                                           ,
                                           "sse4", "avx2", "avx512"
#elif defined(__aarch64__)
                                           ,
                                           "neon", "sve", "sve2"
#endif
                                           ));

}  // namespace
}  // namespace orv
