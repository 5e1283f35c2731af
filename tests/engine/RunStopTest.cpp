// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A run told from outside to take no further photo (a watch that ends): the photos in work are
// finished and saved, none is started after, the rest keep no trace and their check marks, and
// nobody is asked to read a message.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "support/EngineFixture.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Asks the stop when the first photo is settled, as a signal arriving mid-run would.
struct StopAtFirstResult : test::ResultCollector {
  explicit StopAtFirstResult(std::atomic<bool>& s) : stop(s) {}
  void ItemFinished(const ItemResult& r) override {
    ResultCollector::ItemFinished(r);
    stop = true;
  }
  std::atomic<bool>& stop;
};

class RunStop : public test::EngineFixture, public ::testing::WithParamInterface<int> {};

TEST_P(RunStop, PhotosInWorkAreSavedAndNoneIsStartedAfter) {
  constexpr size_t kPhotos = 10;
  for (size_t i = 0; i < kPhotos; ++i) Photo("p" + std::to_string(i) + ".jpg");
  engine.queue().AddPaths({dir / "in"});
  ASSERT_EQ(engine.queue().Cue().size(), kPhotos);
  std::atomic<bool> stop{false};
  StopAtFirstResult results(stop);
  engine.SetRunObserver(&results);
  engine.SetStopTaking(&stop);
  engine.SetJobs(GetParam());

  RunReport report = engine.RunAll();
  EXPECT_EQ(report.end, RunReport::End::Cancelled);
  ASSERT_EQ(results.results.size(), kPhotos);  // one result a queued photo
  // The saved photos come first, in queue order; every other one was never started.
  size_t saved = 0;
  while (saved < kPhotos && results.results[saved].status == ItemResult::Status::Saved) ++saved;
  EXPECT_GE(saved, 1u);
  // One worker settles each photo before it starts the next. A pool takes the finished photos
  // of its window (two a worker) off together and slides the window before settling them, so
  // when the stop comes with the first of them, up to a window more may be in work.
  EXPECT_LE(saved, GetParam() == 1 ? 1u : 4u * size_t(engine.lastWorkerCount()));
  EXPECT_EQ(report.saved, int(saved));
  const std::vector<CueItem>& cue = engine.queue().Cue();
  for (size_t i = 0; i < kPhotos; ++i) {
    const std::string output = dir / ("in/ORV/p" + std::to_string(i) + "_ORV.jpg");
    if (i < saved) {
      EXPECT_TRUE(fs::exists(output)) << i;
      EXPECT_FALSE(cue[i].checked) << i;
    } else {
      EXPECT_EQ(results.results[i].status, ItemResult::Status::Cancelled) << i;
      EXPECT_FALSE(fs::exists(output)) << i;
      EXPECT_TRUE(cue[i].checked) << i;
    }
  }
  for (const auto& e : fs::directory_iterator(dir / "in/ORV"))
    EXPECT_EQ(e.path().filename().string().find(".orvtmp"), std::string::npos) << e.path();
  EXPECT_NE(Log().find("Process Cancelled by User"), std::string::npos);
  EXPECT_FALSE(host.Saw("message"));
}

INSTANTIATE_TEST_SUITE_P(Workers, RunStop, ::testing::Values(1, 2));

}  // namespace
}  // namespace orv
