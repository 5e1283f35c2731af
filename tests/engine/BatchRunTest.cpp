// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "imageio/ImageFile.h"
#include "support/EngineFixture.h"

namespace orv {
namespace {

using test::Count;
using test::ReadText;
using test::RecordingHost;
using test::TempDir;
using test::WriteText;

struct RunFixture : test::EngineFixture {};

TEST_F(RunFixture, PlainRunLogsTimeAndSavedLinesAndUnchecksItems) {
  Photo("a.jpg");
  Photo("b.png", kFormatPng);
  Photo("c.bmp", kFormatBmp);
  engine.queue().AddFolder(dir / "in");
  ASSERT_EQ(engine.queue().Cue().size(), 3u);
  engine.queue().Cue()[1].checked = false;  // unchecked items are skipped without a line
  RunReport r = engine.RunAll();
  EXPECT_EQ(r.end, RunReport::End::Finished);
  EXPECT_EQ(r.saved, 2);
  std::string log = Log();
  EXPECT_EQ(log.rfind("<body bgcolor=\"#ffffff\"><p><b>Log</b></p><hr>\r\n", 0), 0u);
  EXPECT_EQ(Count(log, "<br>") - Count(log, "Src:"), 4 + 0);  // 2 time lines, 2 saved lines
  EXPECT_EQ(Count(log, ", 20"), 2);                           // the item time lines carry the year
  EXPECT_NE(log.find(dir.path() + "/in/ORV/a_ORV.jpg ("), std::string::npos);
  EXPECT_NE(log.find(dir.path() + "/in/ORV/c_ORV.bmp ("), std::string::npos);
  EXPECT_EQ(log.find("b_ORV"), std::string::npos);
  EXPECT_EQ(log.find("BL:Alpha"), std::string::npos);  // no stage lines without detail
  EXPECT_NE(log.find("Finished<hr>"), std::string::npos);
  EXPECT_TRUE(
      std::regex_search(log, std::regex(R"(\d\d::\d\d::\d\d  \w+day, \w+ \d\d, \d{4}<br>)")));
  EXPECT_FALSE(engine.queue().Cue()[0].checked);
  EXPECT_FALSE(engine.queue().Cue()[1].checked);
  EXPECT_FALSE(engine.queue().Cue()[2].checked);
  EXPECT_TRUE(host.Saw("help " + dir.path() + "/help/log2.html"));

  // A second run has nothing checked: only header and footer.
  r = engine.RunAll();
  EXPECT_EQ(r.processed, 0);
  EXPECT_EQ(Count(Log(), "_ORV"), 0);
}

TEST_F(RunFixture, ARunTakesTheSourceSizeQualityOnlyForUnresizedOutputs) {
  Photo("a.jpg");
  engine.queue().AddFolder(dir / "in");
  engine.settings().Quality.Type = 2;
  engine.settings().Size.Type = 2;
  EXPECT_EQ(engine.RunAll().saved, 1);
  EXPECT_EQ(engine.settings().Quality.Type, 0);
  engine.settings().Quality.Type = 2;
  engine.settings().Size.Type = 0;
  engine.queue().SetChecked(0, true);
  EXPECT_EQ(engine.RunCurrentImage(0).saved, 1);
  EXPECT_EQ(engine.settings().Quality.Type, 2);
}

TEST_F(RunFixture, DetailedRunLogsSourceCameraAndStageLines) {
  std::filesystem::copy_file(ORV_SOURCE_DIR "/samples/test1.jpg", dir / "in/test1.jpg");
  Photo("plain.png", kFormatPng);
  engine.settings().Output.DetailedLog = 1;
  engine.queue().AddFolder(dir / "in");
  engine.RunAll();
  std::string log = Log();
  EXPECT_EQ(Count(log, "<b>Src:</b></font>"), 2);
  EXPECT_EQ(Count(log, "Model: <b>Apple iPhone 4S</b>"), 1);  // no camera line without EXIF
  EXPECT_NE(log.find("Date: 2013:02:06 16:00:03"), std::string::npos);
  EXPECT_EQ(Count(log, "<font color=\"#0000ee\">BL:Alpha=0.843137</font>"), 2);
}

TEST_F(RunFixture, UnloadableFileIsLoggedKeepsItsMarkAndTheRunGoesOn) {
  Photo("a.jpg");
  WriteText(dir / "in/b.jpg", "not a picture at all");
  Photo("c.jpg");
  engine.queue().AddFolder(dir / "in");
  RunReport r = engine.RunAll();
  EXPECT_EQ(r.saved, 2);
  EXPECT_EQ(r.loadFailures, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "in/ORV/b_ORV.jpg"));
  EXPECT_NE(Log().find("Can't load: " + dir.path() + "/in/b.jpg"), std::string::npos);
  EXPECT_TRUE(engine.queue().Cue()[1].checked);
  EXPECT_FALSE(engine.queue().Cue()[2].checked);
}

TEST_F(RunFixture, CancelStopsTheRunAndKeepsTheRestChecked) {
  Photo("a.jpg");
  Photo("b.jpg");
  Photo("c.jpg");
  engine.queue().AddFolder(dir / "in");
  host.cancelAtItemPos = 25;  // inside auto balance ...
  host.cancelAtQueuePos = 2;  // ... of the second item
  RunReport r = engine.RunAll();
  EXPECT_EQ(r.end, RunReport::End::Cancelled);
  EXPECT_EQ(r.saved, 1);
  std::string log = Log();
  EXPECT_NE(log.find("File was not saved<hr>"), std::string::npos);
  EXPECT_NE(log.find("**** Process Cancelled by User *************<hr>"), std::string::npos);
  EXPECT_NE(log.find("Finished<hr>"), std::string::npos);
  EXPECT_EQ(Count(log, "_ORV.jpg ("), 1);
  EXPECT_TRUE(host.Saw("message Process Cancelled by user"));
  EXPECT_FALSE(engine.queue().Cue()[0].checked);
  EXPECT_TRUE(engine.queue().Cue()[1].checked);
  EXPECT_TRUE(engine.queue().Cue()[2].checked);
  EXPECT_FALSE(std::filesystem::exists(dir / "in/ORV/b_ORV.jpg"));
}

TEST_F(RunFixture, QuestionsEmptyQueueAndCurrentImage) {
  engine.settings().Quality.Type = 1;
  engine.settings().Quality.MaxKB = 150;
  RunReport r = engine.RunAll();
  EXPECT_EQ(r.end, RunReport::End::Declined);
  EXPECT_TRUE(
      host.Saw("ask The settings in Size & Quality Tab indicate that you want ORV to "
               "determine\nthe maximum quality providing the result file size is smaller "
               "or equal 150kB\n"));
  EXPECT_FALSE(std::filesystem::exists(dir / "help/log.html"));

  engine.settings().Quality.Type = 0;
  r = engine.RunAll();
  EXPECT_EQ(r.end, RunReport::End::EmptyQueue);
  EXPECT_TRUE(host.Saw("message No files to porcess"));
  EXPECT_FALSE(std::filesystem::exists(dir / "help/log.html"));

  Photo("a.jpg");
  engine.queue().AddFolder(dir / "in");
  engine.queue().Cue()[0].checked = false;
  r = engine.RunCurrentImage(5);
  EXPECT_EQ(r.end, RunReport::End::NoSelection);
  r = engine.RunCurrentImage(0);
  EXPECT_EQ(r.saved, 1);
  EXPECT_FALSE(engine.queue().Cue()[0].checked);  // its mark is left as it was
  EXPECT_NE(Log().find("Finished<br><a href=\"orv1.html\">Go Back</a></body>"), std::string::npos);
  EXPECT_TRUE(host.Saw("help " + dir.path() + "/help/log.html"));
}

TEST_F(RunFixture, ShowImageInfoKeepsThePreviousPhotoOnFailure) {
  std::filesystem::copy_file(ORV_SOURCE_DIR "/samples/test2.jpg", dir / "in/t.jpg");
  ASSERT_EQ(engine.ShowImageInfo(dir / "in/t.jpg"), 1);
  EXPECT_EQ(engine.camera().DisplayModel, "Apple iPhone 4S");
  EXPECT_EQ(engine.picture().width(), 180);
  WriteText(dir / "in/bad.png", "\x89PNG\r\n\x1a\nbroken");
  EXPECT_EQ(engine.ShowImageInfo(dir / "in/bad.png"), 0);
  EXPECT_NE(engine.loadError(), 0u);
  EXPECT_EQ(engine.camera().DisplayModel, "Apple iPhone 4S");
  EXPECT_EQ(engine.picture().width(), 180);
  // A photo without EXIF clears what the previous one had.
  ASSERT_EQ(engine.ShowImageInfo(Photo("n.png", kFormatPng)), 1);
  EXPECT_FALSE(engine.camera().HasExif);
  EXPECT_TRUE(engine.camera().ExifBlock.empty());
  EXPECT_EQ(engine.camera().InfoSummaryHtml, "<b>No EXIF Data</b>");
}

TEST_F(RunFixture, ExifBlockFollowsEachPhotoIntoItsOutput) {
  std::filesystem::copy_file(ORV_SOURCE_DIR "/samples/test3.jpg", dir / "in/a.jpg");
  Photo("b.png", kFormatPng);
  engine.settings().Size.KeepEXIF = 1;
  engine.settings().Output.FileType = 1;
  engine.queue().AddFolder(dir / "in");
  engine.RunAll();
  CImageFile src, a, b;
  ASSERT_EQ(src.Load((dir / "in/a.jpg").c_str()), 0u);
  ASSERT_EQ(a.Load((dir / "in/ORV/a_ORV.jpg").c_str()), 0u);
  ASSERT_EQ(b.Load((dir / "in/ORV/b_ORV.jpg").c_str()), 0u);
  EXPECT_EQ(a.exifBlock(), src.exifBlock());
  EXPECT_TRUE(b.exifBlock().empty());
}

}  // namespace
}  // namespace orv
