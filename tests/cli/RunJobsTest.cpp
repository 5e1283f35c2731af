// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv run --jobs` and `--threads`: the options' forms, the same bytes whatever the threads, and
// Ctrl-C during a parallel run.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "imageio/ImageFile.h"
#include "support/RunOrv.h"
#include "support/TestPictures.h"

extern char** environ;

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::RunOrv;
using test::TempDir;
using test::WriteText;

struct RunJobs : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  std::vector<std::string> Args(std::vector<std::string> args) {
    return test::RunArgs(app.path(), std::move(args));
  }
};

TEST_F(RunJobs, AcceptsEveryFormAndRefusesWhatIsNoCount) {
  test::WritePicture(photos / "a.jpg", 40, 30, kFormatJpeg);
  test::WritePicture(photos / "b.jpg", 40, 30, kFormatJpeg);
  for (const char* form : {"-j2", "-j=2", "--jobs=2"}) {
    fs::remove_all(photos / "ORV");
    EXPECT_EQ(RunOrv(Args({form, "--quiet", photos.path()})).status, 0) << form;
    EXPECT_TRUE(fs::exists(photos / "ORV/b_ORV.jpg")) << form;
  }
  EXPECT_EQ(RunOrv(Args({"-j", "1", "--quiet", photos.path()})).status, 0);
  for (const char* bad : {"0", "-3", "two", "2x", ""}) {
    test::OrvResult r = RunOrv(Args({"--jobs", bad, photos.path()}));
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--jobs needs a whole number"), std::string::npos) << bad;
  }
  EXPECT_EQ(RunOrv(Args({photos.path(), "--jobs"})).status, 2);
}

TEST_F(RunJobs, ThreadsChangeNoOutputByteAndRefuseWhatIsNoCount) {
  // Odd sizes, tall enough for several bands, through the default Advanced run with noise
  // removal and a resize, as one photo (bands on every core) and as a batch.
  test::WritePicture(photos / "a.jpg", 301, 257, kFormatJpeg);
  test::WritePicture(photos / "b.png", 157, 333, kFormatPng);
  const std::vector<std::string> settings = {
      "--quiet",     "--set", "Mode.Advanced=1", "--set", "Denoise.SimEnabled=1", "--set",
      "Size.Type=1", "--set", "Size.Percent=71", "--set", "Output.FileType=2"};
  std::string firstA, firstB;
  for (const char* threads : {"1", "2", "7"}) {
    for (const char* jobs : {"1", "2"}) {
      fs::remove_all(photos / "ORV");
      std::vector<std::string> args = settings;
      args.insert(args.end(), {"--threads", threads, "--jobs", jobs, photos.path()});
      ASSERT_EQ(RunOrv(Args(args)).status, 0) << threads;
      const std::string a = ReadText(photos / "ORV/a_ORV.png"),
                        b = ReadText(photos / "ORV/b_ORV.png");
      ASSERT_FALSE(a.empty());
      if (firstA.empty()) {
        firstA = a;
        firstB = b;
      }
      EXPECT_TRUE(a == firstA && b == firstB) << "--threads " << threads << " --jobs " << jobs;
    }
  }
  for (const char* bad : {"0", "-1", "all", ""}) {
    test::OrvResult r = RunOrv(Args({"--threads", bad, photos.path()}));
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--threads needs a whole number"), std::string::npos) << bad;
  }
}

TEST_F(RunJobs, CtrlCCancelsEveryWorkerLeavesWholeFilesAndExits130) {
  const int kPhotos = 16;
  for (int i = 0; i < kPhotos; ++i)
    test::WritePicture(photos / ("p" + std::to_string(10 + i) + ".jpg"), 900, 700, kFormatJpeg);
  std::vector<std::string> args = Args({"--jobs", "2", "--quiet", photos.path()});
  args.insert(args.begin(), ORV_BINARY_DIR "/orv");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);

  // Interrupt once the first output is in place, while most photos are still to do.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!fs::exists(photos / "ORV/p10_ORV.jpg") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);

  int outputs = 0;
  for (const auto& e : fs::directory_iterator(photos / "ORV")) {
    std::string name = e.path().filename().string();
    if (name == "orvoutput.dir") continue;
    ++outputs;
    ASSERT_EQ(name.size(), std::string("p10_ORV.jpg").size()) << name;  // no temporary files
    CImageFile file;
    EXPECT_EQ(file.Load(e.path().c_str()), 0u) << name;
  }
  EXPECT_GE(outputs, 1);
  EXPECT_LT(outputs, kPhotos);
}

}  // namespace
}  // namespace orv
