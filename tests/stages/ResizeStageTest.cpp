// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/ResizeStage.h"

#include <gtest/gtest.h>

#include "settings/Settings.h"

namespace orv {
namespace {

SizeGroup Size(int type, int percent, int width = 600, int height = 400, int filter = 0) {
  SizeGroup s = Settings().Size;
  s.Type = type;
  s.Percent = percent;
  s.Width = width;
  s.Height = height;
  s.Filter = filter;
  return s;
}

TEST(ResizeStage, PercentScalesAndLogs) {
  ResizeStagePlan p = DeriveResizeStage(Size(1, 50, 600, 400, 1), 3001, 2001);
  EXPECT_TRUE(p.resize);
  EXPECT_EQ(p.width, 1500);
  EXPECT_EQ(p.height, 1000);
  EXPECT_EQ(p.filter, 1);
  EXPECT_FALSE(p.warning);
  EXPECT_EQ(p.logText, "Size: 50 perc = (1500 x 1000)");
  // 100 % gives the same size: the stage ends without a line.
  p = DeriveResizeStage(Size(1, 100), 640, 480);
  EXPECT_FALSE(p.resize);
  EXPECT_TRUE(p.logText.empty());
  // A RAW decoded at half size: the percent scales its full size (odd sides included).
  p = DeriveResizeStage(Size(1, 40), 1501, 1001, 3001, 2001);
  EXPECT_EQ(p.width, 1200);
  EXPECT_EQ(p.height, 800);
  EXPECT_EQ(p.logText, "Size: 40 perc = (1200 x 800)");
  p = DeriveResizeStage(Size(1, 50), 1500, 1000, 3000, 2000);  // already the size asked for
  EXPECT_FALSE(p.resize);
}

TEST(ResizeStage, FitInsideUsesTheLargerRatioAndNeverEnlarges) {
  ResizeStagePlan p = DeriveResizeStage(Size(2, 33, 600, 400), 3000, 1000);  // rx 5 > ry 2.5
  EXPECT_EQ(p.width, 600);
  EXPECT_EQ(p.height, 200);
  EXPECT_EQ(p.logText, "Size: 33 perc = (600 x 200)");       // Size.Percent whatever the type
  p = DeriveResizeStage(Size(2, 50, 600, 400), 1000, 2000);  // ry 5 > rx 1.67
  EXPECT_EQ(p.width, 200);
  EXPECT_EQ(p.height, 400);
  p = DeriveResizeStage(Size(2, 50, 600, 400), 1200, 800);  // a tie takes rx
  EXPECT_EQ(p.width, 600);
  EXPECT_EQ(p.height, 400);
  // A box larger than the picture leaves it alone, without a line.
  p = DeriveResizeStage(Size(2, 50, 600, 400), 600, 300);
  EXPECT_FALSE(p.resize);
  EXPECT_TRUE(p.logText.empty());
  // A box side below 1 gives no picture: the size is kept, with a warning.
  p = DeriveResizeStage(Size(2, 50, 0, -5), 10, 20);
  EXPECT_FALSE(p.resize);
  EXPECT_TRUE(p.warning);
  EXPECT_EQ(p.logText, "Size setting ignored: fit inside 0 x -5 gives no picture; size kept (10 x 20)");
  // A box of 1 x 1 is a real box: r = 20, and 10 / 20 truncates to 0, raised to 1.
  p = DeriveResizeStage(Size(2, 50, 1, 1), 10, 20);
  EXPECT_EQ(p.width, 1);
  EXPECT_EQ(p.height, 1);
}

TEST(ResizeStage, UnusableSettingsKeepTheSizeWithAWarning) {
  for (int percent : {0, -20}) {
    ResizeStagePlan p = DeriveResizeStage(Size(1, percent), 800, 600);
    EXPECT_FALSE(p.resize);
    EXPECT_TRUE(p.warning);
    EXPECT_EQ(p.logText.rfind("Size setting ignored", 0), 0u) << p.logText;
  }
  ResizeStagePlan p = DeriveResizeStage(Size(3, 50), 800, 600);
  EXPECT_FALSE(p.resize);
  EXPECT_TRUE(p.warning);
  EXPECT_NE(p.logText.find("unknown size type 3"), std::string::npos);
  // A percentage whose target exceeds the largest accepted picture (or an int) is ignored too.
  p = DeriveResizeStage(Size(1, 2000000000), 8000, 6000);
  EXPECT_FALSE(p.resize);
  EXPECT_TRUE(p.warning);
  p = DeriveResizeStage(Size(1, 10000), 8000, 6000);
  EXPECT_FALSE(p.resize);
  EXPECT_TRUE(p.warning);
}

TEST(ResizeStage, NoTargetSideTruncatesToZero) {
  ResizeStagePlan p = DeriveResizeStage(Size(1, 1), 50, 400);
  EXPECT_EQ(p.width, 1);
  EXPECT_EQ(p.height, 4);
  p = DeriveResizeStage(Size(2, 50, 100, 100), 10000, 1);
  EXPECT_EQ(p.width, 100);
  EXPECT_EQ(p.height, 1);
}

TEST(ResizeStage, TypeZeroOrBelowDoesNotRun) {
  for (int type : {0, -1}) {
    ResizeStagePlan p = DeriveResizeStage(Size(type, 0), 800, 600);
    EXPECT_FALSE(p.resize);
    EXPECT_FALSE(p.warning);
    EXPECT_TRUE(p.logText.empty());
  }
}

}  // namespace
}  // namespace orv
