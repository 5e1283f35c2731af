// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a run tells its observer about each photo, and runs that skip finished photos.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/EngineFixture.h"

namespace orv {
namespace {

using test::ReadText;
using test::RecordingHost;
using test::TempDir;
using test::WriteText;

struct RunResults : test::EngineFixture {
  test::ResultCollector seen;

  RunResults() { engine.SetRunObserver(&seen); }
  RunReport Run() {
    seen.results.clear();
    engine.queue().RemoveAllFiles();
    while (!engine.queue().Folders().empty()) engine.queue().RemoveFolder(0);
    engine.queue().AddFolder(dir / "in");
    return engine.RunAll();
  }
};

TEST_F(RunResults, EachPhotoIsReportedInQueueOrderAndARerunSkipsTheFinishedOnes) {
  Photo("a.jpg", kFormatJpeg);
  Photo("b.png", kFormatPng);
  WriteText(dir / "in/c.jpg", "\xff\xd8\xff not a picture");
  RunReport r = Run();
  ASSERT_EQ(seen.results.size(), 3u);
  const ItemResult& a = seen.results[0];
  EXPECT_EQ(a.source, dir / "in/a.jpg");
  EXPECT_EQ(a.status, ItemResult::Status::Saved);
  EXPECT_EQ(a.output, dir / "in/ORV/a_ORV.jpg");
  EXPECT_EQ(a.quality, engine.settings().Quality.CQ);
  EXPECT_EQ(a.bytes, int64_t(std::filesystem::file_size(a.output)));
  EXPECT_EQ(seen.results[1].output, dir / "in/ORV/b_ORV.png");
  EXPECT_EQ(seen.results[1].quality, -1);
  EXPECT_EQ(seen.results[2].status, ItemResult::Status::Failed);
  EXPECT_EQ(seen.results[2].error.rfind("Can't load: " + dir / "in/c.jpg", 0), 0u);
  EXPECT_TRUE(seen.results[2].output.empty());
  EXPECT_EQ(r.loadFailures, 1);

  // Without skipping a second run numbers every output; with it nothing is redone.
  std::filesystem::remove(dir / "in/c.jpg");
  std::filesystem::remove(dir / "in/ORV/b_ORV.png");  // as if the first run stopped before it
  engine.settings().Files.ExcludeORV = 1;
  engine.SetSkipExisting(true);
  r = Run();
  ASSERT_EQ(seen.results.size(), 2u);
  EXPECT_EQ(seen.results[0].status, ItemResult::Status::Skipped);
  EXPECT_EQ(seen.results[0].output, dir / "in/ORV/a_ORV.jpg");
  EXPECT_EQ(seen.results[1].status, ItemResult::Status::Saved);
  EXPECT_EQ(seen.results[1].output, dir / "in/ORV/b_ORV.png");
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(r.saved, 1);
  EXPECT_EQ(r.loadFailures + r.saveFailures, 0);
  EXPECT_NE(ReadText(dir / "help/log.html").find("Skipped: " + dir / "in/a.jpg"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "in/ORV/a1_ORV.jpg"));
}

TEST_F(RunResults, ACancelledRunReportsThePhotoItStoppedInAndThoseNotReached) {
  Photo("a.jpg", kFormatJpeg);
  Photo("b.jpg", kFormatJpeg);
  Photo("c.jpg", kFormatJpeg);
  host.cancelAtItemPos = 25;  // inside the corrections ...
  host.cancelAtQueuePos = 2;  // ... of the second photo
  RunReport r = Run();
  EXPECT_EQ(r.end, RunReport::End::Cancelled);
  ASSERT_EQ(seen.results.size(), 3u);
  EXPECT_EQ(seen.results[0].status, ItemResult::Status::Saved);
  EXPECT_EQ(seen.results[1].status, ItemResult::Status::Cancelled);
  EXPECT_EQ(seen.results[2].status, ItemResult::Status::Cancelled);
  EXPECT_EQ(seen.results[2].source, dir / "in/c.jpg");
}

}  // namespace
}  // namespace orv
