// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "filters/MinoltaMatcher.h"
#include "settings/Settings.h"
#include "stages/MinoltaStage.h"

namespace orv {
namespace {

using Pixels = std::vector<uint8_t>;

Pixels Match(Pixels p) {
  EXPECT_TRUE(MatchMinoltaColors(p.data(), int(p.size() / 3), 1));
  return p;
}

void ExpectNear(const Pixels& got, const Pixels& want, int tolerance) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_LE(std::abs(int(got[i]) - int(want[i])), tolerance)
        << "channel " << i << ": " << int(got[i]) << " vs " << int(want[i]);
}

TEST(MinoltaCurves, PassThroughTheirKnotsAndNeverDecrease) {
  for (auto [curve, knots] : {std::pair{&CameraToneCurve(), CameraToneKnots()},
                              std::pair{&OutputToneCurve(), OutputToneKnots()}}) {
    for (const CurveKnot& k : knots) EXPECT_DOUBLE_EQ((*curve)[size_t(k.k)], k.v) << k.k;
    for (size_t i = 1; i < 512; ++i) EXPECT_LE((*curve)[i - 1], (*curve)[i]) << i;
  }
}

TEST(MinoltaCurves, MonotoneInterpolationKeepsFlatStretchesFlat) {
  const CurveKnot knots[] = {{0, 0.0}, {10, 0.5}, {20, 0.5}, {30, 1.0}};
  std::vector<CurveKnot> k(std::begin(knots), std::end(knots));
  const ToneCurve c = InterpolateMonotone(k);
  for (int i = 10; i <= 20; ++i) EXPECT_DOUBLE_EQ(c[size_t(i)], 0.5);
  for (int i = 1; i <= 30; ++i) EXPECT_LE(c[size_t(i) - 1], c[size_t(i)]);
}

TEST(MinoltaMatcher, MatrixAndTables) {
  const Matrix3 m = CameraToSrgbMatrix();
  const double want[9] = {1.173753, -0.028621, -0.145443, 0.021621, 1.181233,
                          -0.20271, 0.058847,  -0.208997, 1.14986};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(m[size_t(i)], want[i], 5e-7) << i;
  CMinoltaMatcher matcher;
  EXPECT_DOUBLE_EQ(matcher.linear[0], 0.000412);  // code 0 reads sample 1
  EXPECT_DOUBLE_EQ(matcher.linear[255], 1.0);
  EXPECT_EQ(matcher.srgb[0], 0);
  EXPECT_EQ(matcher.srgb[1023], 255);
  EXPECT_EQ(matcher.srgb[3], 10);  // 3/1023 = 0.00293 is below 0.00304: linear, 12.92 x a
  EXPECT_EQ(matcher.srgb[4], 13);  // above: the power curve
}

TEST(MinoltaMatcher, BlackWhiteAndPrimariesGreenAndBlueStay) {
  EXPECT_EQ(Match({0, 0, 0, 255, 255, 255, 0, 255, 0, 0, 0, 255}),
            (Pixels{0, 0, 0, 255, 255, 255, 0, 255, 0, 0, 0, 255}));
}

TEST(MinoltaMatcher, WorkedColoursWithinTheCurvesTolerance) {
  ExpectNear(Match({128, 128, 128}), {112, 112, 112}, 2);
  ExpectNear(Match({64, 64, 64}), {53, 53, 53}, 2);
  ExpectNear(Match({200, 100, 50}), {205, 96, 48}, 2);
  // Pure red: the red channel is clipped, green and blue come out small and positive.
  const Pixels red = Match({255, 0, 0});
  EXPECT_EQ(red[0], 255);
  ExpectNear({red[1], red[2]}, {31, 58}, 2);
}

TEST(MinoltaMatcher, WholePictureMatchesPixelByPixel) {
  Pixels p;
  for (int i = 0; i < 256; ++i) p.insert(p.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
  const Pixels out = Match(p);
  CMinoltaMatcher matcher;
  for (size_t i = 0; i < p.size(); i += 3) {
    uint8_t one[3];
    matcher.MatchPixel(&p[i], one);
    ASSERT_TRUE(one[0] == out[i] && one[1] == out[i + 1] && one[2] == out[i + 2]) << i / 3;
  }
  EXPECT_FALSE(MatchMinoltaColors(nullptr, 1, 1));
  EXPECT_FALSE(MatchMinoltaColors(p.data(), 0, 1));
}

TEST(MinoltaStage, OnlyMinoltaPicturesNotYetInSrgb) {
  const SRGBGroup on = Settings().sRGB;  // Enabled 1, Test 0
  MinoltaStagePlan p = DeriveMinoltaStage(on, "Minolta DiMAGE 7", 65535, "");
  EXPECT_TRUE(p.match);
  EXPECT_TRUE(p.colorMatched);
  EXPECT_EQ(p.stageText, "Color Matching (Minolta->sRGB");
  EXPECT_EQ(p.logText, "DiMAGE->sRGB");

  p = DeriveMinoltaStage(on, "Canon PowerShot G2", 1, "");
  EXPECT_FALSE(p.match);
  EXPECT_FALSE(p.colorMatched);
  EXPECT_EQ(p.logText, "Color Matching Skipping - it is not Minolta image");

  for (auto [space, comment] : {std::pair{1, ""}, std::pair{65535, "sRGB Matched"}}) {
    p = DeriveMinoltaStage(on, "KONICA MINOLTA DiMAGE A2", space, comment);
    EXPECT_FALSE(p.match);
    EXPECT_TRUE(p.colorMatched);  // still marked on output
    EXPECT_EQ(p.logText, "Color Matching Skipping - image is already in sRGB");
  }
  // The comment test is exact and case-sensitive.
  EXPECT_TRUE(DeriveMinoltaStage(on, "minolta", 65535, "srgb matched").match);
}

TEST(MinoltaStage, TestSwitchMatchesEverythingAndDisabledMatchesNothing) {
  SRGBGroup all = Settings().sRGB;
  all.Test = 1;
  EXPECT_TRUE(DeriveMinoltaStage(all, "Canon", 1, "sRGB Matched").match);
  SRGBGroup off = Settings().sRGB;
  off.Enabled = 0;
  const MinoltaStagePlan p = DeriveMinoltaStage(off, "Minolta", 65535, "");
  EXPECT_FALSE(p.match);
  EXPECT_FALSE(p.colorMatched);
  EXPECT_TRUE(p.logText.empty());
}

}  // namespace
}  // namespace orv
