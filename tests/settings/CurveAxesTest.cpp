// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CurveAxes.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

CameraSummary Exif() {
  CameraSummary c;
  c.HasExif = true;
  return c;
}

TEST(CurveAxes, EachQuantityWithItsUnknownValueRule) {
  CameraSummary c = Exif();
  c.Flash = -1;
  EXPECT_FALSE(FlashAxis(c).hasExif);
  EXPECT_FALSE(CleanSkinAxis(c).hasExif);
  EXPECT_EQ(CleanSkinAxis(c).x, 0.0);
  c.Flash = 1;
  EXPECT_TRUE(FlashAxis(c).hasExif);
  EXPECT_EQ(FlashAxis(c).x, 1.0);

  c.Iso = 0;
  EXPECT_EQ(DenoiseAxis(c).x, 100.0);
  EXPECT_FALSE(DenoiseAxis(c).hasExif);
  c.Iso = 1600;
  EXPECT_EQ(DenoiseAxis(c).x, 400.0);
  EXPECT_TRUE(DenoiseAxis(c).hasExif);

  EXPECT_EQ(DistanceAxis(c).x, 50.0);
  EXPECT_FALSE(DistanceAxis(c).hasExif);
  c.SubjectDistance = 2.5;
  EXPECT_TRUE(DistanceAxis(c).hasExif);

  c.EffectiveShutter = 0.5;
  EXPECT_EQ(SharpenAxis(c).x, 0.0);
  c.EffectiveShutter = 2.0;
  EXPECT_EQ(SharpenAxis(c).x, 2.0);
  EXPECT_EQ(RadiusAxis(c).x, 1.0);  // F unknown counts as 2
  c.FNumber = 2.8;
  EXPECT_DOUBLE_EQ(RadiusAxis(c).x, 1.4);
  c.FNumber = 16;
  EXPECT_EQ(RadiusAxis(c).x, 3.0);
  c.EffectiveShutter = 0;
  EXPECT_FALSE(SharpenAxis(c).hasExif);
  EXPECT_FALSE(RadiusAxis(c).hasExif);  // follows the sharpen flag

  CameraSummary none;  // no EXIF at all: every flag is off
  none.Flash = 1;
  none.Iso = 200;
  EXPECT_FALSE(FlashAxis(none).hasExif);
  EXPECT_FALSE(DenoiseAxis(none).hasExif);
  EXPECT_FALSE(BalanceAxis(none).hasExif);
}

TEST(CurveAxes, BalanceStopsAndTheFlashRow) {
  CameraSummary c = Exif();
  c.EffectiveShutter = 0.004;  // 1/250 s or shorter: the first row
  EXPECT_EQ(BalanceAxis(c).x, 1.0);
  c.EffectiveShutter = 0.001;
  EXPECT_EQ(BalanceAxis(c).x, 1.0);
  c.EffectiveShutter = 4.096;
  EXPECT_EQ(BalanceAxis(c).x, 11.0);
  c.EffectiveShutter = 30;
  EXPECT_EQ(BalanceAxis(c).x, 11.0);
  c.Flash = 1;
  EXPECT_EQ(BalanceAxis(c).x, 13.0);
  c.EffectiveShutter = 0;  // unknown time: no flash row, the no-EXIF point
  EXPECT_FALSE(BalanceAxis(c).hasExif);
  EXPECT_EQ(BalanceShutter(c), 0.002);
}

TEST(CurveAxes, HotPixelModelRule) {
  Settings s;
  s.ApplyKeyDefaults();
  for (int i = 0; i < 5; ++i) s.HotPixels.Advanced.SetPoint(i, 10 * (i + 1));
  s.HotPixels.Advanced.SetNoExifIndex(4);
  s.HotPixels.ExList = "other\r\ndsc-f707";
  CameraSummary c = Exif();
  c.DisplayModel = "Sony DSC-F707";
  c.EffectiveShutter = 0.01;

  s.HotPixels.ExcludeType = 0;  // "Totally Ignore": no lookup, strength 0
  HotPixelStrength h = LookupHotPixelStrength(s, c);
  EXPECT_TRUE(h.listed);
  EXPECT_TRUE(h.skipped);
  EXPECT_EQ(h.threshold, 0);

  s.HotPixels.ExcludeType = 1;  // "Use it in No EXIF mode"
  h = LookupHotPixelStrength(s, c);
  EXPECT_FALSE(h.skipped);
  EXPECT_EQ(h.threshold, 50);
  EXPECT_FALSE(h.axis.hasExif);
  // The window curve took the no-EXIF index but reads with the photo's own flag.
  EXPECT_EQ(s.Window.Advanced.NoExifIndex(), 4);
  EXPECT_TRUE(s.Window.Advanced.HasExif());

  s.HotPixels.Exclude = 0;  // list ignored
  h = LookupHotPixelStrength(s, c);
  EXPECT_FALSE(h.listed);
  EXPECT_EQ(h.threshold, 10);
}

}  // namespace
}  // namespace orv
