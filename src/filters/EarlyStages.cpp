#include "filters/EarlyStages.h"

#include "engine/ProgressDialog.h"
#include "filters/FilterSimStage.h"
#include "filters/FilterSimulator.h"
#include "filters/MinoltaMatcher.h"
#include "filters/MinoltaStage.h"
#include "filters/StampStage.h"
#include "settings/StageSettings.h"

namespace orv {
namespace {

void SetStageText(StageContext& ctx, const std::string& text) {
  if (ctx.progress) ctx.progress->SetStageText(text);
}

}  // namespace

bool MinoltaColorStage(StageContext& ctx) {
  const CameraSummary& c = ctx.camera;
  MinoltaPlan plan =
      DeriveMinoltaStage(ctx.settings.sRGB, c.DisplayModel, c.ColorSpace, c.JpegComment);
  if (plan.colorMatched) ctx.colorMatched = true;
  if (plan.match) {
    SetStageText(ctx, plan.stageText);
    Image& p = ctx.picture;
    if (ctx.processPicture) MatchMinoltaColors(p.pixels(), p.width(), p.height());
    if (ctx.crop) MatchMinoltaColors(ctx.crop->pixels(), ctx.crop->width(), ctx.crop->height());
  }
  if (!plan.logText.empty()) ctx.StageLine(plan.logText);
  return true;
}

bool FilterSimulationStageRun(StageContext& ctx) {
  FilterSimPlan plan = DeriveFilterSimStage(FilterSimulationStage(ctx.settings));
  if (!plan.run) return true;
  SetStageText(ctx, plan.stageText);
  Image& p = ctx.picture;
  if (ctx.processPicture)
    SimulateFilter(p.pixels(), p.width(), p.height(), plan.name, plan.strength, plan.keepHighlights,
                   plan.blackWhite);
  if (ctx.crop)
    SimulateFilter(ctx.crop->pixels(), ctx.crop->width(), ctx.crop->height(), plan.name,
                   plan.strength, plan.keepHighlights, plan.blackWhite);
  ctx.StageLine(plan.logText);
  return true;
}

StampValues StampValuesFrom(const CameraSummary& c) {
  StampValues v;
  v.DateTime = c.DateTime;
  v.ShutterText = c.ShutterText;
  v.FNumberText = c.FNumberText;
  v.IsoText = c.IsoText;
  v.DisplayModel = c.DisplayModel;
  v.ExposureProgramText = c.ExposureProgramText;
  v.MeteringModeText = c.MeteringModeText;
  v.Flash = c.Flash;
  return v;
}

bool TextStampStage(StageContext& ctx) {
  StampPlan plan =
      DeriveStampStage(ctx.settings.Text, StampValuesFrom(ctx.camera), ctx.previewMode);
  if (!plan.run || !ctx.processPicture) return true;
  Image& p = ctx.picture;
  RenderStamp(p.pixels(), p.width(), p.height(), plan.text, plan.style);
  return true;
}

}  // namespace orv
