#include "imageio/ResizeStageRun.h"

#include "engine/ProcessLog.h"
#include "imageio/ResizeImage.h"
#include "imageio/ResizeStage.h"

namespace orv {

bool ResizeStage(StageContext& ctx) {
  Image& p = ctx.picture;
  ResizePlan plan = DeriveResizeStage(ctx.settings.Size, p.width(), p.height());
  if (plan.warning) {
    // A size setting that cannot be honoured is worth knowing whatever the log's detail.
    if (ctx.log && !ctx.previewMode) ctx.log->LogAppend(logtext::ProblemLine(plan.logText));
    return true;
  }
  if (!plan.resize || (plan.width == p.width() && plan.height == p.height())) return true;
  Image resized;
  if (!resized.Allocate(plan.width, plan.height) ||
      !ResizeImage(p.pixels(), p.width(), p.height(), resized.pixels(), plan.width, plan.height,
                   plan.filter)) {
    ctx.Check(false, "the picture keeps its size");
    return true;
  }
  p = std::move(resized);
  // The old-size spare buffer goes; the next stage that needs a copy allocates it at the new size.
  ctx.spare.Clear();
  ctx.StageLine(plan.logText);
  return true;
}

}  // namespace orv
