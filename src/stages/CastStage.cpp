// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/CastStage.h"

namespace orv {

double CurveGamma(int x) {
  if (x > 128) return 1 + (x / 128.0 - 1) / 2;
  if (x < 128) return 1 / (1 + ((255 - x) / 128.0 - 1) / 2);
  return 1.0;
}

CastStagePlan DeriveCastStage(const CastStageInput& in) {
  CastStagePlan p;
  p.run = true;
  p.gamma = CurveGamma(255 - in.value);
  p.mode = in.advanced ? in.flash : 0;
  p.log.text = "CC:Gamma=" + FormatG(p.gamma);
  return p;
}

CastStagePlan PlanCastStage(Settings& settings, const CameraSummary& camera) {
  CurveStageSettings stage = ColorCastSettingsOf(settings);
  if (!stage.enabled) return {};
  return DeriveCastStage({stage.advanced, FlashStageValue(stage, camera), camera.Flash});
}

StageOutcome RunCastStage(StageContext& ctx) {
  CastStagePlan p = PlanCastStage(ctx.settings, ctx.camera);
  if (!p.run) return StageOutcome::kDone;
  ctx.ShowStageName();
  ctx.InPlace([&](Image& img) {
    return ctx.filters.RemoveCast(img.pixels(), img.width(), img.height(), p.gamma, p.mode);
  });
  ctx.StageLine(p.log.text);
  return StageOutcome::kDone;
}

}  // namespace orv
