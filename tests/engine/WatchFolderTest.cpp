#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "engine/WatchFolder.h"
#include "engine/WatchRunner.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::TempDir;
using test::WriteText;

// Collects what the watch hands over until `until` holds or the time is up; counts each path.
struct Collected {
  std::map<std::string, int> times;
  std::map<std::string, int64_t> sizes;
};
template <class Until>
Collected WaitFor(FolderWatch& watch, std::chrono::milliseconds limit, Until until,
                  Collected c = {}) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!until(c) && std::chrono::steady_clock::now() < end) {
    for (const std::string& p : watch.Wait(-1, 50ms)) {
      ++c.times[p];
      FileStamp s;
      ReadFileStamp(p, s);
      c.sizes[p] = s.size;
    }
  }
  return c;
}

WatchOptions Options(const std::string& folder, std::chrono::milliseconds settle = 300ms) {
  WatchOptions o;
  o.folders = {folder};
  o.settle = settle;
  return o;
}

TEST(WatchFolder, PartialNamesWaitForTheirRename) {
  for (const char* name : {"a.part", "b.tmp", "c.crdownload", "d.jpg~", ".hidden.jpg"})
    EXPECT_TRUE(IsPartialName(name)) << name;
  for (const char* name : {"a.jpg", "part", "tmp.png", "IMG_0001.CR2"})
    EXPECT_FALSE(IsPartialName(name)) << name;

  TempDir dir;
  FolderWatch watch(Options(dir.path()));
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  EXPECT_FALSE(watch.Polling());
  WriteText(dir / "photo.jpg.part", "complete bytes");
  Collected none = WaitFor(watch, 700ms, [](const Collected&) { return false; });
  EXPECT_TRUE(none.times.empty());
  std::filesystem::rename(dir / "photo.jpg.part", dir / "photo.jpg");
  Collected c = WaitFor(watch, 5s, [](const Collected& c) { return !c.times.empty(); });
  ASSERT_EQ(c.times.size(), 1u);
  EXPECT_EQ(c.times.begin()->first, dir / "photo.jpg");
}

TEST(WatchFolder, SlowWriterIsTakenOnceWhenComplete) {
  TempDir dir;
  FolderWatch watch(Options(dir.path(), 400ms));
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  const std::string path = dir / "slow.jpg";
  // Written in chunks with pauses shorter than the settle time, closed and opened again.
  std::thread writer([&] {
    for (int i = 0; i < 5; ++i) {
      int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      std::string chunk(1000, char('a' + i));
      EXPECT_EQ(::write(fd, chunk.data(), chunk.size()), ssize_t(chunk.size()));
      ::close(fd);
      std::this_thread::sleep_for(150ms);
    }
  });
  Collected c = WaitFor(watch, 4s, [](const Collected&) { return false; });
  writer.join();
  ASSERT_EQ(c.times.size(), 1u);
  EXPECT_EQ(c.times[path], 1);
  EXPECT_EQ(c.sizes[path], 5000);
}

TEST(WatchFolder, BurstOfFilesEachHandedOverOnce) {
  TempDir dir;
  FolderWatch watch(Options(dir.path(), 200ms));
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i) WriteText(dir / ("p" + std::to_string(i) + ".jpg"), "x");
  Collected c = WaitFor(watch, 10s, [](const Collected& c) { return c.times.size() >= kFiles; });
  // A little longer: nothing may come twice.
  c = WaitFor(watch, 500ms, [](const Collected&) { return false; }, c);
  ASSERT_EQ(c.times.size(), size_t(kFiles));
  for (const auto& [path, n] : c.times) EXPECT_EQ(n, 1) << path;
}

TEST(WatchFolder, StartTakesWhatIsThereAndChangesComeAgain) {
  TempDir dir;
  WriteText(dir / "old.jpg", "x");
  std::filesystem::last_write_time(dir / "old.jpg",
                                   std::filesystem::file_time_type::clock::now() - 1h);
  FolderWatch watch(Options(dir.path(), 1s));
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  // Still for longer than the settle time already: no wait.
  std::vector<std::string> first = watch.Wait(-1, 0ms);
  ASSERT_EQ(first.size(), 1u);
  WriteText(dir / "old.jpg", "changed");
  Collected c = WaitFor(watch, 4s, [](const Collected& c) { return !c.times.empty(); });
  EXPECT_EQ(c.times[dir / "old.jpg"], 1);
}

TEST(WatchFolder, NewSubfoldersAreWatchedOutputFoldersNever) {
  TempDir dir;
  WatchOptions o = Options(dir.path(), 200ms);
  o.recursive = true;
  FolderWatch watch(o);
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  std::filesystem::create_directories(dir / "later/deeper");
  WriteText(dir / "later/deeper/a.jpg", "x");
  std::filesystem::create_directory(dir / "ORV");
  WriteText(dir / "ORV/orvoutput.dir", "*");
  WriteText(dir / "ORV/a_ORV.jpg", "x");
  Collected c = WaitFor(watch, 3s, [](const Collected&) { return false; });
  ASSERT_EQ(c.times.size(), 1u);
  EXPECT_EQ(c.times.begin()->first, dir / "later/deeper/a.jpg");
}

TEST(WatchFolder, PollingFindsArrivals) {
  TempDir dir;
  WatchOptions o = Options(dir.path(), 200ms);
  o.poll = 100ms;
  FolderWatch watch(o);
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  EXPECT_TRUE(watch.Polling());
  WriteText(dir / "a.jpg", "x");
  Collected c = WaitFor(watch, 3s, [](const Collected& c) { return !c.times.empty(); });
  c = WaitFor(watch, 500ms, [](const Collected&) { return false; }, c);
  EXPECT_EQ(c.times[dir / "a.jpg"], 1);
  EXPECT_FALSE(IsRemoteFileSystem(dir.path()));
}

TEST(WatchFolder, WakeDescriptorEndsTheWait) {
  TempDir dir;
  FolderWatch watch(Options(dir.path()));
  std::string error;
  ASSERT_TRUE(watch.Start(error)) << error;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "x", 1), 1);
  const auto start = std::chrono::steady_clock::now();
  watch.Wait(fds[0], 10s);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(WatchState, FailuresAreKeptUntilTheFileChanges) {
  TempDir dir;
  WriteText(dir / "bad.jpg", "broken");
  WriteText(dir / "gone.jpg", "broken");
  FileStamp bad, gone;
  ASSERT_TRUE(ReadFileStamp(dir / "bad.jpg", bad));
  ASSERT_TRUE(ReadFileStamp(dir / "gone.jpg", gone));
  {
    FailedPhotos state(dir / "state.txt");
    state.Record(dir / "bad.jpg", bad);
    state.Record(dir / "gone.jpg", gone);
    state.Record(dir / "line\nbreak.jpg", bad);  // not kept: it could not be read back
    ASSERT_TRUE(state.Save());
  }
  std::filesystem::remove(dir / "gone.jpg");
  FailedPhotos state(dir / "state.txt");
  state.Load();
  EXPECT_EQ(state.size(), 1u);
  EXPECT_TRUE(state.FailedAsIs(dir / "bad.jpg", bad));
  FileStamp changed = bad;
  changed.size += 1;
  EXPECT_FALSE(state.FailedAsIs(dir / "bad.jpg", changed));
  state.Forget(dir / "bad.jpg");
  EXPECT_FALSE(state.FailedAsIs(dir / "bad.jpg", bad));
}

TEST(WatchState, DailyLogNames) {
  std::tm day{};
  day.tm_year = 2026 - 1900;
  day.tm_mon = 11;
  day.tm_mday = 8;
  day.tm_hour = 12;
  const std::time_t when = std::mktime(&day);
  EXPECT_EQ(DailyLogPath("/a/help/log.html", when), "/a/help/log-2026-12-08.html");
  EXPECT_EQ(DailyLogPath("/a.b/log", when), "/a.b/log-2026-12-08");
  EXPECT_EQ(DailyLogPath("/a/.log", when), "/a/.log-2026-12-08");
}

}  // namespace
}  // namespace orv
