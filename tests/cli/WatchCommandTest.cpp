// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv watch` as a user runs it: a real process on real temporary folders, stopped by signals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "imageio/ImageFile.h"
#include "support/RunOrv.h"
#include "support/TestPictures.h"

extern char** environ;

namespace orv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadText;
using test::TempDir;
using test::WriteText;

// Waits until `done` holds, at most `limit`.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 60s,
               std::chrono::milliseconds step = 50ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(step);
  }
  return true;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A running `orv watch`, its stderr in a file.
class Watcher {
 public:
  Watcher(const std::string& errPath, std::vector<std::string> args) : errPath_(errPath) {
    args.insert(args.begin(), ORV_BINARY_DIR "/orv");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Watcher() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  std::string Err() const { return ReadText(errPath_); }
  void Signal(int signal) { ::kill(pid_, signal); }
  // The exit status once it ended within the limit; -1 otherwise (then it is killed).
  int Wait(std::chrono::milliseconds limit = 60s) {
    int status = 0;
    bool ended = WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limit);
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  void Kill9() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string errPath_;
  pid_t pid_ = -1;
};

struct WatchCommand : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  TempDir io;
  std::vector<std::string> Args(std::vector<std::string> extra,
                                const std::string& settle = "0.3") {
    std::vector<std::string> args = {"--home", app.path(), "watch", "--settle", settle};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  bool Exists(const std::string& name) { return fs::exists(photos / name); }
  // The files of the output folder other than its marker.
  std::vector<std::string> Outputs() {
    std::vector<std::string> names;
    if (fs::exists(photos / "ORV"))
      for (const auto& e : fs::directory_iterator(photos / "ORV"))
        if (e.path().filename() != "orvoutput.dir") names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Whether an output decodes as a whole picture of the given size.
  static bool Whole(const std::string& path, int width, int height) {
    CImageFile file;
    return file.Load(path.c_str()) == 0 && file.width() == width && file.height() == height;
  }
};

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

TEST_F(WatchCommand, TakesWhatIsThereAndWhatArrivesThenStopsCleanly) {
  test::WritePicture(photos / "first.png", 40, 30, kFormatPng);
  Watcher w(io / "err", Args({"--defaults", "--set", "Output.FileType=1", "--report",
                              io / "report.jsonl", photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/first_ORV.jpg"); })) << w.Err();
  // Renamed in from a partial name, copied in with cp.
  test::WritePicture(photos / "second.png.part", 40, 30, kFormatPng);
  std::this_thread::sleep_for(600ms);
  EXPECT_FALSE(Exists("ORV/second.png_ORV.jpg"));
  EXPECT_FALSE(Exists("ORV/second_ORV.jpg"));
  fs::rename(photos / "second.png.part", photos / "second.png");
  ASSERT_EQ(std::system(("cp " + test::ShellQuote(ORV_SOURCE_DIR "/samples/test1.jpg") + " " +
                         test::ShellQuote(photos.path()))
                            .c_str()),
            0);
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/second_ORV.jpg") && Exists("ORV/test1_ORV.jpg"); }))
      << w.Err();
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
  const std::string err = w.Err();
  EXPECT_EQ(Count(err, " ms\n"), 3u) << err;
  EXPECT_NE(err.find("first.png -> " + photos / "ORV/first_ORV.jpg"), std::string::npos) << err;
  EXPECT_NE(err.find("stopped: 3 saved, 0 failed"), std::string::npos) << err;
  EXPECT_EQ(Count(ReadText(io / "report.jsonl"), "\"status\":\"saved\""), 3u);
  // The day's log holds the runs; the output folder was not taken as a source.
  bool dailyLog = false;
  for (const auto& e : fs::directory_iterator(app / "help"))
    if (e.path().filename().string().starts_with("log-")) dailyLog = true;
  EXPECT_TRUE(dailyLog);
  EXPECT_EQ(Count(err, "_ORV_ORV"), 0u);
}

TEST_F(WatchCommand, RestartAfterKillRedoesOnlyWhatWasCutOff) {
  test::WritePicture(photos / "a.png", 40, 30, kFormatPng);
  // Large enough to take a few hundred milliseconds: a 2-megapixel one was often done before
  // the kill came.
  test::WritePicture(photos / "b.png", 3200, 2400, kFormatPng);
  struct stat before {};
  {
    Watcher w(io / "err1", Args({"--defaults", "--set", "Output.FileType=1", "--jobs", "1",
                                 photos.path()}));
    ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/a_ORV.jpg"); }, 60s, 2ms)) << w.Err();
    w.Kill9();  // in the middle of b.png
  }
  ASSERT_EQ(::stat((photos / "ORV/a_ORV.jpg").c_str(), &before), 0);
  std::this_thread::sleep_for(50ms);
  Watcher w(io / "err2", Args({"--defaults", "--set", "Output.FileType=1", photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/b_ORV.jpg"); })) << w.Err();
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
  struct stat after {};
  ASSERT_EQ(::stat((photos / "ORV/a_ORV.jpg").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_FALSE(Exists("ORV/a_ORV_1.jpg"));
  EXPECT_FALSE(Exists("ORV/b_ORV_1.jpg"));
  EXPECT_EQ(Count(w.Err(), " ms\n"), 1u) << w.Err();
}

TEST_F(WatchCommand, BurstStoppedHalfwayIsFinishedOnceAfterRestart) {
  constexpr int kPhotos = 80;
  TempDir staging;
  for (int i = 0; i < kPhotos; ++i)
    test::WritePicture(staging / ("p" + std::to_string(i) + ".png"), 24, 16, kFormatPng);
  auto outputs = [&] {
    size_t n = 0;
    if (fs::exists(photos / "ORV"))
      for (const auto& e : fs::directory_iterator(photos / "ORV"))
        n += e.path().extension() == ".jpg";
    return n;
  };
  const std::vector<std::string> args = Args({"--defaults", "--set", "Output.FileType=1",
                                              "--jobs", "2", "--report", io / "r.jsonl",
                                              photos.path()});
  {
    Watcher w(io / "err1", args);
    ASSERT_TRUE(WaitUntil([&] { return w.Err().find("watching") != std::string::npos; }));
    ASSERT_EQ(std::system(("cp " + test::ShellQuote(staging.path()) + "/*.png " +
                           test::ShellQuote(photos.path()))
                              .c_str()),
              0);
    ASSERT_TRUE(WaitUntil([&] { return outputs() > 0; })) << w.Err();
    w.Signal(SIGTERM);
    EXPECT_EQ(w.Wait(), 0);
  }
  // Nothing half-written stands in the output folder.
  for (const auto& e : fs::directory_iterator(photos / "ORV")) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "orvoutput.dir" || e.path().extension() == ".jpg") << name;
  }
  Watcher w(io / "err2", args);
  ASSERT_TRUE(WaitUntil([&] { return outputs() >= size_t(kPhotos); })) << w.Err();
  std::this_thread::sleep_for(700ms);
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
  EXPECT_EQ(outputs(), size_t(kPhotos));  // none twice: no numbered names
  EXPECT_EQ(Count(ReadText(io / "r.jsonl"), "\"status\":\"saved\""), size_t(kPhotos));
}

TEST_F(WatchCommand, OutputsSavedBesideTheirSourcesAreNotTakenAgain) {
  Watcher w(io / "err", Args({"--defaults", "--set", "Output.Type=2", "--set",
                              "Files.ExcludeORV=0", "--set", "Output.FileType=1",
                              photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return w.Err().find("watching") != std::string::npos; }));
  test::WritePicture(photos / "a.png", 40, 30, kFormatPng);
  ASSERT_TRUE(WaitUntil([&] { return Exists("a_ORV.jpg"); })) << w.Err();
  std::this_thread::sleep_for(1500ms);  // time enough for the output to settle
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
  EXPECT_FALSE(Exists("a_ORV_ORV.jpg")) << w.Err();
  EXPECT_EQ(Count(w.Err(), " ms\n"), 1u) << w.Err();
}

TEST_F(WatchCommand, DamagedPhotoFailsOnceUntilItChanges) {
  WriteText(photos / "bad.jpg", "not a photo at all");
  {
    Watcher w(io / "err1", Args({"--defaults", photos.path()}));
    ASSERT_TRUE(WaitUntil([&] { return Count(w.Err(), "failed:") == 1; })) << w.Err();
    std::this_thread::sleep_for(1s);
    w.Signal(SIGTERM);
    EXPECT_EQ(w.Wait(), 0);
    EXPECT_EQ(Count(w.Err(), "failed:"), 1u) << w.Err();
  }
  // Not retried after a restart while it is unchanged, retried once it changed.
  Watcher w(io / "err2", Args({"--defaults", photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return w.Err().find("watching") != std::string::npos; }));
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Count(w.Err(), "failed:"), 0u) << w.Err();
  WriteText(photos / "bad.jpg", "still not a photo, but changed");
  ASSERT_TRUE(WaitUntil([&] { return Count(w.Err(), "failed:") == 1; })) << w.Err();
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
}

TEST_F(WatchCommand, HangupReadsTheProfileAgain) {
  WriteText(io / "p.orv", "[Output]\nFileType=1\n");
  Watcher w(io / "err", Args({"--profile", io / "p.orv", photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return w.Err().find("watching") != std::string::npos; }));
  test::WritePicture(photos / "a.png", 40, 30, kFormatPng);
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/a_ORV.jpg"); })) << w.Err();
  WriteText(io / "p.orv", "[Output]\nFileType=2\n");
  w.Signal(SIGHUP);
  ASSERT_TRUE(WaitUntil([&] { return w.Err().find("settings read again") != std::string::npos; }))
      << w.Err();
  test::WritePicture(photos / "b.png", 40, 30, kFormatPng);
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/b_ORV.png"); })) << w.Err();
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
}

TEST_F(WatchCommand, PollModeAndUsageErrors) {
  Watcher w(io / "err", Args({"--defaults", "--poll", "0.2", "--set", "Output.FileType=1",
                              photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return w.Err().find("(polling)") != std::string::npos; }))
      << w.Err();
  test::WritePicture(photos / "a.png", 40, 30, kFormatPng);
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/a_ORV.jpg"); })) << w.Err();
  w.Signal(SIGINT);
  EXPECT_EQ(w.Wait(), 0);

  for (std::vector<std::string> bad :
       {std::vector<std::string>{"--defaults"},
        {"--defaults", "--dry-run", photos.path()},
        {"--defaults", "--settle", "-1", photos.path()},
        {"--defaults", "--poll", "0", photos.path()},
        {"--defaults", photos / "missing"}}) {
    bad.insert(bad.begin(), {"--home", app.path(), "watch"});
    EXPECT_EQ(test::RunOrv(bad).status, 2) << bad.back();
  }
}

TEST_F(WatchCommand, SignalsStopWithinThePhotosInWork) {
  // Enough photos that a batch takes a good while; a stop must not wait for all of it.
  constexpr int kPhotos = 16;
  for (int i = 0; i < kPhotos; ++i)
    test::WritePicture(photos / ("p" + std::to_string(i) + ".png"), 1200, 900, kFormatPng);
  struct Round {
    int signal;
    const char* jobs;
  };
  size_t before = 0;
  for (Round round : {Round{SIGINT, "1"}, Round{SIGTERM, "2"}}) {
    Watcher w(io / ("err" + std::to_string(round.signal)),
              Args({"--defaults", "--set", "Output.FileType=1", "--jobs", round.jobs,
                    photos.path()}));
    // The signal comes within 2 ms of the first output of the round: a photo here takes about
    // 25 ms, so a look every 50 ms let a few more finish first.
    ASSERT_TRUE(WaitUntil([&] { return Outputs().size() > before; }, 60s, 2ms)) << w.Err();
    w.Signal(round.signal);
    EXPECT_EQ(w.Wait(), 0) << w.Err();
    const std::string err = w.Err();
    // The photos in work when the signal came were saved; none was started after it.
    const size_t saved = Count(err, " ms\n");
    EXPECT_EQ(Outputs().size(), before + saved) << err;
    EXPECT_LE(saved, size_t(1 + 2 * std::stoi(round.jobs))) << err;
    EXPECT_NE(err.find("stopped: " + std::to_string(saved) + " saved, 0 failed"),
              std::string::npos)
        << err;
    for (const std::string& name : Outputs()) {
      EXPECT_TRUE(name.ends_with("_ORV.jpg") && name.find(".orvtmp") == std::string::npos) << name;
      EXPECT_TRUE(Whole(photos / ("ORV/" + name), 1200, 900)) << name;
    }
    before = Outputs().size();
    ASSERT_LT(before, size_t(kPhotos));
  }
  // The photos not started have no output: the next start takes them, each once.
  Watcher w(io / "err-last", Args({"--defaults", "--set", "Output.FileType=1", "--jobs", "2",
                                    photos.path()}));
  ASSERT_TRUE(WaitUntil([&] { return Outputs().size() >= size_t(kPhotos); }, 300s)) << w.Err();
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
  EXPECT_EQ(Count(w.Err(), " ms\n"), size_t(kPhotos) - before) << w.Err();
  EXPECT_EQ(Outputs().size(), size_t(kPhotos));  // no numbered second outputs
}

TEST_F(WatchCommand, RsyncCopiesAreTakenOnceAndWhole) {
  if (!HaveTool("rsync")) GTEST_SKIP() << "rsync is not installed (scripts/install-deps.sh)";
  TempDir staging;
  for (int i = 0; i < 4; ++i)
    test::WritePicture(staging / ("s" + std::to_string(i) + ".png"), 40, 30, kFormatPng);
  // An uncompressed picture of about 270 kB: at 100 kB/s its copy takes close to 3 seconds.
  TempDir slow;
  test::WritePicture(slow / "slow.bmp", 300, 300, kFormatBmp);
  test::WritePicture(slow / "polled.bmp", 300, 300, kFormatBmp);
  auto rsync = [](const std::string& options, const std::string& from, const std::string& to) {
    return std::system(("rsync " + options + " " + test::ShellQuote(from) + " " +
                        test::ShellQuote(to) + " >/dev/null 2>&1")
                           .c_str());
  };
  {
    Watcher w(io / "err", Args({"--defaults", "--set", "Output.FileType=1", photos.path()}));
    ASSERT_TRUE(WaitUntil([&] { return w.Err().find("watching") != std::string::npos; }));
    // rsync writes each file under a hidden temporary name and renames it into place.
    ASSERT_EQ(rsync("-a", staging.path() + "/", photos.path() + "/"), 0);
    ASSERT_TRUE(WaitUntil([&] { return Outputs().size() == 4; })) << w.Err();
    // --inplace writes the final name itself, slowly; it is taken once the writer is done.
    ASSERT_EQ(rsync("-a --inplace --bwlimit=100", slow / "slow.bmp", photos.path() + "/"), 0);
    ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/slow_ORV.jpg"); })) << w.Err();
    std::this_thread::sleep_for(1s);
    w.Signal(SIGTERM);
    EXPECT_EQ(w.Wait(), 0);
    EXPECT_EQ(Count(w.Err(), " ms\n"), 5u) << w.Err();
    EXPECT_EQ(Count(w.Err(), "failed:"), 0u) << w.Err();
    EXPECT_TRUE(Whole(photos / "ORV/slow_ORV.jpg", 300, 300));
  }
  // Polling sees the file grow between its looks: the settle time must outlast the writer's
  // pauses.
  Watcher w(io / "err-poll", Args({"--defaults", "--set", "Output.FileType=1", "--poll", "0.2",
                                   photos.path()},
                                  "1.5"));
  ASSERT_TRUE(WaitUntil([&] { return w.Err().find("(polling)") != std::string::npos; }));
  ASSERT_EQ(rsync("-a --inplace --bwlimit=100", slow / "polled.bmp", photos.path() + "/"), 0);
  ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/polled_ORV.jpg"); })) << w.Err();
  std::this_thread::sleep_for(1s);
  w.Signal(SIGTERM);
  EXPECT_EQ(w.Wait(), 0);
  EXPECT_EQ(Count(w.Err(), " ms\n"), 1u) << w.Err();
  EXPECT_TRUE(Whole(photos / "ORV/polled_ORV.jpg", 300, 300));
  EXPECT_EQ(Outputs().size(), 6u);
}

}  // namespace
}  // namespace orv
