// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/MidtoneStage.h"

namespace orv {

double MidtoneGamma(int m) {
  // The lower branch doubles the step (factor 2 where CurveGamma halves it), so darkening
  // reaches further than brightening.
  if (m > 128) return 1 + (m / 128.0 - 1) / 2;
  if (m < 128) return 1 / (1 + 2 * ((255 - m) / 128.0 - 1));
  return 1.0;
}

MidtoneStagePlan DeriveMidtoneStage(const MidtoneStageInput& in) {
  MidtoneStagePlan p;
  if (in.value == 128) return p;
  p.gamma = MidtoneGamma(in.value);
  if (p.gamma == 1.0) return p;  // m = 127 lands on exactly 1
  p.run = true;
  p.log.text = "MI:Gamma=" + FormatG(p.gamma);
  return p;
}

MidtoneStagePlan PlanMidtoneStage(Settings& settings, const CameraSummary& camera) {
  CurveStageSettings stage = MidtonesSettingsOf(settings);
  if (!stage.enabled) return {};
  return DeriveMidtoneStage({FlashStageValue(stage, camera)});
}

StageOutcome RunMidtoneStage(StageContext& ctx) {
  // The stage text shows whenever the switch is on, also when the gamma comes out as 1.
  if (!MidtonesSettingsOf(ctx.settings).enabled) return StageOutcome::kDone;
  ctx.ShowStageName();
  MidtoneStagePlan p = PlanMidtoneStage(ctx.settings, ctx.camera);
  if (!p.run) return StageOutcome::kDone;
  ctx.InPlace([&](Image& img) {
    return ctx.filters.AdjustGamma(img.pixels(), img.width(), img.height(), p.gamma);
  });
  ctx.StageLine(p.log.text);
  return StageOutcome::kDone;
}

}  // namespace orv
