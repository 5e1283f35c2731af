// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Color Final Fix" stage: a saturation level from the Saturation curve at the flash axis
// (Advanced) or Saturation.SimData (Basic).
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

struct SaturationStageInput {
  int value = 128;  // Saturation curve at FlashAxis (Advanced) or Saturation.SimData
};
struct SaturationStagePlan {
  bool run = false;  // the stage's switch is on
  int level = 128;   // for AdjustSaturation, which does nothing at 128
  StageLog log;      // "SA: NT=%d"
};
SaturationStagePlan DeriveSaturationStage(const SaturationStageInput& in);
// Reads the switch and the curve (moving its marker) and derives the plan.
SaturationStagePlan PlanSaturationStage(Settings& settings, const CameraSummary& camera);

StageOutcome RunSaturationStage(StageContext& ctx);

}  // namespace orv
