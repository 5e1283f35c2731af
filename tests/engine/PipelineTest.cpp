// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/ProcessLog.h"
#include "settings/SettingKeys.h"
#include "support/CorrectionsOff.h"
#include "support/RecordingHost.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::ReadText;
using test::RecordingHost;
using test::RecordingProgress;
using test::TempDir;

// Settings with every stage off, in the given mode, and the detailed log on.
Settings AllOff(bool advanced) {
  Settings s;
  s.ApplyKeyDefaults();
  s.Mode.Advanced = advanced ? 1 : 0;
  test::TurnCorrectionsOff(s);
  s.HotPixels.BF = 0;
  s.Size.Type = 0;
  s.Output.DetailedLog = 1;
  return s;
}

struct PipelineFixture : ::testing::Test {
  TempDir dir;
  RecordingHost host;
  ProcessLog log{dir / "log.html"};
  CameraSummary camera;  // no EXIF
  Image picture = test::GradientImage(40, 30);

  std::vector<uint8_t> Pixels(const Image& img) {
    return {img.pixels(), img.pixels() + img.byteSize()};
  }
  // A run, or with a crop (or `preview`) a preview.
  PipelineResult Run(Settings& s, CProgressDialog* progress, Image* crop = nullptr,
                     bool preview = false) {
    log.LogAppend("", true);
    PipelineInput in{s, camera, host, nullptr, &log};
    in.mode = crop || preview ? PipelineMode::Preview : PipelineMode::Batch;
    return ProcessImage(in, picture, crop, progress);
  }
};

TEST_F(PipelineFixture, EveryStageOffPassesTheCheckpointsAndChangesNothing) {
  Settings s = AllOff(false);
  auto before = Pixels(picture);
  RecordingProgress progress;
  progress.events = &host.events;
  PipelineResult r = Run(s, &progress);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(Pixels(picture), before);
  std::vector<std::string> items;
  for (const std::string& e : host.events)
    if (e.rfind("item ", 0) == 0 || e.rfind("picture", 0) == 0) items.push_back(e);
  EXPECT_EQ(items, (std::vector<std::string>{"item 10", "item 20", "picture 40x30", "item 20",
                                             "picture 40x30", "item 30", "picture 40x30", "item 40",
                                             "picture 40x30", "item 50", "item 70", "item 80",
                                             "item 90", "picture 40x30"}));
  EXPECT_EQ(ReadText(dir / "log.html"), "");
}

TEST_F(PipelineFixture, BasicStagesWriteTheirLinesInOrder) {
  Settings s = AllOff(false);
  s.Balance.SimEnabled = 1;
  s.ColorCast.SimEnabled = 1;
  s.Midtones.SimEnabled = 1;
  s.Saturation.SimEnabled = 1;
  s.Sharpen.SimEnabled = 1;
  s.Denoise.SimEnabled = 1;
  s.Size.Type = 1;
  s.Size.Percent = 50;
  Run(s, nullptr);
  std::string text = ReadText(dir / "log.html");
  const char* order[] = {"CC:Gamma=", "BL:Alpha=0.843137",         "MI:Gamma=1.04688",
                         "DE:Alpha=", "Size: 50 perc = (20 x 15)", "SH: NT=50",
                         "SA: NT=128"};
  size_t at = 0;
  for (const char* line : order) {
    size_t found = text.find(line, at);
    EXPECT_NE(found, std::string::npos) << line;
    if (found != std::string::npos) at = found;
  }
  EXPECT_EQ(picture.width(), 20);  // the resize replaced the picture
}

TEST_F(PipelineFixture, AdvancedModeUsesNoExifPointsWithoutExif) {
  Settings s = AllOff(true);
  s.Balance.Enabled = 1;
  s.Balance.Advanced.SetNoExifIndex(2);
  s.Balance.Advanced.SetPoint(2, 51);
  Run(s, nullptr);
  std::string text = ReadText(dir / "log.html");
  EXPECT_NE(text.find("BL:Alpha=0.2, S.Speed=0.002"), std::string::npos);
  EXPECT_FALSE(s.Balance.Advanced.HasExif());

  // A flash photo with EXIF reads the flash row of the balance curve.
  camera.HasExif = true;
  camera.Flash = 1;
  camera.EffectiveShutter = 1.0 / 60;
  s.Balance.Advanced.SetPoint(6, 255);
  auto before = Pixels(picture);
  Run(s, nullptr);
  EXPECT_NE(ReadText(dir / "log.html").find("BL:Alpha=1, S.Speed=0.0166667"), std::string::npos);
  EXPECT_EQ(s.Balance.Advanced.MarkerIndex(), 6);
}

TEST_F(PipelineFixture, CancelAtACheckpointStopsTheStages) {
  Settings s = AllOff(false);
  s.Saturation.SimEnabled = 1;
  s.Saturation.Basic.SetPoint(0, 255);
  RecordingProgress progress;
  progress.events = &host.events;
  progress.cancelAtItemPos = 30;
  auto before = Pixels(picture);
  PipelineResult r = Run(s, &progress);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(Pixels(picture), before);  // the saturation stage never ran
  EXPECT_FALSE(host.Saw("item 40"));
}

TEST_F(PipelineFixture, PreviewLeavesThePictureToDetailStagesAndWritesNoLines) {
  Settings s = AllOff(false);
  s.Sharpen.SimEnabled = 1;
  s.Saturation.SimEnabled = 1;
  s.Saturation.Basic.SetPoint(0, 200);
  Image crop = test::GradientImage(8, 8);
  auto cropBefore = std::vector<uint8_t>(crop.pixels(), crop.pixels() + crop.byteSize());
  Image sharpOnly = test::GradientImage(40, 30);
  Run(s, nullptr, &crop);
  EXPECT_EQ(ReadText(dir / "log.html"), "");
  EXPECT_NE(std::vector<uint8_t>(crop.pixels(), crop.pixels() + crop.byteSize()), cropBefore);
  // The picture got the saturation but not the sharpening: compare with saturation alone.
  Settings satOnly = AllOff(false);
  satOnly.Saturation.SimEnabled = 1;
  satOnly.Saturation.Basic.SetPoint(0, 200);
  Image expected = test::GradientImage(40, 30);
  PipelineInput in{satOnly, camera, host, nullptr, nullptr};
  in.mode = PipelineMode::Preview;
  Image crop2 = test::GradientImage(8, 8);
  ProcessImage(in, expected, &crop2, nullptr);
  EXPECT_EQ(Pixels(picture), Pixels(expected));

  // Without a crop (a page without the detail view) the picture is corrected alone, the same.
  picture = test::GradientImage(40, 30);
  Run(s, nullptr, nullptr, true);
  EXPECT_EQ(Pixels(picture), Pixels(expected));
}

TEST_F(PipelineFixture, AStageThatCannotWorkIsNamedAndTheChainGoesOn) {
  // A picture over the pixel limit set after it was made: noise removal cannot allocate its
  // copy, and the colour fix refuses the picture; each is named, and the chain runs to its end.
  picture = test::GradientImage(1500, 1000);
  Settings s = AllOff(false);
  s.Denoise.SimEnabled = 1;
  s.Saturation.SimEnabled = 1;
  PipelineResult r;
  {
    test::ScopedEnv limit("ORV_MAX_MEGAPIXELS", "1");
    r = Run(s, nullptr);
  }
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.failedStages, 2);
  std::string text = ReadText(dir / "log.html");
  EXPECT_NE(text.find("De-Noiser: not applied, no memory for a copy of the picture"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("DE:Alpha="), std::string::npos);  // no line that reads like success
  EXPECT_NE(text.find("Color Final Fix: not applied, its filter failed"), std::string::npos);
  EXPECT_EQ(text.find("SA: NT="), std::string::npos);

  // A preview counts nothing and writes no line.
  {
    test::ScopedEnv limit("ORV_MAX_MEGAPIXELS", "1");
    Image crop = test::GradientImage(1200, 900);
    r = Run(s, nullptr, &crop);
  }
  EXPECT_EQ(r.failedStages, 0);
}

TEST_F(PipelineFixture, AStageWithoutItsSpareBufferIsToldAndCounted) {
  Settings s = AllOff(false);
  s.Denoise.SimEnabled = 1;
  picture = test::GradientImage(1500, 1000);
  auto before = Pixels(picture);
  // The picture is already in memory; the limit now refuses a second buffer of its size.
  PipelineResult r;
  {
    test::ScopedEnv limit("ORV_MAX_MEGAPIXELS", "1");
    r = Run(s, nullptr);
  }
  EXPECT_EQ(r.failedStages, 1);
  std::string text = ReadText(dir / "log.html");
  EXPECT_NE(text.find("<font color=\"#ff0900\">De-Noiser: not applied, no memory for a copy of "
                      "the picture</font>"),
            std::string::npos)
      << text;
  EXPECT_EQ(test::Count(text, "DE:"), 0u);  // no stage line claiming it ran
  EXPECT_TRUE(std::equal(before.begin(), before.end(), picture.pixels()));
}

TEST_F(PipelineFixture, LongExposureStagesFollowTheShutterTime) {
  Settings s = AllOff(true);
  s.HotPixels.Enabled = 1;
  for (int i = 0; i < 5; ++i) s.HotPixels.Advanced.SetPoint(i, 40);
  camera.HasExif = true;
  camera.EffectiveShutter = 1.0 / 100;  // short: no hot-pixel pass
  Run(s, nullptr);
  EXPECT_EQ(ReadText(dir / "log.html").find("HP:"), std::string::npos);
  camera.EffectiveShutter = 4;
  Run(s, nullptr);
  EXPECT_NE(ReadText(dir / "log.html").find("HP:NT=40,WI="), std::string::npos);

  // A listed camera with "Totally Ignore" skips the stage and shows the page's picture.
  camera.DisplayModel = "Sony DSC-F707";
  s.HotPixels.ExList = "dsc-f707";
  s.HotPixels.Exclude = 1;
  s.HotPixels.ExcludeType = 0;
  Run(s, nullptr);
  EXPECT_EQ(ReadText(dir / "log.html").find("HP:"), std::string::npos);
  EXPECT_TRUE(host.Saw("listed camera"));

  // Black frame switched on without a frame loaded.
  s.HotPixels.BF = 1;
  Run(s, nullptr);
  EXPECT_NE(ReadText(dir / "log.html").find("BF: No BF Loaded"), std::string::npos);
}

}  // namespace
}  // namespace orv
