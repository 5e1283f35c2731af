#include "filters/AutoBalanceStage.h"

#include "settings/CurveAxes.h"
#include "settings/NumberText.h"
#include "settings/StageSettings.h"

namespace orv {

AutoBalanceValues DeriveAutoBalance(Settings& s, const CameraSummary& c) {
  CurveStage stage = BalanceStage(s);
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

bool AutoBalanceStage(StageContext& ctx) {
  if (!BalanceStage(ctx.settings).enabled) return true;
  // The levels are found on the whole picture, so the crop is stretched alike afterwards.
  bool haveCopy = ctx.processPicture && ctx.CopyToSpare();
  Image& s = ctx.spare;
  if (haveCopy) ctx.filters.AutoLevels(s.pixels(), s.width(), s.height(), 5, 250);
  if (!ctx.Checkpoint(25, false)) return false;
  AutoBalanceValues v = DeriveAutoBalance(ctx.settings, ctx.camera);
  Image& p = ctx.picture;
  if (haveCopy)
    ctx.filters.Blend(p.pixels(), p.width(), p.height(), s.pixels(), s.width(), s.height(),
                      v.alpha);
  ctx.StageLine(v.line);
  if (ctx.CopyCropToSpare()) {
    Image& c = *ctx.crop;
    Image& cs = *ctx.detailSpare;
    ctx.filters.ApplyLevels(cs.pixels(), cs.width(), cs.height());
    ctx.filters.Blend(c.pixels(), c.width(), c.height(), cs.pixels(), cs.width(), cs.height(),
                      v.alpha);
  }
  return true;
}

}  // namespace orv
