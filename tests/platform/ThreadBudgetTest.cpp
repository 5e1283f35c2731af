// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The process's thread budget: every task runs once, helpers join while cores are free, and the
// threads that work at once never pass the limit, photo workers and helpers together.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/RowBands.h"
#include "platform/ThreadBudget.h"

namespace orv::test {
namespace {

using namespace std::chrono_literals;

TEST(ThreadBudget, EveryTaskRunsOnceAndNestedCallsRunInline) {
  ScopedThreadLimit limit(4);
  std::vector<std::atomic<int>> runs(100);
  std::atomic<int> nested{0};
  auto task = [&](int i) {
    runs[size_t(i)].fetch_add(1);
    // A task's own bands run on its thread: no helper waits on another helper.
    auto inner = [&](int) { nested.fetch_add(1); };
    RunTasks(3, inner);
  };
  RunTasks(100, task);
  for (const auto& r : runs) EXPECT_EQ(r.load(), 1);
  EXPECT_EQ(nested.load(), 300);
}

TEST(ThreadBudget, HelpersJoinTheBandsOfALonePhoto) {
  ScopedThreadLimit limit(3);
  std::mutex m;
  std::set<std::thread::id> threads;
  std::atomic<bool> helped{false};
  const std::thread::id caller = std::this_thread::get_id();
  auto task = [&](int i) {
    {
      std::lock_guard<std::mutex> lock(m);
      threads.insert(std::this_thread::get_id());
    }
    if (std::this_thread::get_id() != caller) helped = true;
    // The first task holds on until a helper has taken one (or a long while has passed on a
    // loaded machine), so the caller cannot run them all alone.
    if (i == 0)
      for (int k = 0; k < 2000 && !helped; ++k) std::this_thread::sleep_for(5ms);
  };
  RunTasks(12, task);
  EXPECT_TRUE(helped.load());
  EXPECT_LE(threads.size(), 3u);
}

TEST(ThreadBudget, TheCallerRunsTheFirstTaskWhateverHelpersWait) {
  // Helpers left waiting from a higher limit race the caller for a new job's tasks; the first
  // task (a band that reports progress) stays the caller's.
  {
    ScopedThreadLimit many(4);
    auto nothing = [](int) {};
    RunTasks(8, nothing);
  }
  ScopedThreadLimit limit(2);
  const std::thread::id caller = std::this_thread::get_id();
  for (int round = 0; round < 500; ++round) {
    std::thread::id first;
    auto task = [&](int i) {
      if (i == 0) first = std::this_thread::get_id();
    };
    RunTasks(2, task);
    ASSERT_EQ(first, caller) << round;
  }
}

TEST(ThreadBudget, WorkBesideTheCallersOwnRunsOnAFreeCoreOrAfterIt) {
  const std::thread::id caller = std::this_thread::get_id();
  {
    // A free core takes the task while the caller's own work waits for it to start.
    ScopedThreadLimit limit(2);
    std::atomic<bool> started{false};
    std::thread::id taker;
    auto task = [&](int) {
      taker = std::this_thread::get_id();
      started = true;
    };
    bool sawIt = false;
    auto own = [&](int) {
      for (int k = 0; k < 2000 && !started; ++k) std::this_thread::sleep_for(5ms);
      sawIt = started.load();
    };
    RunTasksBeside(1, task, own);
    EXPECT_TRUE(sawIt);
    EXPECT_NE(taker, caller);
  }
  // With one thread, and from inside a task, the caller runs its own work first, then the tasks.
  for (bool inside : {false, true}) {
    ScopedThreadLimit limit(inside ? 2 : 1);
    std::vector<int> order;
    auto task = [&](int i) { order.push_back(i); };
    auto own = [&](int) { order.push_back(-1); };
    auto outer = [&](int i) {
      if (i == 0) RunTasksBeside(2, task, own);
    };
    if (inside)
      RunTasks(2, outer);  // the caller's first task, with a helper free for the other
    else
      outer(0);
    EXPECT_EQ(order, (std::vector<int>{-1, 0, 1})) << inside;
  }
}

TEST(ThreadBudget, WorkersAndHelpersTogetherStayWithinTheLimit) {
  for (int limitThreads : {1, 2, 3}) {
    ScopedThreadLimit limit(limitThreads);
    std::atomic<int> working{0}, peak{0};
    auto task = [&](int) {
      const int now = working.fetch_add(1) + 1;
      int seen = peak.load();
      while (now > seen && !peak.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(1ms);
      working.fetch_sub(1);
    };
    // One caller alone: it and the helpers never pass the limit.
    ResetPeakWorkingThreads();
    RunTasks(40, task);
    EXPECT_LE(peak.load(), limitThreads);
    EXPECT_LE(PeakWorkingThreads(), limitThreads);

    // As many photo workers as the limit, and one more (as --jobs may ask), all holding their
    // slots until every one is done: no helper may run a band meanwhile.
    for (int count : {limitThreads, limitThreads + 1}) {
      std::mutex m;
      std::set<std::thread::id> workerIds, ranOn;
      std::atomic<int> started{0}, finished{0};
      auto band = [&](int) {
        std::lock_guard<std::mutex> lock(m);
        ranOn.insert(std::this_thread::get_id());
      };
      std::vector<std::thread> workers;
      for (int w = 0; w < count; ++w)
        workers.emplace_back([&] {
          WorkerSlot slot;
          {
            std::lock_guard<std::mutex> lock(m);
            workerIds.insert(std::this_thread::get_id());
          }
          started.fetch_add(1);
          while (started.load() < count) std::this_thread::sleep_for(1ms);
          for (int photo = 0; photo < 3; ++photo) RunTasks(8, band);
          finished.fetch_add(1);
          while (finished.load() < count) std::this_thread::sleep_for(1ms);
        });
      for (std::thread& t : workers) t.join();
      for (const std::thread::id& id : ranOn)
        EXPECT_TRUE(workerIds.count(id))
            << "a helper ran a band beside " << count << " workers at a limit of " << limitThreads;
    }
  }
}

TEST(ThreadBudget, ABatchThatFillsTheCoresCutsNoBands) {
  ScopedThreadLimit limit(2);
  EXPECT_GT(CutRowBands(0, 4000, 16).count, 1);  // a lone photo: bands for the free core
  std::atomic<int> ready{0};
  std::atomic<bool> done{false};
  std::thread other([&] {
    WorkerSlot slot;
    ready = 1;
    while (!done) std::this_thread::sleep_for(1ms);
  });
  while (ready == 0) std::this_thread::sleep_for(1ms);
  {
    WorkerSlot mine;
    // Both cores have their photo: the kernel runs whole on its own worker, as before.
    EXPECT_EQ(CutRowBands(0, 4000, 16).count, 1);
    EXPECT_FALSE(HelpersFree());
  }
  done = true;
  other.join();
  // The other photo is done (the tail of a batch): the lone one's bands may use its core.
  EXPECT_TRUE(HelpersFree());
}

TEST(ThreadBudget, BandsCoverTheRowsOnce) {
  ScopedThreadLimit limit(7);
  for (int rows : {1, 15, 16, 17, 203, 4000}) {
    std::vector<std::atomic<int>> hits(static_cast<size_t>(rows));
    RunRowBands(0, rows, 16, [&](int from, int to) {
      EXPECT_LE(from, to);
      for (int y = from; y < to; ++y) hits[size_t(y)].fetch_add(1);
    });
    for (const auto& h : hits) EXPECT_EQ(h.load(), 1) << rows;
  }
  EXPECT_EQ(CutRowBands(3, 3, 16).count, 0);
}

// Every cut, even or tapered, runs from its first row to its last without gap or overlap, and
// none of its bands is lower than the kernel allows.
TEST(ThreadBudget, CutsTileTheRowsWithBandsOfTheLeastHeightOrMore) {
  for (int threads : {2, 3, 7}) {
    ScopedThreadLimit limit(threads);
    for (int rows : {1, 15, 16, 17, 127, 128, 129, 203, 255, 256, 257, 4000, 4001}) {
      for (int minRows : {1, 16, 40}) {
        const RowBandCut cut = CutRowBands(5, 5 + rows, minRows);
        ASSERT_GE(cut.count, 1);
        EXPECT_LE(cut.count, threads * kBandsPerThread);
        EXPECT_EQ(cut.From(0), 5);
        EXPECT_EQ(cut.To(cut.count - 1), 5 + rows);
        for (int k = 0; k < cut.count; ++k) {
          if (cut.count > 1) {
            EXPECT_GE(cut.To(k) - cut.From(k), minRows) << rows << " " << k;
          }
          EXPECT_LE(cut.From(k), cut.To(k));
        }
        // Tapered: the bands taken last are the low ones.
        if (cut.tapered) {
          EXPECT_LT(cut.To(cut.count - 1) - cut.From(cut.count - 1), cut.To(0) - cut.From(0));
        }
      }
    }
  }
  ScopedThreadLimit two(2);
  EXPECT_TRUE(CutRowBands(0, 4000, 16).tapered);
  EXPECT_FALSE(CutRowBands(0, 200, 16).tapered);  // the low bands would hold 12 rows
}

}  // namespace
}  // namespace orv::test
