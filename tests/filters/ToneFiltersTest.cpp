// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "filters/ChannelCurves.h"
#include "filters/FilterTestSupport.h"
#include "filters/ImageFilters.h"

namespace orv {
namespace {

using test::Pixels;

// A 256 x 1 picture whose pixel i is (i, i, i): the whole table of a tone filter in one call.
Pixels Ramp() {
  Pixels p(256 * 3);
  for (int i = 0; i < 256; ++i) p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = uint8_t(i);
  return p;
}

TEST(AdjustGamma, TableDividesBy256AndTruncates) {
  CImageFilters f;
  Pixels p = Ramp();
  ASSERT_TRUE(f.AdjustGamma(p.data(), 256, 1, 2.0));
  EXPECT_EQ(p[64 * 3], 128);  // sqrt(0.25) x 256
  EXPECT_EQ(p[255 * 3], 255);
  EXPECT_EQ(p[0], 0);
  p = Ramp();
  ASSERT_TRUE(f.AdjustGamma(p.data(), 256, 1, 0.5));
  EXPECT_EQ(p[255 * 3], 254);  // a darkening gamma lowers the brightest value too
  EXPECT_EQ(p[128 * 3], 64);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(p[100 * 3 + c], p[100 * 3]);
}

TEST(AdjustGamma, NeutralAndInvalidGammasChangeNothing) {
  CImageFilters f;
  const Pixels ramp = Ramp();
  for (double g : {1.0, 0.0}) {
    Pixels p = ramp;
    EXPECT_TRUE(f.AdjustGamma(p.data(), 256, 1, g)) << g;
    EXPECT_EQ(p, ramp) << g;
  }
  for (double g : {-0.5, std::numeric_limits<double>::quiet_NaN()}) {
    Pixels p = ramp;
    EXPECT_FALSE(f.AdjustGamma(p.data(), 256, 1, g)) << g;
    EXPECT_EQ(p, ramp) << g;
  }
  Pixels p = ramp;
  EXPECT_TRUE(f.AdjustGamma(p.data(), 256, 1, std::numeric_limits<double>::infinity()));
  EXPECT_EQ(p[255 * 3], 255);  // exponent 0 would give 256; held at 255
  EXPECT_FALSE(f.AdjustGamma(nullptr, 256, 1, 2.0));
  EXPECT_FALSE(f.AdjustGamma(p.data(), 0, 1, 2.0));
  EXPECT_FALSE(f.AdjustGamma(p.data(), 256, -1, 2.0));
}

TEST(ApplyChannelLut, MaskSelectsChannelsAndZeroMaskFails) {
  CImageFilters f;
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = uint8_t(255 - i);
  Pixels p = {10, 20, 30, 40, 50, 60};
  ASSERT_TRUE(f.ApplyChannelLut(p.data(), 2, 1, 0x105, table));  // low byte 5: R and B
  EXPECT_EQ(p, (Pixels{245, 20, 225, 215, 50, 195}));
  EXPECT_FALSE(f.ApplyChannelLut(p.data(), 2, 1, 0x100, table));
  EXPECT_FALSE(f.ApplyChannelLut(p.data(), 2, 1, 7, nullptr));
  EXPECT_FALSE(f.ApplyChannelLut(nullptr, 2, 1, 7, table));
}

TEST(ChannelCurves, RoundsTheGammaCurveHalfUp) {
  CChannelCurves curves;
  for (int i = 0; i < 256; ++i) EXPECT_EQ(curves.Entry(2, i), i);
  curves.SetBlue(0, 255, 0, 255, 0.8);
  EXPECT_EQ(curves.Entry(2, 128), 108);  // round((128 / 255)^1.25 x 255)
  EXPECT_EQ(curves.Entry(2, 0), 0);
  EXPECT_EQ(curves.Entry(2, 255), 255);
  EXPECT_EQ(curves.Entry(1, 128), 128);
  EXPECT_EQ(curves.Entry(3, 0), 0);
  // Output levels reversed: the curve runs downwards.
  EXPECT_DOUBLE_EQ(LevelsGammaCurve(0, 255, 255, 0, 1.0, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(LevelsGammaCurve(0, 255, 255, 0, 1.0, 1.0), 0.0);
  // Equal input levels skip the division instead of dividing by zero.
  EXPECT_DOUBLE_EQ(LevelsGammaCurve(100, 100, 0, 255, 1.0, 1.0), 155.0);
  curves.SetRed(0, 255, 0, 255, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(curves.Entry(0, 200), 0);
}

TEST(RemoveCast, FlashDarkeningAlsoCorrectsGreen) {
  CImageFilters f;
  Pixels p = {128, 128, 128};
  ASSERT_TRUE(f.RemoveCast(p.data(), 1, 1, 0.8, 1));
  EXPECT_EQ(p[0], 128);
  EXPECT_EQ(p[2], 108);
  // green gamma 1 - 0.2 / 1.8 = 0.8889: round((128 / 255)^1.125 x 255) = round(117.44)
  EXPECT_EQ(p[1], 117);
}

TEST(RemoveCast, OnlyBlueChangesWithoutFlashOrWhenBrightening) {
  CImageFilters f;
  const Pixels src = test::Random(16, 16, 3);
  for (auto [gamma, mode] : {std::pair(0.8, 0), std::pair(0.8, -1), std::pair(1.3, 1)}) {
    Pixels p = src;
    ASSERT_TRUE(f.RemoveCast(p.data(), 16, 16, gamma, mode));
    bool blueMoved = false;
    for (size_t i = 0; i < p.size(); i += 3) {
      EXPECT_EQ(p[i], src[i]);
      EXPECT_EQ(p[i + 1], src[i + 1]);
      blueMoved = blueMoved || p[i + 2] != src[i + 2];
    }
    EXPECT_TRUE(blueMoved) << gamma << " " << mode;
  }
  // Mode -1 (flash unknown) behaves as mode 0.
  Pixels a = src, b = src;
  f.RemoveCast(a.data(), 16, 16, 0.7, -1);
  f.RemoveCast(b.data(), 16, 16, 0.7, 0);
  EXPECT_EQ(a, b);
}

TEST(RemoveCast, NeutralGammaAndCurveEndsKeepThePicture) {
  CImageFilters f;
  const Pixels src = test::Random(8, 8, 4);
  for (double g : {1.0, 0.0}) {
    Pixels p = src;
    f.RemoveCast(p.data(), 8, 8, g, 1);
    EXPECT_EQ(p, src);
  }
  for (uint8_t blue : {0, 255}) {
    Pixels p = test::Uniform(4, 4, 90, 120, blue), before = p;
    f.RemoveCast(p.data(), 4, 4, 1.49609375, 0);
    EXPECT_EQ(p, before);
  }
}

// The per-pixel table passes work through the picture a block of pixels at a time, reading each
// block from a copy: on pictures of several blocks, each ending inside one, every pixel must come
// out as it does when it is the whole picture.
TEST(TablePasses, EveryPixelComesOutAsItDoesAlone) {
  uint8_t inverse[256];
  for (int i = 0; i < 256; ++i) inverse[i] = uint8_t(255 - i);
  const std::vector<std::pair<std::string, std::function<void(Pixels&, int, int)>>> passes = {
      {"saturation",
       [](Pixels& p, int w, int h) { CImageFilters().AdjustSaturation(p.data(), w, h, 250); }},
      {"gamma", [](Pixels& p, int w, int h) { CImageFilters().AdjustGamma(p.data(), w, h, 0.7); }},
      {"red and blue", [&](Pixels& p, int w,
                           int h) { CImageFilters().ApplyChannelLut(p.data(), w, h, 5, inverse); }},
      {"cast", [](Pixels& p, int w, int h) { CImageFilters().RemoveCast(p.data(), w, h, 0.8, 1); }},
      {"blue cast",
       [](Pixels& p, int w, int h) { CImageFilters().RemoveCast(p.data(), w, h, 1.3, 0); }},
  };
  for (const auto& [name, pass] : passes) {
    for (const auto& [width, height] : {std::pair{600, 1}, std::pair{29, 23}}) {
      const Pixels src = test::Random(width, height, unsigned(width));
      Pixels whole = src;
      pass(whole, width, height);
      for (size_t i = 0; i < src.size(); i += 3) {
        Pixels alone(src.begin() + std::ptrdiff_t(i), src.begin() + std::ptrdiff_t(i) + 3);
        pass(alone, 1, 1);
        ASSERT_TRUE(std::equal(alone.begin(), alone.end(), whole.begin() + std::ptrdiff_t(i)))
            << name << " " << width << " x " << height << ", pixel " << i / 3;
      }
    }
  }
}

}  // namespace
}  // namespace orv
