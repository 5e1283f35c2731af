// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/FilterSimStage.h"

#include "filters/FilterSimulator.h"
#include "filters/FilterTable.h"

namespace orv {

FilterSimStagePlan DeriveFilterSimStage(const FilterSimSettings& stage) {
  FilterSimStagePlan plan;
  if (!stage.enabled) return plan;
  plan.run = true;
  plan.name = std::string(FilterListName(stage.filterNo));
  plan.blackWhite = stage.blackAndWhite;
  plan.stageText = plan.name;
  plan.logText = "filter: " + plan.name;
  return plan;
}


StageOutcome RunFilterSimStage(StageContext& ctx) {
  FilterSimStagePlan plan = DeriveFilterSimStage(FilterSimSettingsOf(ctx.settings));
  if (!plan.run) return StageOutcome::kDone;
  ctx.services.ShowStageText(plan.stageText);
  // A filter name the simulator does not know draws nothing: not a failure of the stage.
  ctx.InPlace([&](Image& img) {
    SimulateFilter(img.pixels(), img.width(), img.height(), plan.name, plan.strength,
                   plan.keepHighlights, plan.blackWhite);
    return true;
  });
  ctx.StageLine(plan.logText);
  return StageOutcome::kDone;
}

}  // namespace orv
