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
  bool ok = true;
  if (ctx.processPicture) {
    Image& pic = ctx.picture;
    ok = ctx.filters.PortraitSmooth(pic.pixels(), pic.width(), pic.height(), p.radius,
                                    p.pinkTones);
    if (!ctx.Checkpoint(60, false)) return StageOutcome::kCancelled;
  }
  if (ctx.crop) {
    Image& c = *ctx.crop;
    ok = ctx.filters.PortraitSmooth(c.pixels(), c.width(), c.height(), p.radius, p.pinkTones) &&
         ok;
  }
  return ok ? StageOutcome::kDone : StageOutcome::kFailed;
}

// Noise removal: passes of SpeckleRemove on a copy, blended back with strength alpha. The
// picture's passes have checkpoints; the crop's do not.
StageOutcome RemoveNoise(StageContext& ctx, const DenoiseStagePlan& p, Image& target, Image& copy,
                         bool withCheckpoints) {
  for (int pass = 0; pass < p.passes; ++pass) {
    if (!SpeckleRemove(copy.pixels(), copy.width(), copy.height())) return StageOutcome::kFailed;
    if (withCheckpoints && !ctx.Checkpoint(50 + 3 * p.passes, false))
      return StageOutcome::kCancelled;
  }
  if (withCheckpoints && !ctx.Checkpoint(60, false)) return StageOutcome::kCancelled;
  bool ok = ctx.filters.Blend(target.pixels(), target.width(), target.height(), copy.pixels(),
                              copy.width(), copy.height(), p.alpha);
  return ok ? StageOutcome::kDone : StageOutcome::kFailed;
}

StageOutcome RunNoiseRemoval(StageContext& ctx, const DenoiseStagePlan& p) {
  StageOutcome outcome = StageOutcome::kDone;
  if (ctx.processPicture) {
    outcome = ctx.CopyToSpare() ? RemoveNoise(ctx, p, ctx.picture, ctx.spare, true)
                                : StageOutcome::kFailed;
    if (outcome == StageOutcome::kCancelled) return outcome;
  }
  if (ctx.crop) {
    StageOutcome onCrop = ctx.CopyCropToSpare()
                              ? RemoveNoise(ctx, p, *ctx.crop, *ctx.detailSpare, false)
                              : StageOutcome::kFailed;
    if (onCrop != StageOutcome::kDone) outcome = onCrop;
  }
  return outcome;
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
