#include "engine/Pipeline.h"

#include "engine/EngineHost.h"
#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"
#include "filters/AutoBalanceStage.h"
#include "filters/CorrectionStages.h"
#include "filters/EarlyStages.h"
#include "imageio/ResizeStageRun.h"

namespace orv {
namespace {

// The order is fixed; each checkpoint follows its stage whether or not the stage ran.
const PipelineStage kStages[] = {
    {1, "Minolta colour matching", MinoltaColorStage, 20, true, true, true},
    {2, "Removing Cast", CastStageRun, 20, true, true, true},
    {3, "Auto Balance", AutoBalanceStage, 30, true, true, true},
    {4, "Filter simulation", FilterSimulationStageRun, 0, false, true, true},
    {5, "Adjusting Gamma", MidtoneStageRun, 40, true, true, true},
    {6, "Black Frame", BlackFrameStageRun, 0, false, false, true},
    {7, "Hot Pixels", HotPixelStageRun, 50, false, false, true},
    {8, "De-Noiser", DenoiserStageRun, 70, false, false, true},
    {9, "Resize", ResizeStage, 80, false, false, false},
    {10, "Sharpen", SharpenStageRun, 90, true, false, true},
    {11, "Color Final Fix", SaturationStageRun, 0, false, true, true},
    {12, "Text stamp", TextStampStage, 0, false, false, false},
};

// Tabs whose pages show the 1:1 detail view: "Details", "HotPixels", "Denoiser".
bool CropTab(int tab) {
  return tab >= 4 && tab <= 6;
}

}  // namespace

const PipelineStage* PipelineStages(int& count) {
  count = int(std::size(kStages));
  return kStages;
}

PipelineResult ProcessImage(const PipelineInput& in, Image& picture, Image* detailCrop,
                            CProgressDialog* progress) {
  PipelineResult result;
  in.host.CommitPages(PageCommit::Pipeline);
  bool previewMode = detailCrop != nullptr;

  Image spare;
  Image detailSpare;
  CImageFilters filters;
  StageContext ctx{in.settings, in.camera, picture, spare,        nullptr,
                   nullptr,     filters,   in.host, in.blackFrame};
  ctx.advanced = in.settings.IsAdvanced();
  ctx.detailedLog = in.settings.Output.DetailedLog != 0;
  ctx.previewMode = previewMode;
  ctx.progress = progress;
  ctx.log = in.log;
  ctx.cropLeft = in.cropLeft;
  ctx.cropTop = in.cropTop;
  ctx.sourceWidth = in.sourceWidth;
  ctx.sourceHeight = in.sourceHeight;
  // The spare buffers are filled by the stages that need an untouched copy, each right before
  // its filter; a copy made here would be overwritten before anything read it.

  if (!ctx.Checkpoint(10, false)) {
    result.cancelled = true;
    return result;
  }
  bool cropOn = previewMode && CropTab(in.host.CurrentTab());
  for (const PipelineStage& stage : kStages) {
    if (stage.run && (!previewMode || stage.runsInPreview)) {
      // In preview mode some stages leave the picture alone and work on the crop only.
      ctx.processPicture = !previewMode || stage.changesPictureInPreview;
      ctx.crop = cropOn ? detailCrop : nullptr;
      ctx.detailSpare = cropOn ? &detailSpare : nullptr;
      ctx.failure.clear();
      if ((ctx.processPicture || ctx.crop) && !stage.run(ctx)) {
        result.cancelled = true;
        return result;
      }
      if (!ctx.failure.empty() && !previewMode) {
        ++result.failedStages;
        if (in.log)
          in.log->LogAppend(logtext::ProblemLine(std::string(stage.name) +
                                                 ": not applied, " + ctx.failure));
      }
    }
    if (stage.checkpoint != 0 && !ctx.Checkpoint(stage.checkpoint, stage.checkpointPicture)) {
      result.cancelled = true;
      return result;
    }
  }
  result.colorMatched = ctx.colorMatched;
  return result;
}

}  // namespace orv
