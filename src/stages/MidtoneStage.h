// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Adjusting Gamma" stage: a midtone gamma from the Midtones curve at the flash axis
// (Advanced) or Midtones.Simple (Basic).
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

// The midtone gamma of a curve value m (0..255): 1 + (m / 128 - 1) / 2 above 128,
// 1 / (1 + 2 ((255 - m) / 128 - 1)) below; 1 at 128.
double MidtoneGamma(int m);

struct MidtoneStageInput {
  int value = 128;  // Midtones curve at FlashAxis (Advanced) or Midtones.Simple (Basic)
};
struct MidtoneStagePlan {
  bool run = false;  // AdjustGamma on the picture (and the crop); false when the gamma is 1
  double gamma = 1.0;
  StageLog log;  // "MI:Gamma=%g", only when run
};
MidtoneStagePlan DeriveMidtoneStage(const MidtoneStageInput& in);
// Reads the switch and the curve (moving its marker) and derives the plan.
MidtoneStagePlan PlanMidtoneStage(Settings& settings, const CameraSummary& camera);

StageOutcome RunMidtoneStage(StageContext& ctx);

}  // namespace orv
