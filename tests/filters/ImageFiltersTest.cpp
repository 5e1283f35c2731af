// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/ImageFilters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace orv {
namespace {

using Pixels = std::vector<uint8_t>;

Pixels Fill(int count, uint8_t r, uint8_t g, uint8_t b) {
  Pixels p(size_t(count) * 3);
  for (size_t i = 0; i < p.size(); i += 3) {
    p[i] = r;
    p[i + 1] = g;
    p[i + 2] = b;
  }
  return p;
}

int LumaOf(uint8_t r, uint8_t g, uint8_t b) {
  uint8_t px[3] = {r, g, b}, y = 0;
  CImageFilters f;
  EXPECT_TRUE(f.LumaPlane(px, 1, 1, &y));
  return y;
}

// A colour (not grey) whose luminance is exactly the wanted value.
Pixels ColourWithLuma(int wanted) {
  for (int r = 0; r < 256; ++r) {
    for (int b = 0; b < 256; b += 5) {
      int g = (wanted * 1000 - 299 * r - 114 * b) / 587;
      for (int gg = std::max(0, g - 1); gg <= std::min(255, g + 1); ++gg) {
        if (r != gg && LumaOf(uint8_t(r), uint8_t(gg), uint8_t(b)) == wanted)
          return {uint8_t(r), uint8_t(gg), uint8_t(b)};
      }
    }
  }
  ADD_FAILURE() << "no colour with luma " << wanted;
  return {0, 0, 0};
}

TEST(LumaPlane, TruncatesTheDoubleSum) {
  EXPECT_EQ(LumaOf(255, 255, 255), 255);
  EXPECT_EQ(LumaOf(0, 0, 0), 0);
  EXPECT_EQ(LumaOf(255, 0, 0), 76);   // 76.245
  EXPECT_EQ(LumaOf(0, 255, 0), 149);  // 149.685
  EXPECT_EQ(LumaOf(0, 0, 255), 29);   // 29.07
  CImageFilters f;
  uint8_t y = 0;
  EXPECT_FALSE(f.LumaPlane(nullptr, 1, 1, &y));
}

TEST(StretchLuma, PipelineLevelsCountPixelsOnA100By100Plane) {
  // With the pipeline's levels 5 and 250 on 10000 pixels the low count is 196 and the high
  // count 9803: the low level is the first bin whose running sum reaches 196.
  const double pct = 5 * 100.0 / 255.0;
  auto levels = [&](int lowPixels, int midPixels) {
    std::vector<uint8_t> plane(10000, 250);
    std::fill(plane.begin(), plane.begin() + lowPixels, 10);
    std::fill(plane.begin() + lowPixels, plane.begin() + lowPixels + midPixels, 200);
    CImageFilters f;
    EXPECT_TRUE(f.StretchLuma(plane.data(), 100, 100, pct, pct));
    return std::pair(f.LevelLow, f.LevelHigh);
  };
  EXPECT_EQ(levels(196, 9803 - 196), std::pair(10, 200));
  EXPECT_EQ(levels(195, 9803 - 195), std::pair(200, 200));  // 195 < 196: low moves on
  EXPECT_EQ(levels(196, 9802 - 196), std::pair(10, 250));   // 9802 < 9803: high moves on
}

TEST(StretchLuma, TwoLevelPlaneStretchesTo0And254) {
  std::vector<uint8_t> plane(100, 100);
  std::fill(plane.begin() + 50, plane.end(), 200);
  CImageFilters f;
  ASSERT_TRUE(f.StretchLuma(plane.data(), 10, 10, 1.9608, 1.9608));
  EXPECT_EQ(f.LevelLow, 100);
  EXPECT_EQ(f.LevelHigh, 200);
  EXPECT_EQ(plane[0], 0);
  // 100 * (255 / 100) is just below 255 in double precision and truncates to 254.
  EXPECT_EQ(plane[99], 254);
}

TEST(StretchLuma, ZeroSizeIsANoOpAndNullFails) {
  CImageFilters f;
  uint8_t v = 7;
  EXPECT_TRUE(f.StretchLuma(&v, 0, 5, 2, 2));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(f.StretchLuma(nullptr, 1, 1, 2, 2));
  EXPECT_FALSE(f.ApplyStoredLevels(nullptr, 1, 1));
}

TEST(AutoLevels, ShiftsEveryChannelByTheChangeOfLuminance) {
  Pixels dark = ColourWithLuma(100), light = ColourWithLuma(200);
  Pixels pic;
  for (int i = 0; i < 50; ++i) pic.insert(pic.end(), dark.begin(), dark.end());
  for (int i = 0; i < 50; ++i) pic.insert(pic.end(), light.begin(), light.end());
  CImageFilters f;
  ASSERT_TRUE(f.AutoLevels(pic.data(), 10, 10, 5, 250));
  EXPECT_EQ(f.LevelLow, 100);
  EXPECT_EQ(f.LevelHigh, 200);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(pic[c], std::clamp(dark[c] - 100, 0, 255)) << c;
    EXPECT_EQ(pic[99 * 3 + c], std::clamp(light[c] + 54, 0, 255)) << c;
  }
}

TEST(AutoLevels, LeavesPicturesWithFullRangeOrNoRangeUnchanged) {
  // More than 2 % black and more than 2 % white: levels 0 and 255, scale exactly 1.
  Pixels pic = Fill(100, 0, 0, 0);
  Pixels white = Fill(3, 255, 255, 255), mid = Fill(50, 30, 140, 90);
  std::copy(white.begin(), white.end(), pic.begin());
  std::copy(mid.begin(), mid.end(), pic.begin() + 30);
  Pixels before = pic;
  CImageFilters f;
  ASSERT_TRUE(f.AutoLevels(pic.data(), 10, 10, 5, 250));
  EXPECT_EQ(f.LevelLow, 0);
  EXPECT_EQ(f.LevelHigh, 255);
  EXPECT_EQ(pic, before);

  // A single colour has LevelLow == LevelHigh: nothing to stretch and no division by zero.
  Pixels flat = Fill(64, 90, 120, 30), flatBefore = flat;
  ASSERT_TRUE(f.AutoLevels(flat.data(), 8, 8, 5, 250));
  EXPECT_EQ(f.LevelLow, f.LevelHigh);
  EXPECT_EQ(flat, flatBefore);
}

TEST(ApplyLevels, UsesTheLevelsOfTheLastStretch) {
  Pixels crop = Fill(4, 120, 130, 140);
  Pixels before = crop;
  CImageFilters fresh;  // before any stretch: 0 and 255, no change
  ASSERT_TRUE(fresh.ApplyLevels(crop.data(), 2, 2));
  EXPECT_EQ(crop, before);

  CImageFilters f;
  f.LevelLow = 100;
  f.LevelHigh = 200;
  ASSERT_TRUE(f.ApplyLevels(crop.data(), 2, 2));
  int y = LumaOf(120, 130, 140);
  int d = y - int((y - 100) * (255.0 / 100));
  EXPECT_EQ(crop[0], std::clamp(120 - d, 0, 255));
  EXPECT_EQ(crop[2], std::clamp(140 - d, 0, 255));
  EXPECT_FALSE(f.ApplyLevels(nullptr, 2, 2));
}

TEST(Blend, MixesWithTruncationAndRejectsMismatches) {
  Pixels dst = Fill(4, 10, 100, 255), src = Fill(4, 200, 0, 255);
  Pixels before = dst;
  CImageFilters f;
  ASSERT_TRUE(f.Blend(dst.data(), 2, 2, src.data(), 2, 2, 0.0));
  EXPECT_EQ(dst, before);

  ASSERT_TRUE(f.Blend(dst.data(), 2, 2, src.data(), 2, 2, 0.3));
  EXPECT_EQ(dst[0], int(10 * 0.7 + 200 * 0.3));  // 67
  EXPECT_EQ(dst[1], int(100 * (1 - 0.3)));       // 70
  EXPECT_EQ(dst[2], 255);                        // never above 255

  ASSERT_TRUE(f.Blend(dst.data(), 2, 2, src.data(), 2, 2, 7.5));  // behaves as 1: a copy
  EXPECT_EQ(dst, src);

  dst = before;
  EXPECT_FALSE(f.Blend(dst.data(), 2, 2, src.data(), 4, 1, 0.5));
  EXPECT_FALSE(f.Blend(dst.data(), 2, 2, dst.data(), 2, 2, 0.5));
  EXPECT_FALSE(f.Blend(nullptr, 2, 2, src.data(), 2, 2, 0.5));
  EXPECT_EQ(dst, before);
  // NaN strength mixes nothing in.
  ASSERT_TRUE(f.Blend(dst.data(), 2, 2, src.data(), 2, 2, std::nan("")));
  EXPECT_EQ(dst, before);
}

}  // namespace
}  // namespace orv
