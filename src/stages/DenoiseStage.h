// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The derive step of the "De-Noiser" stage: portrait de-focus (PortraitSmooth) or noise removal
// (L passes of SpeckleRemove on a copy, blended back with strength alpha).
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

// In Advanced mode the curves are read at DenoiseAxis, DistanceAxis and CleanSkinAxis
// (settings/CurveAxes.h).
struct DenoiseStageInput {
  bool portrait = false;   // CleanSkin.Enabled (Advanced) / CleanSkin.SimEnabled (Basic)
  int strength = 0;        // Denoise curve value or Denoise.SimData
  int passLevel = 1;       // Distance curve level or Distance.SimData's level
  int cleanSkin = 0;       // CleanSkin curve value or CleanSkin.SimData (portrait mode)
  bool pinkTones = false;  // CleanSkin.PinkTones / CleanSkin.SimPinkTones
};
struct DenoiseStagePlan {
  enum Action { kNone, kPortrait, kNoiseRemoval };
  bool enabled = false;  // the stage's switch is on
  Action action = kNone;
  double alpha = 0.0;   // strength / 255: the blend of the speckle-free copy
  int passes = 0;       // SpeckleRemove passes, at most 3
  double radius = 0.0;  // PortraitSmooth radius, cleanSkin / 50
  int pinkTones = 0;
  // "DECS:Alpha=%g, Radius=%g" (portrait) or "DE:Alpha=%g, Level=%d" (noise removal)
  StageLog log;
};
DenoiseStagePlan DeriveDenoiseStage(const DenoiseStageInput& in);
// Reads the switches and the curves (moving their markers) and derives the plan.
DenoiseStagePlan PlanDenoiseStage(Settings& settings, const CameraSummary& camera);

StageOutcome RunDenoiseStage(StageContext& ctx);

}  // namespace orv
