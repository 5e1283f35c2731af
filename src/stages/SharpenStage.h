// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The derive step of the "Sharpen" stage: the 3 x 3 sharpen (Basic mode, or Advanced with
// Sharpen.Type 0) or the unsharp mask with a Gaussian radius from the F-number.
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

// In Advanced mode the curves are read at SharpenAxis and RadiusAxis (settings/CurveAxes.h).
struct SharpenStageInput {
  bool advanced = false;
  int value = 0;        // Sharpen curve value or Sharpen.SimData
  int radiusValue = 0;  // Radius curve value (Advanced mode only)
  int type = 0;         // Sharpen.Type (Advanced mode only); 0 is the 3 x 3 sharpen
};
struct SharpenStagePlan {
  enum Method { kNone, kNeighbour, kUnsharp };
  bool enabled = false;  // the stage's switch is on
  Method method = kNone;
  int percent = 0;            // trunc(value / 2.55), at most 100
  int neighbourStrength = 0;  // NeighbourFilter sharpen strength: percent / 2
  double amount = 0.0;        // UnsharpMask amount: percent / 100
  double sigma = 0.6;         // UnsharpMask sigma: radiusValue / 51 + 0.6 (Advanced mode)
  unsigned threshold = 0;
  StageLog log;  // "SH: NT=%d" or "SH: Thresh=%u, Amount=%g, Sigma=%g"
};
SharpenStagePlan DeriveSharpenStage(const SharpenStageInput& in);
// Reads the switch, the type and the curves (moving their markers) and derives the plan.
SharpenStagePlan PlanSharpenStage(Settings& settings, const CameraSummary& camera);

StageOutcome RunSharpenStage(StageContext& ctx);

}  // namespace orv
