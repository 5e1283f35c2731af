// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/SharpenStage.h"

#include <algorithm>
#include <string>

#include "filters/GaussianBlur.h"
#include "filters/NeighbourFilter.h"
#include "settings/CurveAxes.h"

namespace orv {

SharpenStagePlan DeriveSharpenStage(const SharpenStageInput& in) {
  SharpenStagePlan p;
  p.enabled = true;
  p.percent = std::min(int(in.value / 2.55), 100);
  if (in.advanced) p.sigma = in.radiusValue / 51.0 + 0.6;
  if (p.percent <= 0) return p;
  if (!in.advanced || in.type == 0) {
    p.method = SharpenStagePlan::kNeighbour;
    p.neighbourStrength = p.percent / 2;
    p.log.text = "SH: NT=" + std::to_string(p.percent);
    return p;
  }
  p.method = SharpenStagePlan::kUnsharp;
  p.amount = p.percent / 100.0;
  p.log.text = "SH: Thresh=" + std::to_string(p.threshold) + ", Amount=" + FormatG(p.amount) +
               ", Sigma=" + FormatG(p.sigma);
  return p;
}

SharpenStagePlan PlanSharpenStage(Settings& settings, const CameraSummary& camera) {
  SharpenSettings stage = SharpenSettingsOf(settings);
  if (!stage.enabled) return {};
  SharpenStageInput in;
  in.advanced = stage.advanced;
  in.type = stage.type;
  if (stage.advanced) {
    in.value = LookupAt(*stage.amount, SharpenAxis(camera));
    in.radiusValue = LookupAt(*stage.radius, RadiusAxis(camera));
  } else {
    in.value = BasicLookup(*stage.amount);
  }
  return DeriveSharpenStage(in);
}

StageOutcome RunSharpenStage(StageContext& ctx) {
  SharpenStagePlan p = PlanSharpenStage(ctx.settings, ctx.camera);
  if (!p.enabled) return StageOutcome::kDone;
  ctx.ShowStageName();
  if (p.method == SharpenStagePlan::kNone) return StageOutcome::kDone;
  if (p.method == SharpenStagePlan::kNeighbour) {
    // In place: a spare picture would cost a single photo's run a fresh 72 MB buffer.
    ctx.InPlace([&](Image& target) {
      return NeighbourFilterInPlace(target.pixels(), target.width(), target.height(),
                                    p.neighbourStrength, kNeighbourSharpen);
    });
  } else {
    // Without a picture-sized copy: a fresh 72 MB buffer costs a single photo's run more than
    // the blur itself on some machines.
    ctx.InPlace([&](Image& target) {
      return UnsharpMaskInPlace(target.pixels(), target.width(), target.height(), 3, p.threshold,
                                p.amount, p.sigma);
    });
  }
  ctx.StageLine(p.log.text);
  return StageOutcome::kDone;
}

}  // namespace orv
