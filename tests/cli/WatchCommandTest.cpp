// `orv watch` as a user runs it: a real process on real temporary folders, stopped by signals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 60s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
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
  std::vector<std::string> Args(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--home", app.path(), "watch", "--settle", "0.3"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  bool Exists(const std::string& name) { return fs::exists(photos / name); }
};

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
  test::WritePicture(photos / "b.png", 1600, 1200, kFormatPng);
  struct stat before {};
  {
    Watcher w(io / "err1", Args({"--defaults", "--set", "Output.FileType=1", "--jobs", "1",
                                 photos.path()}));
    ASSERT_TRUE(WaitUntil([&] { return Exists("ORV/a_ORV.jpg"); })) << w.Err();
    w.Kill9();  // most likely in the middle of b.png
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

}  // namespace
}  // namespace orv
