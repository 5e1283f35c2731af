// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The --report file under a full disk and shared by two runs: it always reads as whole JSON
// lines, and no run's lines are lost to another.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "cli/ReportWriter.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using test::ReadText;

ItemResult Result(int i) {
  ItemResult r;
  r.source = "/photos/p" + std::to_string(i) + ".jpg";
  r.output = "/photos/ORV/p" + std::to_string(i) + "_ORV.jpg";
  r.status = ItemResult::Status::Saved;
  r.bytes = 1000 + i;
  return r;
}

// Every line ends in a newline and is one whole report line of the given results.
bool AllLinesWhole(const std::string& text) {
  if (!text.empty() && text.back() != '\n') return false;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    if (line.rfind("{\"source\":", 0) != 0 || line.back() != '}') return false;
    at = end + 1;
  }
  return true;
}

TEST(ReportFile, AFullDiskCutsTheFileBackToItsLastWholeLine) {
  test::TempDir dir;
  const std::string path = dir / "report.jsonl";
  const size_t lineSize = cli::ReportLine(Result(0)).size() + 1;
  // A file-size limit in a child process stands in for the full disk: the write that crosses it
  // is cut short, as on a disk that fills in the middle of a line.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {rlim_t(lineSize * 3 + lineSize / 2), rlim_t(lineSize * 3 + lineSize / 2)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::freopen("/dev/null", "w", stderr);
    cli::ReportWriter writer;
    std::string error;
    if (!writer.Open(path, error)) ::_exit(3);
    for (int i = 0; i < 6; ++i) writer.ItemFinished(Result(i));
    ::_exit(writer.ok() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);  // the failed write is told
  const std::string text = ReadText(path);
  EXPECT_TRUE(AllLinesWhole(text)) << text;
  EXPECT_EQ(text.size(), lineSize * 3);
}

TEST(ReportFile, TwoRunsSharingOneReportKeepEveryLine) {
  test::TempDir dir;
  const std::string path = dir / "report.jsonl";
  std::string error;
  {
    cli::ReportWriter first;
    ASSERT_TRUE(first.Open(path, error)) << error;
    first.ItemFinished(Result(1));
    {
      // The second run starts while the first writes: it appends instead of emptying.
      cli::ReportWriter second;
      ASSERT_TRUE(second.Open(path, error)) << error;
      second.ItemFinished(Result(2));
      first.ItemFinished(Result(3));
      second.ItemFinished(Result(4));
    }
    first.ItemFinished(Result(5));
  }
  std::string text = ReadText(path);
  EXPECT_TRUE(AllLinesWhole(text));
  for (int i = 1; i <= 5; ++i)
    EXPECT_NE(text.find("p" + std::to_string(i) + ".jpg"), std::string::npos) << i;

  // A run starting alone empties the report as before.
  cli::ReportWriter later;
  ASSERT_TRUE(later.Open(path, error));
  later.ItemFinished(Result(6));
  text = ReadText(path);
  EXPECT_EQ(text, cli::ReportLine(Result(6)) + "\n");
}

}  // namespace
}  // namespace orv
