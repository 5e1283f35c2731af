// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/HotPixelStage.h"

#include <string>

#include "settings/CurveAxes.h"

namespace orv {

HotPixelStagePlan DeriveHotPixelStage(const HotPixelStageInput& in) {
  HotPixelStagePlan p;
  p.enabled = true;
  double t = in.shutter;
  bool hasExif = in.hasExif && t != 0;
  if (in.advanced) {
    if (in.excluded && in.excludeType == 0) {
      p.nt = 0;
    } else {
      if (in.excluded && in.excludeType == 1) hasExif = false;
      p.nt = in.threshold;
    }
    p.wi = in.windowLevel + 2;
  } else {
    p.nt = in.threshold;
    p.wi = 3;
  }
  if (!hasExif && p.nt > 0) t = 1.0;
  // One second or longer, equality included.
  p.run = t >= 1 && p.nt > 0;
  if (p.run) p.log.text = "HP:NT=" + std::to_string(p.nt) + ",WI=" + std::to_string(p.wi);
  return p;
}

HotPixelStagePlan PlanHotPixelStage(Settings& settings, const CameraSummary& camera) {
  HotPixelSettings stage = HotPixelSettingsOf(settings);
  if (!stage.enabled) return {};
  HotPixelStageInput in;
  in.advanced = stage.advanced;
  in.shutter = camera.EffectiveShutter;
  in.hasExif = camera.HasExif && camera.EffectiveShutter != 0;
  if (stage.advanced) {
    HotPixelStrength h = LookupHotPixelStrength(settings, camera);
    in.threshold = h.threshold;
    in.windowLevel = h.window;
    in.excluded = h.listed;
    in.excludeType = settings.HotPixels.ExcludeType;
  } else {
    in.threshold = BasicLookup(*stage.threshold);
  }
  HotPixelStagePlan p = DeriveHotPixelStage(in);
  p.listed = in.excluded;
  return p;
}

StageOutcome RunHotPixelStage(StageContext& ctx) {
  HotPixelStagePlan p = PlanHotPixelStage(ctx.settings, ctx.camera);
  if (!p.enabled) return StageOutcome::kDone;
  ctx.ShowStageName();
  // The page's picture marks a camera of the list while the exclusion is on.
  if (ctx.settings.IsAdvanced()) ctx.services.ShowListedCamera(p.listed);
  if (!p.run) return StageOutcome::kDone;
  // The filter takes its own copy of the channels before it writes, so it works in place.
  ctx.InPlace([&](Image& target) {
    return ctx.filters.RemoveHotPixels(target.pixels(), target.width(), target.height(),
                                       target.pixels(), p.nt, p.wi);
  });
  ctx.StageLine(p.log.text);
  return StageOutcome::kDone;
}

}  // namespace orv
