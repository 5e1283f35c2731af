// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv run` against what a user's own command line, shell or terminal can do to it: a glob that
// names a photo as the report, hostile lists, odd names, signals, closed pipes and terminals.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/RunOrv.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::OrvResult;
using test::ReadText;
using test::RunCaptured;
using test::ShellQuote;
using test::TempDir;
using test::WriteText;

const std::string kOrv = ORV_BINARY_DIR "/orv";

struct RunSafety : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  void SetUp() override {
    for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg"})
      ASSERT_TRUE(test::WritePicture(photos / name, 64, 48, kFormatJpeg));
  }
  // A bash line run in the photos folder, orv as $ORV with the test's app folder.
  OrvResult Shell(const std::string& line) {
    return RunCaptured("cd " + ShellQuote(photos.path()) + " && export ORV=" + ShellQuote(kOrv) +
                       " APP=" + ShellQuote(app.path()) + " && timeout 120 bash -c " +
                       ShellQuote(line));
  }
  // The same line under a pseudo-terminal of the given width (stdin, stdout and stderr).
  OrvResult OnTerminal(const std::string& line, int columns, const std::string& input = "") {
    std::string inner = "stty cols " + std::to_string(columns) + " rows 24; " + line;
    std::string feed = input.empty() ? "" : "(sleep 1; printf " + ShellQuote(input) + ") | ";
    return Shell(feed + "script -qec " + ShellQuote(inner) + " /dev/null");
  }
};

TEST_F(RunSafety, ReportAndLogNeverTakeAPhotosPlace) {
  std::string before = ReadText(photos / "p1.jpg");
  // The shell's glob puts p1.jpg where the report's name belongs.
  OrvResult glob = Shell("$ORV --home $APP run --defaults --report *.jpg");
  EXPECT_EQ(glob.status, 2);
  EXPECT_NE(glob.err.find("--report p1.jpg: the file exists and is not a report"),
            std::string::npos)
      << glob.err;
  OrvResult log = Shell("$ORV --home $APP run --defaults --log p2.jpg p1.jpg");
  EXPECT_EQ(log.status, 2);
  OrvResult both = Shell("$ORV --home $APP run --defaults --report x --log ./x p1.jpg");
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.err.find("one file"), std::string::npos) << both.err;
  WriteText(photos / "notes.txt", "my notes");
  EXPECT_EQ(Shell("$ORV --home $APP run --defaults --report notes.txt p1.jpg").status, 2);
  EXPECT_TRUE(ReadText(photos / "p1.jpg") == before);
  EXPECT_TRUE(ReadText(photos / "p2.jpg").size() > 100);
  EXPECT_EQ(ReadText(photos / "notes.txt"), "my notes");
  EXPECT_FALSE(std::filesystem::exists(photos / "ORV"));
  // An earlier report and log (and an empty file) are written over as before.
  WriteText(photos / "empty.jsonl", "");
  ASSERT_EQ(Shell("$ORV --home $APP run --defaults --report empty.jsonl --log l.html p1.jpg").status, 0);
  OrvResult again = Shell("$ORV --home $APP run --defaults --report empty.jsonl --log l.html "
                          "--set Output.Replace=1 p1.jpg");
  EXPECT_EQ(again.status, 0) << again.err;
}

TEST_F(RunSafety, ListedFilesThatAreNotRunAreFailedResults) {
  WriteText(photos / "notes.txt", "x");
  WriteText(photos / "list", "p1.jpg\r\nmissing.jpg\nnotes.txt\n");
  OrvResult r = Shell("$ORV --home $APP run --defaults --files-from list --report r.jsonl p2.jpg");
  EXPECT_EQ(r.status, 1) << r.err;
  std::string report = ReadText(photos / "r.jsonl");
  EXPECT_NE(report.find("missing.jpg\",\"output\":null,\"status\":\"failed\",\"error\":\"No such "
                        "file or directory\""),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("notes.txt\",\"output\":null,\"status\":\"failed\",\"error\":\"Excluded! "
                        "Not Supported file.\""),
            std::string::npos)
      << report;
  // The CRLF line was queued: its trailing CR is no part of the name.
  EXPECT_TRUE(std::filesystem::exists(photos / "ORV/p1_ORV.jpg"));
  EXPECT_TRUE(std::filesystem::exists(photos / "ORV/p2_ORV.jpg"));
  EXPECT_NE(r.err.find("2 of 2 photos saved, 2 listed not run"), std::string::npos) << r.err;
  EXPECT_EQ(Shell("jq -e -s 'length == 4' r.jsonl").status, 0) << report;
}

TEST_F(RunSafety, HostileListsAreRefusedQuicklyWithTheirLine) {
  OrvResult zeros = Shell("$ORV --home $APP run --dry-run --defaults --files-from /dev/zero");
  EXPECT_EQ(zeros.status, 2);
  EXPECT_NE(zeros.err.find("line 1 is longer than PATH_MAX"), std::string::npos) << zeros.err;
  OrvResult nulls = Shell("$ORV --home $APP run --dry-run --defaults --null --files-from /dev/zero");
  EXPECT_EQ(nulls.status, 2);
  OrvResult longLine = Shell("{ echo p1.jpg; head -c 5000 /dev/zero | tr '\\0' x; echo; } | "
                             "$ORV --home $APP run --dry-run --defaults --files-from -");
  EXPECT_EQ(longLine.status, 2);
  EXPECT_NE(longLine.err.find("line 2 is longer than PATH_MAX"), std::string::npos)
      << longLine.err;
  // Many missing entries cost no memory: each is a failed result at once.
  OrvResult missing = Shell("seq 1 20000 | sed 's/$/.jpg/' | $ORV --home $APP run --dry-run "
                            "--defaults --quiet --files-from - p1.jpg");
  EXPECT_EQ(missing.status, 1) << missing.err;
  EXPECT_EQ(missing.out.find("p1.jpg\t"), missing.out.rfind("p1.jpg\t"));
  EXPECT_NE(missing.out.find("p1.jpg\t"), std::string::npos);
  OrvResult shard = Shell("$ORV --home $APP run --defaults --shard \"$UNSET\" p1.jpg");
  EXPECT_EQ(shard.status, 2);
  EXPECT_NE(shard.err.find("--shard needs K/N or auto"), std::string::npos) << shard.err;
}

TEST_F(RunSafety, DryRunRecordsStayOneLineWhateverTheNames) {
  std::string odd = "tab\there\nnew\x1b[2J\\x.jpg";
  std::filesystem::copy_file(photos / "p1.jpg", photos / odd);
  OrvResult r = Shell("$ORV --home $APP run --dry-run --defaults .");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  size_t lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 4u) << r.out;
  EXPECT_NE(r.out.find("tab\\there\\nnew\\e[2J\\\\x.jpg\t"), std::string::npos) << r.out;
}

TEST_F(RunSafety, SignalsEndTheRunWithAClosingLineAndAClosedPipeOnlyStopsTheReport) {
  for (int i = 0; i < 12; ++i)
    ASSERT_TRUE(test::WritePicture(photos / ("big" + std::to_string(i) + ".png"), 900, 700,
                                   kFormatPng));
  // SIGUSR1 as a batch system may send it: the log is closed, the status says which signal.
  OrvResult usr1 = Shell(
      "$ORV --home $APP run --defaults --jobs 1 --log l.html . & pid=$!; "
      "while [ ! -s l.html ]; do sleep 0.05; done; sleep 0.3; kill -USR1 $pid; wait $pid");
  EXPECT_EQ(usr1.status, 128 + 10) << usr1.err;
  EXPECT_NE(usr1.err.find("ended by SIGUSR1"), std::string::npos) << usr1.err;
  EXPECT_NE(ReadText(photos / "l.html").find("Finished<hr>"), std::string::npos);
  // A reader that stops after a few bytes: the run goes on and saves every photo.
  OrvResult pipe = Shell(
      "$ORV --home $APP run --defaults --set Output.Replace=1 --report - . | head -c 10 "
      ">/dev/null; echo \"status ${PIPESTATUS[0]}\" >&2");
  EXPECT_NE(pipe.err.find("broken pipe"), std::string::npos) << pipe.err;
  EXPECT_NE(pipe.err.find("15 of 15 photos saved"), std::string::npos) << pipe.err;
  EXPECT_NE(pipe.err.find("status 1"), std::string::npos) << pipe.err;
}

TEST_F(RunSafety, CancelledRunEndsWithASummary) {
  for (int i = 0; i < 12; ++i)
    ASSERT_TRUE(test::WritePicture(photos / ("big" + std::to_string(i) + ".png"), 900, 700,
                                   kFormatPng));
  OrvResult r = Shell(
      "$ORV --home $APP run --defaults --jobs 1 . & pid=$!; "
      "while [ -z \"$(ls ORV 2>/dev/null)\" ]; do sleep 0.05; done; kill -INT $pid; wait $pid");
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("orv: cancelled: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" not reached"), std::string::npos) << r.err;
}

TEST_F(RunSafety, TerminalProgressFitsItsWidthAndMessagesClearIt) {
  for (int i = 0; i < 6; ++i)
    std::filesystem::copy_file(photos / "p1.jpg",
                               photos / ("a_rather_long_photo_name_number_" + std::to_string(i) +
                                         ".jpg"));
  ASSERT_EQ(Shell("$ORV --home $APP run --defaults --quiet .").status, 0);
  OrvResult r = OnTerminal("$ORV --home $APP run --defaults --jobs 2 --set Output.Replace=1 .", 80);
  ASSERT_EQ(r.status, 0) << r.out;
  // The output folder of the first run is counted, not listed.
  EXPECT_NE(r.out.find("orv: 1 output folder skipped (--verbose lists them)"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("It is used as ORV Output path"), std::string::npos) << r.out;
  // Every drawing of the line fits 79 columns, and the line stays one line until the summary.
  size_t newlines = 0;
  for (size_t pos = 0; pos < r.out.size();) {
    size_t end = r.out.find_first_of("\r\n", pos);
    std::string piece = r.out.substr(pos, end == std::string::npos ? end : end - pos);
    size_t erase = piece.find("\x1b[K");
    if (erase != std::string::npos) piece.erase(erase);
    EXPECT_LE(piece.size(), 79u) << piece;
    if (end == std::string::npos) break;
    newlines += r.out[end] == '\n';
    pos = end + 1;
  }
  EXPECT_LE(newlines, 4u) << r.out;
  OrvResult verbose =
      OnTerminal("$ORV --home $APP run --defaults --verbose --set Output.Replace=1 p1.jpg .", 80);
  EXPECT_NE(verbose.out.find("It is used as ORV Output path"), std::string::npos) << verbose.out;
}

// A window made narrower in the middle of a run: every drawing after it fits the new width
// (TerminalLineTest shows the redraw comes at once).
TEST_F(RunSafety, TerminalProgressFollowsAResizedWindow) {
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(test::WritePicture(photos / ("a_rather_long_photo_name_" + std::to_string(i) +
                                             ".png"),
                                   900, 700, kFormatPng));
  OrvResult r = OnTerminal(
      "$ORV --home $APP run --defaults --jobs 1 --set Sharpen.Type=1 a_*.png & pid=$!; "
      "while [ -z \"$(ls ORV 2>/dev/null)\" ]; do sleep 0.02; done; "
      "stty cols 40; kill -WINCH $pid; sleep 0.3; "
      "printf '\\n@resized@\\n' >&2; wait $pid",
      100);
  ASSERT_EQ(r.status, 0) << r.out;
  size_t resized = r.out.find("@resized@");
  ASSERT_NE(resized, std::string::npos) << r.out;
  // The drawings of the line (each ends with the erase code) from `from` to `to`.
  auto drawings = [&](size_t from, size_t to) {
    std::vector<std::string> lines;
    for (size_t pos = from; pos < to;) {
      size_t end = std::min(r.out.find_first_of("\r\n", pos), to);
      std::string piece = r.out.substr(pos, end - pos);
      size_t erase = piece.find("\x1b[K");
      if (erase != std::string::npos) lines.push_back(piece.substr(0, erase));
      pos = end + 1;
    }
    return lines;
  };
  std::vector<std::string> after = drawings(resized, r.out.size());
  EXPECT_FALSE(after.empty()) << r.out;
  for (const std::string& line : after) EXPECT_LE(line.size(), 39u) << line;
}

TEST_F(RunSafety, SizeLimitQuestionIsWordedForTheTerminalAndNoSaysWhy) {
  OrvResult no = OnTerminal("$ORV --home $APP run --defaults --set Quality.Type=1 p1.jpg", 80, "n\n");
  EXPECT_NE(no.out.find("Quality.Type=1"), std::string::npos) << no.out;
  EXPECT_EQ(no.out.find("Tab"), std::string::npos) << no.out;
  EXPECT_NE(no.out.find("stopped: the size-limit question was answered No"), std::string::npos)
      << no.out;
  EXPECT_FALSE(std::filesystem::exists(photos / "ORV"));
  OrvResult yes =
      OnTerminal("$ORV --home $APP run --defaults --set Quality.Type=1 p1.jpg", 80, "y\n");
  EXPECT_NE(yes.out.find("1 of 1 photo saved"), std::string::npos) << yes.out;
  // Asked once only, though the run asks again in the desktop program's words.
  EXPECT_EQ(yes.out.find("[y/N]"), yes.out.rfind("[y/N]")) << yes.out;
}

}  // namespace
}  // namespace orv
