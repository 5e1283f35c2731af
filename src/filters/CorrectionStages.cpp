#include "filters/CorrectionStages.h"

#include <algorithm>
#include <memory>

#include "engine/EngineHost.h"
#include "engine/ProgressDialog.h"
#include "filters/BlackFrame.h"
#include "filters/DenoiseStage.h"
#include "filters/GaussianBlur.h"
#include "filters/HotPixelStages.h"
#include "filters/NeighbourFilter.h"
#include "filters/NoiseRemoval.h"
#include "filters/SharpenStage.h"
#include "filters/ToneStages.h"
#include "platform/LargeBuffer.h"
#include "settings/CurveAxes.h"
#include "settings/Profile.h"
#include "settings/StageSettings.h"

namespace orv {
namespace {

void StageText(StageContext& ctx, const char* text) {
  if (ctx.progress) ctx.progress->SetStageText(text);
}

// The curve value a flash-indexed stage uses in the current mode.
int FlashStageValue(const CurveStage& stage, const CameraSummary& c) {
  return stage.advanced ? LookupAt(*stage.curve, FlashAxis(c)) : BasicLookup(*stage.curve);
}

// Runs fn on the picture (when this stage works on it) and on the crop (when there is one).
template <typename Fn>
void OnPictureAndCrop(StageContext& ctx, Fn fn) {
  if (ctx.processPicture) ctx.Check(fn(ctx.picture));
  if (ctx.crop) fn(*ctx.crop);
}

}  // namespace

bool CastStageRun(StageContext& ctx) {
  CurveStage stage = ColorCastStage(ctx.settings);
  if (!stage.enabled) return true;
  StageText(ctx, "Removing Cast");
  CastStageParams p =
      DeriveCastStage({stage.advanced, FlashStageValue(stage, ctx.camera), ctx.camera.Flash});
  OnPictureAndCrop(ctx, [&](Image& img) {
    return ctx.filters.RemoveCast(img.pixels(), img.width(), img.height(), p.gamma, p.mode);
  });
  ctx.StageLine(p.log.text);
  return true;
}

bool MidtoneStageRun(StageContext& ctx) {
  CurveStage stage = MidtonesStage(ctx.settings);
  if (!stage.enabled) return true;
  StageText(ctx, "Adjusting Gamma");
  MidtoneStageParams p = DeriveMidtoneStage({FlashStageValue(stage, ctx.camera)});
  if (!p.run) return true;
  OnPictureAndCrop(ctx, [&](Image& img) {
    return ctx.filters.AdjustGamma(img.pixels(), img.width(), img.height(), p.gamma);
  });
  ctx.StageLine(p.log.text);
  return true;
}

bool BlackFrameStageRun(StageContext& ctx) {
  if (!BlackFrameEnabled(ctx.settings)) return true;
  const Image* frame = ctx.blackFrame;
  BlackFrameStageInput in;
  in.frameLoaded = frame && !frame->empty();
  in.frameWidth = in.frameLoaded ? frame->width() : 0;
  in.frameHeight = in.frameLoaded ? frame->height() : 0;
  // A preview works on a reduced copy: the frame must match the full picture the crop comes from.
  bool fromSource = ctx.previewMode && ctx.sourceWidth > 0 && ctx.sourceHeight > 0;
  in.width = fromSource ? ctx.sourceWidth : ctx.picture.width();
  in.height = fromSource ? ctx.sourceHeight : ctx.picture.height();
  in.shutter = ctx.camera.EffectiveShutter;
  in.hasExif = ctx.camera.HasExif;
  BlackFrameStageParams p = DeriveBlackFrameStage(in);
  if (p.showStageText) StageText(ctx, "Black Frame");
  if (p.subtract) {
    Image& pic = ctx.picture;
    if (ctx.processPicture && !ctx.previewMode && ctx.CopyToSpare())
      ctx.Check(ctx.filters.SubtractBlackFrame(pic.pixels(), pic.width(), pic.height(), ctx.spare.pixels(),
                                               frame->pixels()));
    if (ctx.crop && ctx.CopyCropToSpare()) {
      // The frame is cut to the crop's place in the picture.
      Image cut;
      Image& c = *ctx.crop;
      if (cut.Allocate(c.width(), c.height()) &&
          CutFrameToCrop(frame->pixels(), frame->width(), frame->height(), ctx.cropLeft,
                         ctx.cropTop, cut.pixels(), c.width(), c.height()))
        ctx.filters.SubtractBlackFrame(c.pixels(), c.width(), c.height(), ctx.detailSpare->pixels(),
                                       cut.pixels());
    }
  }
  ctx.StageLine(p.log.text);
  return true;
}

bool HotPixelStageRun(StageContext& ctx) {
  HotPixelStage stage = HotPixelsStage(ctx.settings);
  if (!stage.enabled) return true;
  StageText(ctx, "Hot Pixels");
  HotPixelStageInput in;
  in.advanced = stage.advanced;
  in.shutter = ctx.camera.EffectiveShutter;
  in.hasExif = ctx.camera.HasExif && ctx.camera.EffectiveShutter != 0;
  if (stage.advanced) {
    HotPixelStrength h = LookupHotPixelStrength(ctx.settings, ctx.camera);
    // The page's picture marks a camera of the list while the exclusion is on.
    ctx.host.ShowListedCamera(h.listed);
    in.threshold = h.threshold;
    in.windowLevel = h.window;
    in.excluded = h.listed;
    in.excludeType = ctx.settings.HotPixels.ExcludeType;
  } else {
    in.threshold = BasicLookup(*stage.threshold);
  }
  HotPixelStageParams p = DeriveHotPixelStage(in);
  if (!p.run) return true;
  Image& pic = ctx.picture;
  if (ctx.processPicture && !ctx.previewMode && ctx.CopyToSpare())
    ctx.Check(ctx.filters.RemoveHotPixels(pic.pixels(), pic.width(), pic.height(),
                                          ctx.spare.pixels(), p.nt, p.wi));
  if (ctx.crop && ctx.CopyCropToSpare())
    ctx.filters.RemoveHotPixels(ctx.crop->pixels(), ctx.crop->width(), ctx.crop->height(),
                                ctx.detailSpare->pixels(), p.nt, p.wi);
  ctx.StageLine(p.log.text);
  return true;
}

bool DenoiserStageRun(StageContext& ctx) {
  DenoiseStage stage = DenoiserStage(ctx.settings);
  if (!stage.enabled) return true;
  StageText(ctx, "De-Noiser");
  const CameraSummary& c = ctx.camera;
  DenoiseStageInput in;
  in.portrait = stage.portrait;
  in.pinkTones = stage.pinkTones;
  if (stage.advanced) {
    in.strength = LookupAt(*stage.denoise, DenoiseAxis(c));
    in.passLevel = LookupAt(*stage.distance, DistanceAxis(c));
    if (stage.portrait) in.cleanSkin = LookupAt(*stage.cleanSkin, CleanSkinAxis(c));
  } else {
    in.strength = BasicLookup(*stage.denoise);
    in.passLevel = BasicLookup(*stage.distance);
    if (stage.portrait) in.cleanSkin = BasicLookup(*stage.cleanSkin);
  }
  DenoiseStageParams p = DeriveDenoiseStage(in);
  Image& pic = ctx.picture;
  bool onPicture = ctx.processPicture && !ctx.previewMode;
  if (p.action == DenoiseStageParams::kPortrait) {
    if (onPicture) {
      ctx.Check(
          ctx.filters.PortraitSmooth(pic.pixels(), pic.width(), pic.height(), p.radius, p.pinkTones));
      if (!ctx.Checkpoint(60, false)) return false;
    }
    if (ctx.crop)
      ctx.filters.PortraitSmooth(ctx.crop->pixels(), ctx.crop->width(), ctx.crop->height(),
                                 p.radius, p.pinkTones);
    ctx.StageLine(p.log.text);
  } else if (p.action == DenoiseStageParams::kNoiseRemoval) {
    if (onPicture && ctx.CopyToSpare()) {
      Image& s = ctx.spare;
      for (int pass = 0; pass < p.passes; ++pass) {
        bool ok = SpeckleRemove(s.pixels(), s.width(), s.height());
        if (!ctx.Checkpoint(50 + 3 * p.passes, false)) return false;
        if (!ctx.Check(ok)) break;
      }
      if (!ctx.Checkpoint(60, false)) return false;
      if (ctx.failure.empty())
        ctx.filters.Blend(pic.pixels(), pic.width(), pic.height(), s.pixels(), s.width(), s.height(),
                        p.alpha);
    }
    if (ctx.crop && ctx.CopyCropToSpare()) {
      Image& ds = *ctx.detailSpare;
      for (int pass = 0; pass < p.passes; ++pass) {
        if (!SpeckleRemove(ds.pixels(), ds.width(), ds.height())) break;
      }
      ctx.filters.Blend(ctx.crop->pixels(), ctx.crop->width(), ctx.crop->height(), ds.pixels(),
                        ds.width(), ds.height(), p.alpha);
    }
    ctx.StageLine(p.log.text);
  }
  return true;
}

bool SharpenStageRun(StageContext& ctx) {
  SharpenStage stage = SharpeningStage(ctx.settings);
  if (!stage.enabled) return true;
  StageText(ctx, "Sharpen");
  SharpenStageInput in;
  in.advanced = stage.advanced;
  in.type = stage.type;
  if (stage.advanced) {
    in.value = LookupAt(*stage.amount, SharpenAxis(ctx.camera));
    in.radiusValue = LookupAt(*stage.radius, RadiusAxis(ctx.camera));
  } else {
    in.value = BasicLookup(*stage.amount);
  }
  SharpenStageParams p = DeriveSharpenStage(in);
  if (p.method == SharpenStageParams::kNone) return true;
  auto sharpen = [&](const Image& from, Image& to) {
    if (p.method == SharpenStageParams::kNeighbour)
      return NeighbourFilter(from.pixels(), to.pixels(), to.width(), to.height(),
                             p.neighbourStrength, kNeighbourSharpen);
    return UnsharpMask(from.pixels(), to.width(), to.height(), 3, to.pixels(), p.threshold,
                       p.amount, p.sigma);
  };
  if (ctx.processPicture && !ctx.previewMode && ctx.CopyToSpare())
    ctx.Check(sharpen(ctx.spare, ctx.picture));
  if (ctx.crop && ctx.CopyCropToSpare()) sharpen(*ctx.detailSpare, *ctx.crop);
  ctx.StageLine(p.log.text);
  return true;
}

bool SaturationStageRun(StageContext& ctx) {
  CurveStage stage = SaturationStage(ctx.settings);
  if (!stage.enabled) return true;
  StageText(ctx, "Color Final Fix");
  SaturationStageParams p = DeriveSaturationStage({FlashStageValue(stage, ctx.camera)});
  OnPictureAndCrop(ctx, [&](Image& img) {
    return ctx.filters.AdjustSaturation(img.pixels(), img.width(), img.height(), p.level);
  });
  ctx.StageLine(p.log.text);
  return true;
}

}  // namespace orv
