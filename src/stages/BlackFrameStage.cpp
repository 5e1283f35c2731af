// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/BlackFrameStage.h"

#include "filters/BlackFrame.h"

namespace orv {

BlackFrameStagePlan DeriveBlackFrameStage(const BlackFrameStageInput& in) {
  BlackFrameStagePlan p;
  if (!in.frameLoaded) {
    p.log.text = "BF: No BF Loaded";
    return p;
  }
  p.showStageText = true;
  double t = in.shutter;
  bool hasExif = in.hasExif && t != 0;
  if (!hasExif) t = 2.0;
  // Strictly longer than one second, and only a frame of the picture's own size.
  p.subtract = t > 1 && in.width == in.frameWidth && in.height == in.frameHeight;
  if (!p.subtract) p.log.text = "BF: Skipping";
  return p;
}

StageOutcome RunBlackFrameStage(StageContext& ctx) {
  if (!BlackFrameEnabled(ctx.settings)) return StageOutcome::kDone;
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
  BlackFrameStagePlan p = DeriveBlackFrameStage(in);
  if (p.showStageText) ctx.ShowStageName();
  if (p.subtract) {
    // The subtraction goes byte by byte, so it works in place.
    ctx.InPlace([&](Image& target) {
      if (&target == &ctx.picture)
        return ctx.filters.SubtractBlackFrame(target.pixels(), target.width(), target.height(),
                                              target.pixels(), frame->pixels());
      // The crop takes the frame cut to the crop's place in the picture.
      Image cut;
      return cut.Allocate(target.width(), target.height()) &&
             CutFrameToCrop(frame->pixels(), frame->width(), frame->height(), ctx.cropLeft,
                            ctx.cropTop, cut.pixels(), target.width(), target.height()) &&
             ctx.filters.SubtractBlackFrame(target.pixels(), target.width(), target.height(),
                                            target.pixels(), cut.pixels());
    });
  }
  ctx.StageLine(p.log.text);
  return StageOutcome::kDone;
}

}  // namespace orv
