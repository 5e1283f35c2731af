// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "stages/DenoiseStage.h"
#include "stages/BlackFrameStage.h"
#include "stages/HotPixelStage.h"
#include "stages/SharpenStage.h"
#include "stages/CastStage.h"
#include "stages/MidtoneStage.h"
#include "stages/SaturationStage.h"
#include "settings/Curve.h"
#include "settings/CurveAxes.h"
#include "settings/Settings.h"

namespace orv {
namespace {

TEST(FormatG, MatchesPrintfG) {
  EXPECT_EQ(FormatG(1.0), "1");
  EXPECT_EQ(FormatG(0.8), "0.8");
  EXPECT_EQ(FormatG(1.49609375), "1.49609");
  EXPECT_EQ(FormatG(1.046875), "1.04688");
  EXPECT_EQ(FormatG(1e-5), "1e-05");
  EXPECT_EQ(FormatG(1234567.0), "1.23457e+06");
}

TEST(CastStage, GammaFromTheCurveValueAndModeByMode) {
  EXPECT_DOUBLE_EQ(CurveGamma(255), 1.49609375);
  EXPECT_DOUBLE_EQ(CurveGamma(128), 1.0);
  EXPECT_NEAR(CurveGamma(0), 0.668407, 1e-6);
  auto cast = [](bool advanced, int value, int flash) {
    return DeriveCastStage({advanced, value, flash});
  };
  EXPECT_EQ(cast(false, 0, 1).log.text, "CC:Gamma=1.49609");
  EXPECT_EQ(cast(false, 255, 1).log.text, "CC:Gamma=0.668407");
  for (int neutral : {127, 128}) {
    EXPECT_EQ(cast(true, neutral, 0).gamma, 1.0);
    EXPECT_EQ(cast(true, neutral, 0).log.text, "CC:Gamma=1");
  }
  EXPECT_EQ(cast(true, 200, 1).mode, 1);
  EXPECT_EQ(cast(true, 200, -1).mode, -1);
  EXPECT_EQ(cast(false, 200, 1).mode, 0);
}

TEST(MidtoneStage, GammaValuesAndTheNeutralMiddle) {
  EXPECT_DOUBLE_EQ(MidtoneGamma(255), 1.49609375);
  EXPECT_NEAR(MidtoneGamma(0), 0.33508, 1e-5);
  EXPECT_NEAR(MidtoneGamma(100), 0.70330, 1e-5);
  EXPECT_DOUBLE_EQ(MidtoneGamma(140), 1.046875);
  for (int neutral : {127, 128}) {
    MidtoneStagePlan p = DeriveMidtoneStage({neutral});
    EXPECT_FALSE(p.run);
    EXPECT_TRUE(p.log.empty());
  }
  MidtoneStagePlan p = DeriveMidtoneStage({140});
  EXPECT_TRUE(p.run);
  EXPECT_EQ(p.log.text, "MI:Gamma=1.04688");
  EXPECT_EQ(DeriveMidtoneStage({100}).log.text, "MI:Gamma=0.703297");
}

TEST(SaturationStage, PassesTheLevelAndLogsIt) {
  SaturationStagePlan p = DeriveSaturationStage({200});
  EXPECT_EQ(p.level, 200);
  EXPECT_EQ(p.log.text, "SA: NT=200");
}

BlackFrameStageInput Frame(double shutter, bool hasExif, int width = 60) {
  return {true, 60, 40, width, 40, shutter, hasExif};
}

TEST(BlackFrameStage, TimeAndSizeRules) {
  BlackFrameStagePlan none = DeriveBlackFrameStage({});
  EXPECT_EQ(none.log.text, "BF: No BF Loaded");
  EXPECT_FALSE(none.showStageText);
  EXPECT_FALSE(none.subtract);

  EXPECT_TRUE(DeriveBlackFrameStage(Frame(1.5, true)).subtract);
  // Exactly one second is not longer than one second.
  BlackFrameStagePlan oneSecond = DeriveBlackFrameStage(Frame(1.0, true));
  EXPECT_FALSE(oneSecond.subtract);
  EXPECT_TRUE(oneSecond.showStageText);
  EXPECT_EQ(oneSecond.log.text, "BF: Skipping");
  // Without EXIF, or without a time, the photograph counts as a 2 s exposure.
  EXPECT_TRUE(DeriveBlackFrameStage(Frame(0.01, false)).subtract);
  EXPECT_TRUE(DeriveBlackFrameStage(Frame(0.0, true)).subtract);
  EXPECT_TRUE(DeriveBlackFrameStage(Frame(2.0, true)).log.empty());
  // A frame of another size is not scaled.
  EXPECT_EQ(DeriveBlackFrameStage(Frame(5.0, true, 61)).log.text, "BF: Skipping");
}

HotPixelStagePlan Hot(bool advanced, int nt, double t, bool hasExif, int level = 1,
                        bool excluded = false, int excludeType = 1) {
  return DeriveHotPixelStage({advanced, nt, level, t, hasExif, excluded, excludeType});
}

TEST(HotPixelStage, TimeRulesAndWindowSizes) {
  // One second or longer, equality included.
  EXPECT_TRUE(Hot(true, 100, 1.0, true).run);
  EXPECT_FALSE(Hot(true, 100, 0.5, true).run);
  // No EXIF (or no time) with a threshold counts as one second.
  EXPECT_TRUE(Hot(true, 100, 0.01, false).run);
  EXPECT_TRUE(Hot(false, 100, 0.0, true).run);
  EXPECT_FALSE(Hot(false, 0, 0.0, false).run);
  EXPECT_EQ(Hot(false, 200, 4.0, true, 4).log.text, "HP:NT=200,WI=3");
  EXPECT_EQ(Hot(true, 200, 4.0, true, 4).log.text, "HP:NT=200,WI=6");
  EXPECT_EQ(Hot(true, 200, 4.0, true, 1).wi, 3);
  EXPECT_TRUE(Hot(true, 100, 0.5, true).log.empty());
}

TEST(HotPixelStage, ListedCameras) {
  // Exclude type 0: threshold 0, the stage does nothing and the curve is not read.
  HotPixelStagePlan off = Hot(true, 200, 30.0, true, 2, true, 0);
  EXPECT_FALSE(off.run);
  EXPECT_EQ(off.nt, 0);
  // Exclude type 1: the no-EXIF point, and the time counts as one second.
  EXPECT_TRUE(Hot(true, 90, 0.01, true, 2, true, 1).run);
  // The model list does not apply in Basic mode.
  EXPECT_TRUE(Hot(false, 90, 2.0, true, 1, true, 0).run);
}

TEST(DenoiseStage, PortraitAndNoiseRemovalLines) {
  DenoiseStagePlan portrait = DeriveDenoiseStage({true, 64, 2, 50, true});
  EXPECT_EQ(portrait.action, DenoiseStagePlan::kPortrait);
  EXPECT_EQ(portrait.radius, 1.0);
  EXPECT_EQ(portrait.pinkTones, 1);
  EXPECT_EQ(portrait.log.text, "DECS:Alpha=0.25098, Radius=1");
  EXPECT_EQ(DeriveDenoiseStage({true, 64, 2, 40, false}).log.text,
            "DECS:Alpha=0.25098, Radius=0.8");
  EXPECT_EQ(DeriveDenoiseStage({true, 64, 2, 0, true}).action, DenoiseStagePlan::kNone);

  DenoiseStagePlan noise = DeriveDenoiseStage({false, 128, 4, 50, true});
  EXPECT_EQ(noise.action, DenoiseStagePlan::kNoiseRemoval);
  EXPECT_EQ(noise.passes, 3);
  EXPECT_EQ(noise.log.text, "DE:Alpha=0.501961, Level=3");
  EXPECT_EQ(DeriveDenoiseStage({false, 0, 2, 50, true}).action, DenoiseStagePlan::kNone);
}

TEST(SharpenStage, PercentMethodsAndLines) {
  SharpenStagePlan basic = DeriveSharpenStage({false, 255, 0, 1});
  EXPECT_EQ(basic.percent, 100);
  EXPECT_EQ(basic.method, SharpenStagePlan::kNeighbour);
  EXPECT_EQ(basic.neighbourStrength, 50);
  EXPECT_EQ(basic.log.text, "SH: NT=100");
  EXPECT_EQ(DeriveSharpenStage({false, 100, 0, 0}).neighbourStrength, 19);  // 39 / 2
  EXPECT_EQ(DeriveSharpenStage({false, 2, 0, 0}).method, SharpenStagePlan::kNone);

  SharpenStagePlan fast = DeriveSharpenStage({true, 128, 255, 0});
  EXPECT_EQ(fast.method, SharpenStagePlan::kNeighbour);
  EXPECT_EQ(fast.log.text, "SH: NT=50");

  SharpenStagePlan unsharp = DeriveSharpenStage({true, 128, 255, 1});
  EXPECT_EQ(unsharp.method, SharpenStagePlan::kUnsharp);
  EXPECT_DOUBLE_EQ(unsharp.amount, 0.5);
  EXPECT_DOUBLE_EQ(unsharp.sigma, 5.6);
  EXPECT_EQ(unsharp.log.text, "SH: Thresh=0, Amount=0.5, Sigma=5.6");
  EXPECT_EQ(DeriveSharpenStage({true, 255, 0, 1}).log.text, "SH: Thresh=0, Amount=1, Sigma=0.6");
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The plans read the settings and the camera summary alone: no pixels, no run.
Settings PlanSettings(bool advanced) {
  Settings s;
  s.ApplyKeyDefaults();
  s.Mode.Advanced = advanced ? 1 : 0;
  return s;
}

TEST(StagePlans, SwitchedOffStagesPlanNothing) {
  Settings s = PlanSettings(false);
  CameraSummary camera;
  s.ColorCast.SimEnabled = 0;
  s.Midtones.SimEnabled = 0;
  s.Saturation.SimEnabled = 0;
  s.Sharpen.SimEnabled = 0;
  s.HotPixels.SimEnabled = 0;
  s.Denoise.SimEnabled = 0;
  EXPECT_FALSE(PlanCastStage(s, camera).run);
  EXPECT_FALSE(PlanMidtoneStage(s, camera).run);
  EXPECT_FALSE(PlanSaturationStage(s, camera).run);
  EXPECT_FALSE(PlanSharpenStage(s, camera).enabled);
  EXPECT_FALSE(PlanHotPixelStage(s, camera).enabled);
  EXPECT_FALSE(PlanDenoiseStage(s, camera).enabled);
}

TEST(StagePlans, AdvancedHotPixelsFollowTheShutterAndTheModelList) {
  Settings s = PlanSettings(true);
  s.HotPixels.Enabled = 1;
  CameraSummary camera;
  camera.HasExif = true;
  camera.DisplayModel = "Camera X100";
  camera.EffectiveShutter = 1.0 / 250;
  EXPECT_FALSE(PlanHotPixelStage(s, camera).run);  // short exposure
  camera.EffectiveShutter = 8;
  HotPixelStagePlan longExposure = PlanHotPixelStage(s, camera);
  EXPECT_TRUE(longExposure.enabled);
  EXPECT_FALSE(longExposure.listed);
  EXPECT_GE(longExposure.wi, 3);
  // A listed camera with the exclusion that skips the stage.
  s.HotPixels.ExList = "X100";
  s.HotPixels.Exclude = 1;
  s.HotPixels.ExcludeType = 0;
  HotPixelStagePlan listed = PlanHotPixelStage(s, camera);
  EXPECT_TRUE(listed.listed);
  EXPECT_FALSE(listed.run);
}

TEST(StagePlans, BasicValuesGiveTheSameNumbersAsTheDeriveSteps) {
  Settings s = PlanSettings(false);
  CameraSummary camera;
  s.Sharpen.SimEnabled = 1;
  SharpenStagePlan sharpen = PlanSharpenStage(s, camera);
  SharpenStageInput in;
  in.value = BasicLookup(s.Sharpen.Basic);
  EXPECT_EQ(sharpen.log.text, DeriveSharpenStage(in).log.text);
  s.Saturation.SimEnabled = 1;
  EXPECT_EQ(PlanSaturationStage(s, camera).level, BasicLookup(s.Saturation.Basic));
}

}  // namespace
}  // namespace orv
