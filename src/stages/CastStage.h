// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Removing Cast" stage: a blue-cast removal whose gamma comes from the ColorCast curve at
// the flash axis (Advanced) or ColorCast.SimData (Basic).
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

// The cast gamma of a curve value x (0..255): 1.49609 at 255, 0.668407 at 0, 1 at 128.
double CurveGamma(int x);

struct CastStageInput {
  bool advanced = false;
  int value = 128;  // ColorCast curve at FlashAxis (Advanced) or ColorCast.SimData (Basic)
  int flash = -1;   // the photograph's flash state (Advanced mode only)
};
struct CastStagePlan {
  bool run = false;    // the stage's switch is on
  double gamma = 1.0;  // for RemoveCast, which does nothing at exactly 1
  int mode = 0;        // RemoveCast's mode: the flash state in Advanced mode, 0 in Basic mode
  StageLog log;        // "CC:Gamma=%g"
};
CastStagePlan DeriveCastStage(const CastStageInput& in);
// Reads the switch and the curve (moving its marker) and derives the plan.
CastStagePlan PlanCastStage(Settings& settings, const CameraSummary& camera);

StageOutcome RunCastStage(StageContext& ctx);

}  // namespace orv
