// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Hot Pixels" stage: a median-based removal of hot pixels from photographs exposed one
// second or longer (a photograph without a known time counts as 1 s), with the threshold and
// window from the HotPixels and Window curves (Advanced) or HotPixels.SimData (Basic).
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

// In Advanced mode the HotPixels and Window curves are read by LookupHotPixelStrength
// (settings/CurveAxes.h), which applies the camera-model list.
struct HotPixelStageInput {
  bool advanced = false;
  int threshold = 0;    // HotPixels curve value (Advanced) or HotPixels.SimData (Basic)
  int windowLevel = 1;  // Window curve level 1..4 (Advanced mode only)
  double shutter = 0.0;
  bool hasExif = false;
  bool excluded = false;  // a listed camera with the exclusion on (Advanced mode only)
  int excludeType = 1;
};
struct HotPixelStagePlan {
  bool enabled = false;  // the stage's switch is on
  bool listed = false;   // the camera is on the exclusion list (Advanced mode only)
  bool run = false;      // RemoveHotPixels on the picture in a run, on the crop in preview mode
  int nt = 0;
  int wi = 3;    // 3..6; RemoveHotPixels takes an even size as the next odd one
  StageLog log;  // "HP:NT=%d,WI=%d" when run
};
HotPixelStagePlan DeriveHotPixelStage(const HotPixelStageInput& in);
// Reads the switch, the curves (moving their markers) and the model list, and derives the plan.
HotPixelStagePlan PlanHotPixelStage(Settings& settings, const CameraSummary& camera);

StageOutcome RunHotPixelStage(StageContext& ctx);

}  // namespace orv
