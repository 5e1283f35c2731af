// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Batches of camera RAW photos through `orv run` and `orv info`: "Same as Source" gives JPEG,
// RAW+JPEG twins follow Files.RawJpegTwins, damaged RAW files fail alone.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>

#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "support/DngFiles.h"
#include "support/RunOrv.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::OrvResult;
using test::ReadText;
using test::RunOrv;
using test::TempDir;

constexpr char kSample[] = ORV_SOURCE_DIR "/samples/test1.jpg";

struct RawRun : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  // Two workers unless a test asks otherwise: RAW photos decode in parallel like any other, each
  // in its own helper process.
  OrvResult Run(std::vector<std::string> args) {
    if (std::find(args.begin(), args.end(), "--jobs") == args.end())
      args.insert(args.begin(), {"--jobs", "2"});
    return RunOrv(test::RunArgs(app.path(), args));
  }
  std::string Log() { return ReadText(app / "help/log.html"); }
  void MakePair() {
    ASSERT_TRUE(test::MakeDngFromJpeg(kSample, photos / "IMG_0001.DNG"));
    fs::copy_file(kSample, photos / "IMG_0001.JPG");
  }
};

int ContentOf(const std::string& path) {
  ImageSource* src = OpenSourceFile(path.c_str());
  int code = src ? GuessSourceFormat(src) : -1;
  CloseSource(src);
  return code;
}

TEST_F(RawRun, SameAsSourceSavesJpegAndSaysSoOnce) {
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, photos / "a.dng"));
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, photos / "b.NEF"));
  OrvResult r = Run({"--set", "Output.FileType=0", photos.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ContentOf(photos / "ORV/a_ORV.jpg"), kContentJpeg);
  EXPECT_EQ(ContentOf(photos / "ORV/b_ORV.jpg"), kContentJpeg);
  const std::string log = Log();
  const std::string line = "\"Same as Source\" saves RAW photos as JPEG";
  ASSERT_NE(log.find(line), std::string::npos);
  EXPECT_EQ(log.find(line), log.rfind(line));

  // orv info shows the camera summary and the decoded size.
  OrvResult info = RunOrv({"info", photos / "a.dng"});
  OrvResult jpegInfo = RunOrv({"info", kSample});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Model"), std::string::npos);
  auto line_of = [](const std::string& text, const std::string& name) {
    const size_t at = text.find(name + ":");
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
  };
  for (const char* name : {"Make", "Model", "ExposureTime", "FNumber", "ISO", "Flash"})
    EXPECT_EQ(line_of(info.out, name), line_of(jpegInfo.out, name)) << name;
}

TEST_F(RawRun, TwinsFollowTheSetting) {
  MakePair();
  const std::string report = photos / "report.jsonl";
  // The default takes the RAW and skips its JPEG.
  OrvResult r = Run({"--report", report, photos.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(photos / "ORV/IMG_0001_ORV.jpg"));
  std::string lines = ReadText(report);
  EXPECT_NE(lines.find("IMG_0001.JPG\",\"output\":null,\"status\":\"skipped\""), std::string::npos)
      << lines;
  EXPECT_NE(Log().find("Skipped: " + (photos / "IMG_0001.JPG") + " (its RAW+JPEG twin is taken: " +
                       (photos / "IMG_0001.DNG") + ")"),
            std::string::npos);
  fs::remove_all(photos / "ORV");

  // 1 takes the JPEG: the output is the JPEG's own picture.
  r = Run({"--set", "Files.RawJpegTwins=1", "--report", report, photos / "IMG_0001.DNG",
           photos / "IMG_0001.JPG"});
  ASSERT_EQ(r.status, 0) << r.err;
  lines = ReadText(report);
  EXPECT_NE(lines.find("IMG_0001.DNG\",\"output\":null,\"status\":\"skipped\""), std::string::npos)
      << lines;
  fs::remove_all(photos / "ORV");

  // 2 takes both under distinct names.
  r = Run({"--raw-jpeg", "both", "--set", "Output.FileType=1", photos.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(photos / "ORV/IMG_0001_ORV.jpg"));
  EXPECT_TRUE(fs::exists(photos / "ORV/IMG_0001_DNG_ORV.jpg"));
  EXPECT_FALSE(fs::exists(photos / "ORV/IMG_00011_ORV.jpg"));  // no numbered name was needed

  // The dry run plans the same.
  r = Run({"--dry-run", photos.path()});
  EXPECT_NE(r.out.find(photos / "IMG_0001.JPG" + "\t\tskipped"), std::string::npos) << r.out;
}

TEST_F(RawRun, AHalfSizeResizeGivesTheSizeOfTheFullDecoding) {
  // 50 % decodes at half size and scales the full size: the output is what 50 % of the fully
  // decoded picture gives, and so is 40 %; 60 % decodes at full size.
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, photos / "a.dng"));
  CImageFile full;
  ASSERT_EQ(full.Load((photos / "a.dng").c_str()), 0u);
  for (int percent : {50, 40, 60}) {
    SCOPED_TRACE(percent);
    fs::remove_all(photos / "ORV");
    OrvResult r = Run({"--set", "Size.Type=1", "--set", "Size.Percent=" + std::to_string(percent),
                       photos.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    CImageFile out;
    ASSERT_EQ(out.Load((photos / "ORV/a_ORV.jpg").c_str()), 0u);
    EXPECT_EQ(out.width(), int(full.width() * (percent / 100.0)));
    EXPECT_EQ(out.height(), int(full.height() * (percent / 100.0)));
  }
}

TEST_F(RawRun, DamagedRawFilesFailAloneInParallelToo) {
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, photos / "good.dng"));
  std::string bytes = ReadText(photos / "good.dng");
  test::WriteText(photos / "cut.dng", bytes.substr(0, bytes.size() / 2));
  test::WriteText(photos / "junk.cr2", std::string(5000, '\x11'));
  for (const char* jobs : {"1", "2"}) {
    fs::remove_all(photos / "ORV");
    OrvResult r = Run({"--jobs", jobs, photos.path()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(fs::exists(photos / "ORV/good_ORV.jpg"));
    EXPECT_FALSE(fs::exists(photos / "ORV/cut_ORV.jpg"));
    EXPECT_NE(Log().find("Can't load: " + (photos / "junk.cr2")), std::string::npos);
  }
}

}  // namespace
}  // namespace orv
