// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A temporary file is stale when no live process holds its lock, whatever its time: a run that
// starts in the same second as a killed run's last write still removes what that run left, and
// never removes a file another process is still writing or placing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <thread>

#include "platform/SafeWrite.h"
#include "support/TempDir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

TEST(StaleTemp, AKilledWritersFileGoesAtOnceAndALiveOnesStays) {
  test::TempDir dir;
  const std::string target = dir / "p_ORV.jpg";
  // A writer in its own process, killed with SIGKILL while its temporary file is open.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string temp;
    int fd = CreateTempBeside(target, temp);
    if (fd < 0 || ::write(fd, "partial", 7) != 7) ::_exit(1);
    (void)!::write(ready[1], "x", 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);

  // While the writer lives, even a sweep that takes every time as old leaves its file alone.
  const std::time_t later = std::time(nullptr) + 3600;
  EXPECT_TRUE(RemoveStaleTempFiles(dir.path(), later).empty());
  EXPECT_EQ(test::CountTempFiles(dir.path()), 1u);

  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  // A run started in the same second (its start is not after the file's last write) removes it.
  const std::time_t sameSecond = std::time(nullptr) - 1;
  EXPECT_EQ(RemoveStaleTempFiles(dir.path(), sameSecond).size(), 1u);
  EXPECT_EQ(test::CountTempFiles(dir.path()), 0u);

  // This process's own file being written is held as well (another descriptor, same process).
  std::string temp;
  int fd = CreateTempBeside(target, temp);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(RemoveStaleTempFiles(dir.path(), later).empty());
  ::close(fd);
  DiscardTemp(temp, false);
}

TEST(StaleTemp, FilesBeingWrittenAreNeverSweptAndOldSpellingsGoByTime) {
  test::TempDir dir;
  // A sweep between writing and committing leaves the file to reach its name whole.
  for (int i = 0; i < 50; ++i) {
    const std::string name = dir / ("f" + std::to_string(i));
    TempFile out(name);
    ASSERT_TRUE(out.ok());
    ASSERT_GE(std::fputs("whole", out.file()), 0);
    RemoveStaleTempFiles(dir.path(), std::time(nullptr) + 3600);
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(fs::file_size(name), 5u);
  }
  // A file of the earlier spelling (writers that took no lock) written now is left alone.
  std::FILE* f = std::fopen((dir / "x.orvtmp-abcdef").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(RemoveStaleTempFiles(dir.path(), std::time(nullptr) - 5).empty());
  EXPECT_EQ(RemoveStaleTempFiles(dir.path(), std::time(nullptr) + 5).size(), 1u);
}

// Another process's sweep running all the time beside a writer (shards saving into one mirrored
// folder): it may take a fresh file's lock, remove the file and let go before the writer asks
// for the lock. The writer must then start again, never write into the removed file.
TEST(StaleTemp, AWriterRacingASweepAlwaysPlacesItsFile) {
  test::TempDir dir;
  std::atomic<bool> done{false};
  std::thread sweeper([&] {
    while (!done) RemoveStaleTempFiles(dir.path(), std::time(nullptr) + 3600);
  });
  int failed = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string name = dir / ("f" + std::to_string(i));
    TempFile out(name);
    failed += !out.ok() || std::fputs("whole", out.file()) < 0 || !out.Commit();
  }
  done = true;
  sweeper.join();
  EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace orv
