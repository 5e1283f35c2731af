// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/SaturationStage.h"

#include <string>

namespace orv {

SaturationStagePlan DeriveSaturationStage(const SaturationStageInput& in) {
  SaturationStagePlan p;
  p.run = true;
  p.level = in.value;
  p.log.text = "SA: NT=" + std::to_string(in.value);
  return p;
}

SaturationStagePlan PlanSaturationStage(Settings& settings, const CameraSummary& camera) {
  CurveStageSettings stage = SaturationSettingsOf(settings);
  if (!stage.enabled) return {};
  return DeriveSaturationStage({FlashStageValue(stage, camera)});
}

StageOutcome RunSaturationStage(StageContext& ctx) {
  SaturationStagePlan p = PlanSaturationStage(ctx.settings, ctx.camera);
  if (!p.run) return StageOutcome::kDone;
  ctx.ShowStageName();
  ctx.InPlace([&](Image& img) {
    return ctx.filters.AdjustSaturation(img.pixels(), img.width(), img.height(), p.level);
  });
  ctx.StageLine(p.log.text);
  return StageOutcome::kDone;
}

}  // namespace orv
