// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Faults a real machine throws at `orv run`: link loops and FIFOs, signals and file-size limits,
// saves that fail, hostile names. Every orv process runs under a time limit so that a
// regression hangs nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/RunOrv.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::Count;
using test::OrvResult;
using test::ReadText;
using test::ShellQuote;
using test::TempDir;
using test::WriteText;

std::vector<std::string> TempFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string().find(".orvtmp") != std::string::npos)
      found.push_back(e.path().filename().string());
  return found;
}

struct BatchFaults : ::testing::Test {
  test::AppFolder app;
  TempDir photos;

  // orv run under `timeout`; shellPrefix runs first in the same shell (e.g. "ulimit -f 50;").
  OrvResult Run(std::vector<std::string> args, const std::string& shellPrefix = "",
                const std::string& env = "") {
    return Orv(test::RunArgs(app.path(), args), shellPrefix, env);
  }
  static OrvResult Orv(const std::vector<std::string>& args, const std::string& shellPrefix = "",
                       const std::string& env = "") {
    return test::RunCaptured(shellPrefix + " " + env + " timeout -k 5 60 " +
                             test::OrvCommandLine(args));
  }
  std::string Log() const { return ReadText(app / "help/log.html"); }
  void Photo(const std::string& name, int w = 48, int h = 32, ImageFormat f = kFormatJpeg) {
    ASSERT_TRUE(test::WritePicture(photos / name, w, h, f));
  }
};

TEST_F(BatchFaults, LinkLoopsAreEnteredOnceAndFifosAreSkipped) {
  Photo("a.jpg");
  fs::create_directory_symlink(".", photos / "l1");
  fs::create_directory_symlink(".", photos / "l2");
  ASSERT_EQ(::mkfifo((photos / "y.jpg").c_str(), 0600), 0);
  OrvResult r = Run({photos.path()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("1 of 1 photo saved"), std::string::npos) << r.err;
  // Named directly, the FIFO is refused at queue and at load time, never opened for reading.
  r = Run({photos / "y.jpg"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Excluded! Not a regular file."), std::string::npos);
  OrvResult info = Orv({"info", photos / "y.jpg"});
  EXPECT_EQ(info.status, 1) << info.err;
  OrvResult frame = Run({"--black-frame", photos / "y.jpg", photos / "a.jpg"});
  EXPECT_EQ(frame.status, 2);
}

// Starts orv run in a child and sends it signals once a temporary output file exists.
struct Interrupted {
  int status = -1;
  bool sawTemp = false;
};

Interrupted SignalDuringSave(const std::vector<std::string>& args, const std::string& outFolder,
                             std::vector<int> signals, const std::string& errPath) {
  Interrupted result;
  pid_t pid = ::fork();
  if (pid == 0) {
    int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    // A shell's background job starts with SIGINT and SIGQUIT ignored; a user's run does not.
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGQUIT, SIG_DFL);
    std::vector<char*> argv;
    std::string exe = ORV_BINARY_DIR "/orv";
    argv.push_back(exe.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int raw = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(pid, &raw, WNOHANG) == pid) {  // ended before the save began
      result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      return result;
    }
    if (!TempFilesIn(outFolder).empty()) {
      result.sawTemp = true;
      for (int s : signals) {
        ::kill(pid, s);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (!result.sawTemp) ::kill(pid, SIGKILL);
  ::waitpid(pid, &raw, 0);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

TEST_F(BatchFaults, TerminatingSignalsRemoveTheTemporaryAndFinishTheLog) {
  // The output is encoded in memory and then written while its temporary file stands: a large
  // BMP output keeps it there a while. The corrections are off, so the photo gets there quickly.
  Photo("big.bmp", 6000, 4000, kFormatBmp);
  fs::create_directory(photos / "ORV");
  std::vector<std::string> args{"--set", "Output.FileType=3", "--set", "Output.Replace=1"};
  for (const char* section : {"Balance", "Midtones", "ColorCast", "Saturation", "Sharpen",
                              "HotPixels"})
    for (const char* key : {"Enabled", "SimEnabled"})
      args.insert(args.end(), {"--set", std::string(section) + "." + key + "=0"});
  args.push_back(photos / "big.bmp");
  const std::vector<std::pair<std::vector<int>, int>> cases = {
      {{SIGTERM}, 143}, {{SIGHUP}, 129}, {{SIGQUIT}, 131}, {{SIGINT, SIGINT}, 130}};
  for (const auto& [signals, expected] : cases) {
    SCOPED_TRACE(expected);
    fs::remove(photos / "ORV/big_ORV.bmp");
    Interrupted r = SignalDuringSave(test::RunArgs(app.path(), args), photos / "ORV", signals,
                                     app / "err");
    ASSERT_TRUE(r.sawTemp);
    // The first Ctrl-C only asks to stop after the current step: when the save ends before the
    // second arrives, the run ends normally with the whole file in place.
    const bool savedFirst = signals.size() == 2 && r.status == 0;
    if (savedFirst)
      EXPECT_EQ(fs::file_size(photos / "ORV/big_ORV.bmp"), fs::file_size(photos / "big.bmp"));
    else
      EXPECT_EQ(r.status, expected) << ReadText(app / "err");
    EXPECT_EQ(TempFilesIn(photos / "ORV"), std::vector<std::string>());
    std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - 7), "</body>");
    if (expected != 130) {
      EXPECT_NE(ReadText(app / "err").find("ended by SIG"), std::string::npos);
      EXPECT_NE(log.find("**** Process ended by SIG"), std::string::npos);
    }
  }
}

TEST_F(BatchFaults, AFileSizeLimitFailsTheSaveAndTheRunGoesOn) {
  Photo("a_big.png", 600, 400, kFormatPng);
  Photo("b_small.png", 8, 8, kFormatPng);
  OrvResult r = Run({"--set", "Output.FileType=3", photos.path()}, "ulimit -f 40;");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_FALSE(fs::exists(photos / "ORV/a_big_ORV.bmp"));
  EXPECT_TRUE(fs::exists(photos / "ORV/b_small_ORV.bmp"));
  EXPECT_TRUE(TempFilesIn(photos / "ORV").empty());
  EXPECT_NE(Log().find("a_big_ORV.bmp (0): File too large</font>"), std::string::npos) << Log();
}

TEST_F(BatchFaults, TemporariesOfDeadWritersAreRemovedLiveOnesKept) {
  Photo("a.jpg");
  fs::create_directory(photos / "ORV");
  std::string stale = photos / "ORV/x_ORV.jpg.orvtmp.AbC123";
  std::string live = photos / "ORV/y_ORV.jpg.orvtmp.XyZ789";
  WriteText(stale, "partial");
  WriteText(live, "partial");
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, stale.c_str(), old, 0);
  ::utimensat(AT_FDCWD, live.c_str(), old, 0);
  int held = ::open(live.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);  // a writer still at work
  OrvResult r = Run({photos.path()});
  ::close(held);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_NE(Log().find("temporary file of an earlier run: x_ORV.jpg.orvtmp.AbC123"),
            std::string::npos);
}

TEST_F(BatchFaults, EveryFailedSaveIsToldInTheLog) {
  // A final name past the file system's limit cannot be created.
  std::string longName(250, 'n');
  Photo(longName + ".jpg");
  OrvResult r = Run({photos / (longName + ".jpg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Log().find("): File name too long</font>"), std::string::npos) << Log();
  // A "Same as Source" save that fails is a red line with its reason, not a saved line.
  Photo("t.tif", 600, 400, kFormatTiff);
  r = Run({"--set", "Output.FileType=0", photos / "t.tif"}, "ulimit -f 20;");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Log().find("<font color=\"#ff0900\">Not saved: " + photos.path() + "/ORV/t_ORV.tif"),
            std::string::npos)
      << Log();
  EXPECT_NE(Log().find("File too large"), std::string::npos) << Log();
}

TEST_F(BatchFaults, LongNamesAndTgaSourcesAreSaved) {
  // 237 + "_ORV.jpg" = 245 bytes: the final name fits, so the temporary must too.
  std::string name(237, 'l');
  Photo(name + ".jpg");
  Photo("t.tga", 20, 10, kFormatTga);
  OrvResult r = Run({"--set", "Output.FileType=0", photos.path()});
  EXPECT_EQ(r.status, 0) << r.err << Log();
  EXPECT_TRUE(fs::exists(photos / ("ORV/" + name + "_ORV.jpg")));
  EXPECT_TRUE(fs::exists(photos / "ORV/t_ORV.tga"));
}

TEST_F(BatchFaults, AnUnwritableLogIsToldAndFailsTheRun) {
  Photo("a.jpg");
  OrvResult r = Run({"--log", photos / "no/such/folder/log.html", photos / "a.jpg"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the log could not be written"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("; log: "), std::string::npos);
}

TEST_F(BatchFaults, ThePixelLimitIsNamedAndBadValuesWarnedAbout) {
  Photo("a.png", 2000, 1000, kFormatPng);
  OrvResult r = Orv({"info", photos / "a.png"}, "", "ORV_MAX_MEGAPIXELS=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("2000 x 1000 = 2 MP exceeds the limit of 1 MP (ORV_MAX_MEGAPIXELS)"),
            std::string::npos)
      << r.err;
  for (const char* bad : {"0", "-1", "abc", "''"}) {
    r = Orv({"info", photos / "a.png"}, "", std::string("ORV_MAX_MEGAPIXELS=") + bad);
    EXPECT_EQ(r.status, 0) << bad;
    EXPECT_EQ(Count(r.err, "ORV_MAX_MEGAPIXELS="), 1u) << r.err;
  }
}

TEST_F(BatchFaults, AMarkerLinkIsNeverFollowed) {
  Photo("a.jpg");
  fs::create_directory(photos / "ORV");
  WriteText(app / "mine.txt", "mine");
  fs::create_symlink(app / "mine.txt", photos / "ORV/orvoutput.dir");
  OrvResult r = Run({"--set", "Files.ExcludeORV=0", photos / "a.jpg"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadText(app / "mine.txt"), "mine");
  EXPECT_FALSE(fs::exists(photos / "ORV/a_ORV.jpg"));
  EXPECT_NE(Log().find("orvoutput.dir is not a regular file"), std::string::npos);
  // A dangling link does not create its target.
  fs::remove(photos / "ORV/orvoutput.dir");
  fs::create_symlink(app / "created.txt", photos / "ORV/orvoutput.dir");
  EXPECT_EQ(Run({photos / "a.jpg"}).status, 1);
  EXPECT_FALSE(fs::exists(app / "created.txt"));
}

TEST_F(BatchFaults, SettingsOutsideThePagesRangesAreRefusedOrHeld) {
  Photo("a.jpg", 200, 100);
  for (const char* set : {"Quality.MaxKB=1e16", "Quality.MaxKB=nan", "Quality.MaxKB=-1",
                          "Quality.CQ=0", "Quality.CQ=1000", "Size.Width=0", "Size.Percent=0"}) {
    OrvResult r = Run({"--set", set, photos / "a.jpg"});
    EXPECT_EQ(r.status, 2) << set;
    EXPECT_NE(r.err.find("must be in"), std::string::npos) << r.err;
  }
  // A profile is read as it is; at use the values are held with one red line each.
  WriteText(photos / "odd.orv",
            "[Quality]\r\nType=1\r\nCQ=1000\r\nMaxKB=1e16\r\n[Size]\r\nType=2\r\nWidth=0\r\n");
  OrvResult r = Orv({"--home", app.path(), "run", "--profile", photos / "odd.orv", "--yes",
                     photos / "a.jpg"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string log = Log();
  EXPECT_NE(log.find("Quality.CQ=1000 is outside 1..100: 100 used"), std::string::npos) << log;
  EXPECT_NE(log.find("Quality.MaxKB=1e+16 is outside 1..1000000: 1e+06 used"), std::string::npos);
  EXPECT_NE(log.find("Determined Quality: 98"), std::string::npos);
  EXPECT_NE(log.find("fit inside 0 x 400 gives no picture; size kept (200 x 100)"),
            std::string::npos);
  Image out;
  CImageFile file;
  ASSERT_EQ(file.Load((photos / "ORV/a_ORV.jpg").c_str()), 0u);
  EXPECT_EQ(file.width(), 200);
}

TEST_F(BatchFaults, ControlCharactersAreEscapedOnTheTerminal) {
  std::string name = "x\x1b[2J\norv: 5 of 5 photos saved.jpg";
  WriteText(photos / name, "not a photo");
  OrvResult r = Run({photos / name});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.err.find("\norv: 5 of 5"), std::string::npos);
  EXPECT_NE(r.err.find("x\\e[2J\\norv: 5 of 5 photos saved.jpg"), std::string::npos) << r.err;
  // "--" ends the options of every command.
  Photo("-x.jpg");
  // Back to the folder the tests started in afterwards: the photos' folder is removed at the end
  // of the test, and a later test's shell commands cannot start in a removed folder.
  const fs::path started = fs::current_path();
  fs::current_path(photos.path());
  EXPECT_EQ(Orv({"info", "--", "-x.jpg"}).status, 0);
  EXPECT_EQ(Orv({"exif", "--", "-x.jpg"}).status, 0);
  EXPECT_EQ(Orv({"rotate", "cw", "--", "-x.jpg"}).status, 0);
  fs::current_path(started);
}

}  // namespace
}  // namespace orv
