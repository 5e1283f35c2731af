// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A late cut of rows between a top that works on and a helper that comes later: every row is
// worked exactly once, by one side, whenever the helper comes and however it moves the cut on
// its way; the cut falls where both should end together at the speeds seen, and a helper that
// comes too late takes nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "platform/LateRowCut.h"

namespace orv::test {
namespace {

// Runs the top over every row it may work; returns the rows it worked.
int RunTop(LateRowCut& cut, int height) {
  int y = 0;
  while (y < height && cut.TopMayWork(y)) ++y;
  return y;
}

// Runs the top on a thread of its own, marking each row it works in `worked`; topRows receives
// the rows it worked once it stops.
std::thread StartTop(LateRowCut& cut, std::vector<std::atomic<int>>& worked,
                     std::atomic<int>& topRows) {
  return std::thread([&cut, &worked, &topRows] {
    const int height = int(worked.size());
    int y = 0;
    for (; y < height && cut.TopMayWork(y); ++y) worked[size_t(y)].fetch_add(1);
    topRows.store(y);
  });
}

TEST(LateRowCut, TheCutFallsWhereBothSidesEndTogether) {
  // A helper at the start: the top works the cut's rows, the helper passes them at 0.6 of a row
  // each and works the rest; both cost 2000 / 1.4 = 1428.6 rows, on a multiple of 16.
  LateRowCut early(2000, 16, 256, 0.6);
  EXPECT_EQ(early.TakeLower(), 1424);
  EXPECT_EQ(early.TakeLower(), -1) << "the lower part is taken once";
  EXPECT_EQ(RunTop(early, 2000), 1424);

  // A helper after the top's first 400 rows (claimed a step at a time): the cut moves down.
  LateRowCut later(2000, 16, 256, 0.6);
  for (int y = 0; y < 400; ++y) ASSERT_TRUE(later.TopMayWork(y));
  const int at = later.TakeLower();
  EXPECT_EQ(at, 1712);  // (2000 + 400) / 1.4 = 1714.3
  EXPECT_EQ(RunTop(later, 2000), at);

  // Too late: the helper would not end before the top alone, or would get under 256 rows.
  LateRowCut tooLate(2000, 16, 256, 0.6);
  for (int y = 0; y < 900; ++y) ASSERT_TRUE(tooLate.TopMayWork(y));
  EXPECT_EQ(tooLate.TakeLower(), -1);
  EXPECT_EQ(RunTop(tooLate, 2000), 2000);

  // Nobody comes: the top works every row, and the caller's own late call takes nothing.
  LateRowCut alone(1000, 8, 256, 0.6);
  EXPECT_EQ(RunTop(alone, 1000), 1000);
  EXPECT_EQ(alone.TakeLower(), -1);

  // Too small to cut at all.
  LateRowCut small(300, 16, 256, 0.6);
  EXPECT_EQ(small.TakeLower(), -1);
  EXPECT_EQ(RunTop(small, 300), 300);
}

TEST(LateRowCut, EveryRowIsWorkedOnceWheneverTheHelperComes) {
  constexpr int kHeight = 1200;
  for (int delay = 0; delay < 400; delay += 7) {
    SCOPED_TRACE(delay);
    LateRowCut cut(kHeight, 8, 64, 0.6);
    // Each side marks the rows it works; a row marked twice, or never, is a fault.
    std::vector<std::atomic<int>> worked(kHeight);
    std::atomic<int> topRows{0};
    std::thread top = StartTop(cut, worked, topRows);
    // The helper comes after the top has worked about `delay` rows.
    while (topRows.load() == 0 && worked[size_t(delay)].load() == 0) std::this_thread::yield();
    const int first = cut.TakeLower();
    if (first >= 0)
      for (int y = first; y < kHeight; ++y) worked[size_t(y)].fetch_add(1);
    top.join();
    for (int y = 0; y < kHeight; ++y) ASSERT_EQ(worked[size_t(y)].load(), 1) << "row " << y;
    if (first >= 0) {
      EXPECT_EQ(topRows.load(), first);
      EXPECT_EQ(first % 8, 0);
      EXPECT_GE(kHeight - first, 64);
    }
  }
}

TEST(LateRowCut, TheHelperMovesTheCutByTheSpeedsSeen) {
  LateRowCut cut(2000, 16, 16, 0.6);
  ASSERT_EQ(cut.TakeLower(), 1424);
  for (int y = 0; y < 400; ++y) ASSERT_TRUE(cut.TopMayWork(y));
  // The top worked 400 rows in 0.1 s, the helper passed 800 in 0.1 s: passing costs half of
  // working, so both end together at (2000 + 400 - 0.5 x 800) / 1.5 = 1333.3.
  EXPECT_EQ(cut.MoveCutAt(800, 0.1, 0.1), 1328);
  // Passing as dear as working: (2000 + 400 - 800) / 1.
  EXPECT_EQ(cut.MoveCutAt(800, 0.2, 0.1), 1600);
  // No time seen on one side yet: the cut stays.
  EXPECT_EQ(cut.MoveCutAt(800, 0.0, 0.1), 1600);
  EXPECT_EQ(cut.MoveCutAt(800, 0.1, 0.0), 1600);
  // A first step timed absurdly fast or slow is bounded: never before the rows passed, never
  // past the helper's least share.
  EXPECT_EQ(cut.MoveCutAt(1000, 0.001, 0.1), 1200);  // reach taken as 0.05
  EXPECT_EQ(cut.MoveCutAt(16, 1.0, 0.1), 1984);      // reach taken as 1.5
  // Once the top has claimed every row above the cut, the cut stays where it is.
  EXPECT_EQ(RunTop(cut, 2000), 1984);
  EXPECT_EQ(cut.MoveCutAt(800, 0.1, 0.1), 1984);
}

TEST(LateRowCut, EveryRowIsWorkedOnceWhileTheHelperMovesTheCut) {
  constexpr int kHeight = 1500, kStep = 8;
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    LateRowCut cut(kHeight, kStep, kStep, 0.6);
    int end = cut.TakeLower();
    ASSERT_GT(end, 0);
    std::vector<std::atomic<int>> worked(kHeight);
    std::atomic<int> topRows{0};
    std::thread top = StartTop(cut, worked, topRows);
    // The helper passes rows in steps and moves the cut after each, with speeds that swing
    // from step to step, while the top works on.
    std::uniform_real_distribution<double> seconds(0.0, 0.02);
    int passed = 0;
    while (passed < end) {
      passed += std::min(end - passed, kStep * int(1 + rng() % 40));
      end = cut.MoveCutAt(passed, seconds(rng), seconds(rng));
      ASSERT_GE(end, passed);
      ASSERT_EQ(end % kStep, 0);
      if (rng() % 4 == 0) std::this_thread::yield();
    }
    for (int y = passed; y < kHeight; ++y) worked[size_t(y)].fetch_add(1);
    top.join();
    EXPECT_EQ(topRows.load(), passed);
    for (int y = 0; y < kHeight; ++y) ASSERT_EQ(worked[size_t(y)].load(), 1) << "row " << y;
  }
}

TEST(LateRowCut, AHelperDoneEarlyTakesBackTheTopsLastRows) {
  // Leaning 160 rows below the even point (2000 / 1.5 = 1333.3, on 1328).
  LateRowCut cut(2000, 16, 16, 0.5, 160);
  ASSERT_EQ(cut.TakeLower(), 1488);
  for (int y = 0; y < 800; ++y) ASSERT_TRUE(cut.TopMayWork(y));
  // The helper's rows are done with the top at 800: both end together when the top works on to
  // x and the helper, after 32 rows' worth of starting, from x to 1488: x = 1160, on 1168.
  EXPECT_EQ(cut.TakeTopEnd(1488, 32), 1168);
  EXPECT_EQ(cut.TakeTopEnd(1488, 32), -1) << "the cut is no longer the helper's first row";
  EXPECT_EQ(cut.TakeTopEnd(1168, 400), -1) << "starting costs more than the rows left";
  EXPECT_EQ(RunTop(cut, 2000), 1168);
  EXPECT_EQ(cut.TakeTopEnd(1168, 0), -1) << "the top has claimed every row";
}

TEST(LateRowCut, EveryRowIsWorkedOnceWhenTheHelperTakesBackRows) {
  constexpr int kHeight = 1200, kStep = 8;
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    LateRowCut cut(kHeight, kStep, kStep, 0.3, int(rng() % 200));
    int end = cut.TakeLower();
    ASSERT_GT(end, 0);
    std::vector<std::atomic<int>> worked(kHeight);
    std::atomic<int> topRows{0};
    std::thread top = StartTop(cut, worked, topRows);
    for (int y = end; y < kHeight; ++y) worked[size_t(y)].fetch_add(1);
    // Takes back the top's last rows at random moments while the top works on.
    for (int from; (from = cut.TakeTopEnd(end, int(rng() % 64))) >= 0; end = from) {
      ASSERT_EQ(from % kStep, 0);
      ASSERT_LT(from, end);
      for (int y = from; y < end; ++y) worked[size_t(y)].fetch_add(1);
      if (rng() % 2) std::this_thread::yield();
    }
    top.join();
    for (int y = 0; y < kHeight; ++y) ASSERT_EQ(worked[size_t(y)].load(), 1) << "row " << y;
  }
}

}  // namespace
}  // namespace orv::test
