// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The shared progress line: a resize draws it again at once, from the resize thread, without
// waiting for the run's next update.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "cli/TerminalLine.h"

namespace orv::cli {
namespace {

// What arrives on the pipe within `ms` milliseconds.
std::string ReadFor(int fd, int ms) {
  std::string got;
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, ms) > 0) {
    char buf[256];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, size_t(n));
    ms = 100;  // the rest of one drawing
  }
  return got;
}

TEST(TerminalLine, AResizeRedrawsTheShownLineAtOnceAndAClearedOneNot) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const int savedStderr = ::dup(STDERR_FILENO);
  ASSERT_GE(::dup2(ends[1], STDERR_FILENO), 0);
  WatchTerminalSize();
  ProgressFields f;
  f.finished = 1;
  f.total = 3;
  f.elapsed = "0:01";
  f.work = "photo.jpg: Auto Balance";
  ShowProgress(f);
  const std::string first = ReadFor(ends[0], 2000);
  ShowProgress(f);  // the same line is not written twice
  const std::string repeated = ReadFor(ends[0], 200);
  ::raise(SIGWINCH);
  const std::string redrawn = ReadFor(ends[0], 5000);
  ClearProgressLine();
  const std::string cleared = ReadFor(ends[0], 2000);
  ::raise(SIGWINCH);
  const std::string afterClear = ReadFor(ends[0], 300);
  ::dup2(savedStderr, STDERR_FILENO);
  ::close(savedStderr);
  ::close(ends[0]);
  ::close(ends[1]);

  EXPECT_NE(first.find("photo.jpg: Auto Balance\x1b[K"), std::string::npos) << first;
  EXPECT_EQ(repeated, "");
  EXPECT_EQ(redrawn, first);
  EXPECT_EQ(cleared, "\r\x1b[K");
  EXPECT_EQ(afterClear, "");
}

}  // namespace
}  // namespace orv::cli
