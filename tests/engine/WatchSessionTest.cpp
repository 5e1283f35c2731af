// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The one watch loop of both front ends, on a thread of the test as the desktop program runs it:
// a burst is taken in one run, new settings apply to the next run, and a stop ends the loop at
// once when nothing is in work.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine/WatchSession.h"
#include "support/EngineFixture.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What the watch's thread reports, read by the test's thread.
struct Heard : WatchObserver {
  std::mutex mutex;
  std::vector<size_t> runs;  // photos a run took
  size_t results = 0;
  void PhotosTaken(const std::vector<std::string>& photos) override {
    std::lock_guard<std::mutex> lock(mutex);
    runs.push_back(photos.size());
  }
  void ItemFinished(const ItemResult&) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++results;
  }
  size_t Results() {
    std::lock_guard<std::mutex> lock(mutex);
    return results;
  }
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = 60s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

struct WatchSessionTest : test::EngineFixture {
  test::TempDir staging;
  WatchOptions Options() {
    WatchOptions o;
    o.folders = {dir / "in"};
    o.settle = 300ms;
    return o;
  }
};

TEST_F(WatchSessionTest, ABurstIsOneRunAndNewSettingsTakeTheNextOne) {
  engine.SetSkipExisting(true);
  engine.SetJobs(2);
  engine.log().SetPath(dir / "help/log.html");
  Heard heard;
  WatchSession session(engine, &heard, Options(), dir / "watch-failed.txt");
  std::string error;
  ASSERT_TRUE(session.Start(error)) << error;
  std::thread loop([&] { session.Run(); });

  // Moved in one after the other, a few milliseconds apart, as `mv *.jpg` does.
  constexpr int kBurst = 6;
  for (int i = 0; i < kBurst; ++i)
    test::WritePicture(staging / ("b" + std::to_string(i) + ".jpg"), 64, 48, kFormatJpeg);
  for (int i = 0; i < kBurst; ++i) {
    const std::string name = "b" + std::to_string(i) + ".jpg";
    fs::rename(staging / name, dir / ("in/" + name));
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(WaitUntil([&] { return heard.Results() == size_t(kBurst); }));
  {
    std::lock_guard<std::mutex> lock(heard.mutex);
    EXPECT_EQ(heard.runs, std::vector<size_t>{size_t(kBurst)});
  }

  // New settings from another thread: the next photo is saved as PNG.
  Settings png = engine.settings();
  png.Output.FileType = 2;
  session.ReplaceSettings(png);
  test::WritePicture(dir / "in/late.jpg", 64, 48, kFormatJpeg);
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(dir / "in/ORV/late_ORV.png"); }));

  // Idle: a stop ends the loop at once.
  const auto asked = std::chrono::steady_clock::now();
  session.RequestStop();
  loop.join();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
  for (int i = 0; i < kBurst; ++i)
    EXPECT_TRUE(fs::exists(dir / ("in/ORV/b" + std::to_string(i) + "_ORV.jpg"))) << i;
}

}  // namespace
}  // namespace orv
