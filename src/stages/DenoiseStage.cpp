// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/DenoiseStage.h"

#include <algorithm>
#include <string>

#include "filters/NoiseRemoval.h"
#include "settings/CurveAxes.h"

namespace orv {

DenoiseStagePlan DeriveDenoiseStage(const DenoiseStageInput& in) {
  DenoiseStagePlan p;
  p.enabled = true;
  p.alpha = in.strength / 255.0;
  p.passes = std::min(in.passLevel, 3);
  if (in.portrait) {
    p.radius = in.cleanSkin / 50.0;
    p.pinkTones = in.pinkTones ? 1 : 0;
    if (p.radius > 0) {
      p.action = DenoiseStagePlan::kPortrait;
      p.log.text = "DECS:Alpha=" + FormatG(p.alpha) + ", Radius=" + FormatG(p.radius);
    }
    return p;
  }
  if (p.alpha > 0) {
    p.action = DenoiseStagePlan::kNoiseRemoval;
    p.log.text = "DE:Alpha=" + FormatG(p.alpha) + ", Level=" + std::to_string(p.passes);
  }
  return p;
}

DenoiseStagePlan PlanDenoiseStage(Settings& settings, const CameraSummary& camera) {
  DenoiseSettings stage = DenoiseSettingsOf(settings);
  if (!stage.enabled) return {};
  DenoiseStageInput in;
  in.portrait = stage.portrait;
  in.pinkTones = stage.pinkTones;
  if (stage.advanced) {
    in.strength = LookupAt(*stage.denoise, DenoiseAxis(camera));
    in.passLevel = LookupAt(*stage.distance, DistanceAxis(camera));
    if (stage.portrait) in.cleanSkin = LookupAt(*stage.cleanSkin, CleanSkinAxis(camera));
  } else {
    in.strength = BasicLookup(*stage.denoise);
    in.passLevel = BasicLookup(*stage.distance);
    if (stage.portrait) in.cleanSkin = BasicLookup(*stage.cleanSkin);
  }
  return DeriveDenoiseStage(in);
}

namespace {

// Portrait de-focus in place; the picture's pass has its own checkpoint.
StageOutcome RunPortrait(StageContext& ctx, const DenoiseStagePlan& p) {
  if (ctx.processPicture) {
    Image& pic = ctx.picture;
    ctx.Check(
        ctx.filters.PortraitSmooth(pic.pixels(), pic.width(), pic.height(), p.radius, p.pinkTones));
    if (!ctx.Checkpoint(60, false)) return StageOutcome::kCancelled;
  }
  if (ctx.crop) {
    Image& c = *ctx.crop;
    ctx.filters.PortraitSmooth(c.pixels(), c.width(), c.height(), p.radius, p.pinkTones);
  }
  return StageOutcome::kDone;
}

// Noise removal: passes of SpeckleRemove on a copy, blended back with strength alpha. The
// picture's passes have checkpoints; the crop's do not. A pass that fails leaves the target as
// it was.
StageOutcome RemoveNoise(StageContext& ctx, const DenoiseStagePlan& p, Image& target, Image& copy,
                         bool onPicture) {
  bool ok = true;
  for (int pass = 0; pass < p.passes && ok; ++pass) {
    ok = SpeckleRemove(copy.pixels(), copy.width(), copy.height());
    if (onPicture && !ctx.Checkpoint(50 + 3 * p.passes, false)) return StageOutcome::kCancelled;
  }
  if (onPicture && !ctx.Checkpoint(60, false)) return StageOutcome::kCancelled;
  if (ok)
    ok = ctx.filters.Blend(target.pixels(), target.width(), target.height(), copy.pixels(),
                           copy.width(), copy.height(), p.alpha);
  if (onPicture) ctx.Check(ok);
  return StageOutcome::kDone;
}

StageOutcome RunNoiseRemoval(StageContext& ctx, const DenoiseStagePlan& p) {
  if (ctx.processPicture && ctx.CopyToSpare() &&
      RemoveNoise(ctx, p, ctx.picture, ctx.spare, true) == StageOutcome::kCancelled)
    return StageOutcome::kCancelled;
  if (ctx.crop && ctx.CopyCropToSpare()) RemoveNoise(ctx, p, *ctx.crop, *ctx.detailSpare, false);
  return StageOutcome::kDone;
}

}  // namespace

StageOutcome RunDenoiseStage(StageContext& ctx) {
  DenoiseStagePlan p = PlanDenoiseStage(ctx.settings, ctx.camera);
  if (!p.enabled) return StageOutcome::kDone;
  ctx.ShowStageName();
  if (p.action == DenoiseStagePlan::kNone) return StageOutcome::kDone;
  StageOutcome outcome =
      p.action == DenoiseStagePlan::kPortrait ? RunPortrait(ctx, p) : RunNoiseRemoval(ctx, p);
  if (outcome == StageOutcome::kCancelled) return outcome;
  ctx.StageLine(p.log.text);
  return outcome;
}

}  // namespace orv
