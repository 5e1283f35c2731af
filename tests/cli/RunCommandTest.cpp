// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunOrv.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::OrvResult;
using test::ReadText;
using test::RunOrv;
using test::TempDir;
using test::WriteText;

struct RunCommand : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  OrvResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", app.path(), "run"});
    return RunOrv(args);
  }
};

TEST_F(RunCommand, SavesEveryPhotoAndWritesTheLog) {
  std::filesystem::copy_file(ORV_SOURCE_DIR "/samples/test1.jpg", photos / "test1.jpg");
  test::WritePicture(photos / "b.png", 40, 30, kFormatPng);
  OrvResult r = Run(
      {"--defaults", "--set", "Output.FileType=1", "--set", "Output.DetailedLog=1", photos.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(photos / "ORV/test1_ORV.jpg"));
  EXPECT_TRUE(std::filesystem::exists(photos / "ORV/b_ORV.jpg"));
  std::string log = ReadText(app / "help/log.html");
  EXPECT_NE(log.find("Model: <b>Apple iPhone 4S</b>"), std::string::npos);
  EXPECT_NE(log.find("Finished<hr>"), std::string::npos);
  // The app folder's current profile is seeded from the default one; the run's --set values
  // never go into it.
  EXPECT_EQ(ReadText(app / "current.orv"), ReadText(app / "default.orv"));
  // The output folder is marked and skipped by the next scan of the same folder.
  r = Run({"--defaults", "--log", photos / "second.html", photos.path()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Excluded! It is used as ORV Output path"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(photos / "second.html"));
}

// A new user's first run: no current.orv yet, dated subfolders, phone-style ".jpeg" names. The
// default profile applies (subfolders scanned), the output keeps the long extension, and a
// mistyped path is refused before anything runs.
TEST_F(RunCommand, FirstRunUsesTheDefaultProfileAndTakesLongJpegNames) {
  std::filesystem::create_directories(photos / "2024-06-01");
  ASSERT_TRUE(test::WritePicture(photos / "2024-06-01/IMG_1.jpeg", 40, 30, kFormatJpeg));
  OrvResult dry = Run({"--dry-run", photos.path(), photos / "gone.jpg"});
  // The rest is planned; the path that cannot be run makes the exit 1, as every path not run does.
  ASSERT_EQ(dry.status, 1) << dry.err;
  EXPECT_NE(dry.out.find("2024-06-01/ORV/IMG_1_ORV.jpeg"), std::string::npos) << dry.out;
  EXPECT_NE(dry.err.find("gone.jpg Excluded! No such file or directory"), std::string::npos)
      << dry.err;
  EXPECT_FALSE(std::filesystem::exists(app / "current.orv"));  // a dry run writes nothing

  OrvResult r = Run({photos.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(photos / "2024-06-01/ORV/IMG_1_ORV.jpeg"));
  EXPECT_EQ(ReadText(app / "current.orv"), ReadText(app / "default.orv"));
}

TEST_F(RunCommand, ExitStatusesTellWhatHappened) {
  OrvResult empty = Run({"--defaults", photos.path()});
  EXPECT_EQ(empty.status, 2);
  EXPECT_NE(empty.err.find("No files to porcess"), std::string::npos);

  test::WritePicture(photos / "a.jpg", 32, 32, kFormatJpeg);
  WriteText(photos / "broken.jpg", "\xff\xd8\xff garbage");
  OrvResult partial = Run({"--defaults", photos.path()});
  EXPECT_EQ(partial.status, 1);
  EXPECT_NE(partial.err.find("broken.jpg"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(photos / "ORV/a_ORV.jpg"));
  EXPECT_FALSE(std::filesystem::exists(photos / "ORV/broken_ORV.jpg"));

  // The size-limit question: No without a terminal, Yes with --yes.
  std::filesystem::remove(photos / "broken.jpg");
  OrvResult asked = Run({"--defaults", "--set", "Quality.Type=1", photos / "a.jpg"});
  EXPECT_EQ(asked.status, 2);
  EXPECT_NE(asked.err.find("--yes"), std::string::npos);
  OrvResult yes = Run({"--defaults", "--set", "Quality.Type=1", "--yes", "--set",
                       "Output.Replace=1", photos / "a.jpg"});
  EXPECT_EQ(yes.status, 0) << yes.err;

  EXPECT_EQ(Run({"--defaults", "--frobnicate", photos.path()}).status, 2);
  EXPECT_EQ(Run({"--set", "Size.Type=x", photos.path()}).status, 2);
  EXPECT_EQ(Run({"--black-frame", photos / "none.png", photos.path()}).status, 2);
}

// The rules of the Size && Quality and Extra pages hold for the command line too: matching the
// source's file size is not searched for a resized output, and a font size given with --set is
// limited as a typed one.
TEST_F(RunCommand, FollowsTheRulesOfThePages) {
  ASSERT_TRUE(test::WritePicture(photos / "a.jpg", 400, 300, kFormatJpeg));
  auto output = [&](std::vector<std::string> sets) {
    std::vector<std::string> args{"--defaults", "--set", "Output.Replace=1"};
    for (const std::string& s : sets) args.insert(args.end(), {"--set", s});
    args.push_back(photos / "a.jpg");
    OrvResult r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadText(photos / "ORV/a_ORV.jpg");
  };
  // Compared as booleans: a failure would otherwise print whole JPEG files.
  std::string fixed = output({"Size.Type=1", "Quality.Type=0"});
  ASSERT_FALSE(fixed.empty());
  EXPECT_TRUE(output({"Size.Type=1", "Quality.Type=2"}) == fixed);
  EXPECT_FALSE(output({"Size.Type=0", "Quality.Type=2"}) ==
               output({"Size.Type=0", "Quality.Type=0"}));

  std::string capped = output({"Text.Enabled=1", "Text.FontSize=80"});
  EXPECT_TRUE(output({"Text.Enabled=1", "Text.FontSize=200"}) == capped);
  EXPECT_TRUE(output({"Text.Enabled=1", "Text.FontSize=-3"}) == capped);
  EXPECT_FALSE(output({"Text.Enabled=1", "Text.FontSize=40"}) == capped);
}

TEST(InfoAndExifCommands, ReadTheSamples) {
  OrvResult info = RunOrv({"info", ORV_SOURCE_DIR "/samples/test1.jpg"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("DisplayModel: Apple iPhone 4S\n"), std::string::npos);
  EXPECT_NE(info.out.find("ShutterText: 1/4608\n"), std::string::npos);
  EXPECT_NE(info.out.find("Width: 180\n"), std::string::npos);
  OrvResult json = RunOrv(
      {"info", "--json", ORV_SOURCE_DIR "/samples/test2.jpg", ORV_SOURCE_DIR "/samples/right.jpg"});
  ASSERT_EQ(json.status, 0);
  EXPECT_EQ(json.out.front(), '[');
  EXPECT_NE(json.out.find("\"Iso\": 80"), std::string::npos);
  EXPECT_EQ(RunOrv({"info", "/no/such/file.jpg"}).status, 1);

  OrvResult exif = RunOrv({"exif", ORV_SOURCE_DIR "/samples/short-ascii-MM.jpg"});
  ASSERT_EQ(exif.status, 0);
  EXPECT_NE(exif.out.find("IFD0\t0x010f\tMake\t2\t"), std::string::npos);
  OrvResult exifJson = RunOrv({"exif", "--json", ORV_SOURCE_DIR "/samples/right.jpg"});
  EXPECT_NE(exifJson.out.find("\"name\": \"Orientation\""), std::string::npos);
}

TEST(RotateCommand, TurnsJpegAndOtherFormatsInPlace) {
  TempDir dir;
  std::filesystem::copy_file(ORV_SOURCE_DIR "/samples/test1.jpg", dir / "t.jpg");
  ASSERT_EQ(RunOrv({"rotate", "cw", dir / "t.jpg"}).status, 0);
  OrvResult info = RunOrv({"info", dir / "t.jpg"});
  EXPECT_NE(info.out.find("Width: 128\n"), std::string::npos);  // 135 trimmed to whole blocks
  EXPECT_NE(info.out.find("Height: 180\n"), std::string::npos);
  EXPECT_NE(info.out.find("DisplayModel: Apple iPhone 4S"), std::string::npos);  // EXIF kept
  EXPECT_FALSE(std::filesystem::exists(dir / "t.rot"));

  test::WritePicture(dir / "p.png", 40, 30, kFormatPng);
  ASSERT_EQ(RunOrv({"rotate", "ccw", dir / "p.png"}).status, 0);
  EXPECT_NE(RunOrv({"info", dir / "p.png"}).out.find("Width: 30\n"), std::string::npos);

  WriteText(dir / "bad.jpg", "nope");
  std::string before = ReadText(dir / "bad.jpg");
  EXPECT_EQ(RunOrv({"rotate", "180", dir / "bad.jpg"}).status, 1);
  EXPECT_EQ(ReadText(dir / "bad.jpg"), before);
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.rot"));
  EXPECT_EQ(RunOrv({"rotate", "sideways", dir / "p.png"}).status, 2);
  EXPECT_NE(RunOrv({"rotate", "cw", dir / "missing.jpg"}).err.find("Can't open source"),
            std::string::npos);
}

}  // namespace
}  // namespace orv
