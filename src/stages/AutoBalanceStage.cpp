// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/AutoBalanceStage.h"

#include "settings/CurveAxes.h"
#include "platform/NumberText.h"
#include "settings/StageSettings.h"

namespace orv {

AutoBalanceValues DeriveAutoBalance(Settings& s, const CameraSummary& c) {
  CurveStageSettings stage = BalanceSettingsOf(s);
  AutoBalanceValues v;
  if (stage.advanced) {
    int b = LookupAt(*stage.curve, BalanceAxis(c));
    v.alpha = b / 255.0;
    v.line = "BL:Alpha=" + FormatG(v.alpha) + ", S.Speed=" + FormatG(BalanceShutter(c));
  } else {
    v.alpha = BasicLookup(*stage.curve) / 255.0;
    v.line = "BL:Alpha=" + FormatG(v.alpha);
  }
  return v;
}

StageOutcome RunAutoBalanceStage(StageContext& ctx) {
  if (!BalanceSettingsOf(ctx.settings).enabled) return StageOutcome::kDone;
  // The levels are found on the whole picture, so the crop is stretched alike afterwards. The
  // picture is moved and mixed in one pass, without the copy the move would otherwise need;
  // a flat picture has no levels to stretch, which is not a failure.
  Image& p = ctx.picture;
  if (ctx.processPicture)
    ctx.Check(ctx.filters.FindBalanceLevels(p.pixels(), p.width(), p.height(), 5, 250));
  if (!ctx.Checkpoint(25, false)) return StageOutcome::kCancelled;
  AutoBalanceValues v = DeriveAutoBalance(ctx.settings, ctx.camera);
  if (ctx.processPicture && ctx.failure.empty())
    ctx.Check(ctx.filters.BalanceInPlace(p.pixels(), p.width(), p.height(), v.alpha));
  ctx.StageLine(v.line);
  if (ctx.CopyCropToSpare()) {
    Image& c = *ctx.crop;
    Image& cs = *ctx.detailSpare;
    ctx.filters.ApplyLevels(cs.pixels(), cs.width(), cs.height());
    ctx.filters.Blend(c.pixels(), c.width(), c.height(), cs.pixels(), cs.width(), cs.height(),
                      v.alpha);
  }
  return StageOutcome::kDone;
}

}  // namespace orv
