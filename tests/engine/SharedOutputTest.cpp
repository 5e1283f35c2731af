// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Several processes saving into one folder and writing one log: names are claimed once and log
// entries are kept whole.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "engine/ProcessLog.h"
#include "platform/SafeWrite.h"
#include "support/TempDir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

// Waits for a forked child, killing it after a time limit.
int WaitWithLimit(pid_t pid, int seconds) {
  int raw = 0;
  for (int i = 0; i < seconds * 100; ++i) {
    if (::waitpid(pid, &raw, WNOHANG) == pid) return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    ::usleep(10000);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &raw, 0);
  return -1;
}

TEST(SharedOutput, NumberedNamesAreClaimedOnceAcrossProcesses) {
  TempDir dir;
  auto nameAt = [&](long n) { return dir / ("a" + (n ? std::to_string(n) : "") + "_ORV.jpg"); };
  WriteText(nameAt(0), "taken");
  // Sequentially the first free name is taken, as the numbering always did.
  std::string temp;
  int fd = CreateTempBeside(nameAt(0), temp);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "x", 1), 1);
  ::close(fd);
  EXPECT_EQ(PlaceAtFreeName(temp, nameAt, 0), 1);
  DiscardTemp(temp, true);
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_EQ(ReadText(nameAt(0)), "taken");
  // Two processes placing 20 files each into one sequence never share a name.
  pid_t kids[2];
  for (pid_t& kid : kids) {
    kid = ::fork();
    if (kid == 0) {
      for (int i = 0; i < 20; ++i) {
        std::string t;
        int f = CreateTempBeside(nameAt(0), t);
        std::string body = std::to_string(::getpid()) + ":" + std::to_string(i);
        if (f < 0 || ::write(f, body.data(), body.size()) != ssize_t(body.size())) ::_exit(1);
        ::close(f);
        if (PlaceAtFreeName(t, nameAt, 1) < 0) ::_exit(2);
      }
      ::_exit(0);
    }
  }
  for (pid_t kid : kids) EXPECT_EQ(WaitWithLimit(kid, 30), 0);
  std::set<std::string> bodies;
  for (long n = 2; n <= 41; ++n) bodies.insert(ReadText(nameAt(n)));
  EXPECT_EQ(bodies.size(), 40u);
  EXPECT_FALSE(fs::exists(nameAt(42)));
}

TEST(SharedOutput, ARunStartingWhileAnotherWritesTheLogKeepsItsEntries) {
  TempDir dir;
  std::string path = dir / "log.html";
  WriteText(path, "an old run's log");
  ProcessLog first(path);
  first.LogAppend("<header A>", true);
  first.LogAppend("<entry A1>");
  pid_t kid = ::fork();
  if (kid == 0) {
    ProcessLog second(path);
    second.LogAppend("<header B>", true);
    second.LogAppend("<entry B1>");
    second.FinishRun("<footer B>", "<shared footer B>");
    ::_exit(second.WriteFailed() ? 1 : 0);
  }
  ASSERT_EQ(WaitWithLimit(kid, 30), 0);
  first.LogAppend("<entry A2>");
  first.FinishRun("<footer A>", "<shared footer A>");
  EXPECT_EQ(ReadText(path),
            "<header A><entry A1><header B><entry B1><shared footer B><entry A2><footer A>");
  // With no run live, a new run starts the log afresh.
  ProcessLog third(path);
  third.LogAppend("<header C>", true);
  third.FinishRun("<footer C>", "<shared footer C>");
  EXPECT_EQ(ReadText(path), "<header C><footer C>");
  EXPECT_FALSE(third.WriteFailed());
  ProcessLog nowhere(dir / "missing/log.html");
  nowhere.LogAppend("x", true);
  EXPECT_TRUE(nowhere.WriteFailed());
}

}  // namespace
}  // namespace orv
