// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Pipeline.h"

#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"
#include "stages/AutoBalanceStage.h"
#include "stages/BlackFrameStage.h"
#include "stages/CastStage.h"
#include "stages/DenoiseStage.h"
#include "stages/FilterSimStage.h"
#include "stages/HotPixelStage.h"
#include "stages/MidtoneStage.h"
#include "stages/MinoltaStage.h"
#include "stages/ResizeStage.h"
#include "stages/SaturationStage.h"
#include "stages/SharpenStage.h"
#include "stages/StampStage.h"

namespace orv {
namespace {

// The order is fixed; each checkpoint follows its stage whether or not the stage ran.
const PipelineStage kStages[] = {
    {1, "Minolta colour matching", RunMinoltaStage, 20, true, true, true},
    {2, "Removing Cast", RunCastStage, 20, true, true, true},
    {3, "Auto Balance", RunAutoBalanceStage, 30, true, true, true},
    {4, "Filter simulation", RunFilterSimStage, 0, false, true, true},
    {5, "Adjusting Gamma", RunMidtoneStage, 40, true, true, true},
    {6, "Black Frame", RunBlackFrameStage, 0, false, false, true},
    {7, "Hot Pixels", RunHotPixelStage, 50, false, false, true},
    {8, "De-Noiser", RunDenoiseStage, 70, false, false, true},
    {9, "Resize", RunResizeStage, 80, false, false, false},
    {10, "Sharpen", RunSharpenStage, 90, true, false, true},
    {11, "Color Final Fix", RunSaturationStage, 0, false, true, true},
    {12, "Text stamp", RunStampStage, 0, false, false, false},
};

// The engine's side of the stages: the progress window, the log and the host.
class PipelineServices final : public StageServices {
 public:
  PipelineServices(const PipelineInput& in, CProgressDialog* progress, bool previewMode)
      : in_(in), progress_(progress), previewMode_(previewMode),
        detailedLog_(in.settings.Output.DetailedLog != 0) {}

  bool Checkpoint(int position, bool withPicture, const Image& picture) override {
    if (!progress_) return true;
    progress_->SetItemPos(position);
    if (withPicture) progress_->ShowPicture(picture.pixels(), picture.width(), picture.height());
    return !progress_->CancelPressed();
  }
  void ShowStageText(std::string_view text) override {
    if (progress_) progress_->SetStageText(std::string(text));
  }
  void StageLine(std::string_view message) override {
    if (!detailedLog_ || previewMode_ || !in_.log) return;
    in_.log->LogAppend(logtext::StageLine(message));
  }
  void ProblemLine(std::string_view message) override {
    if (previewMode_ || !in_.log) return;
    in_.log->LogAppend(logtext::ProblemLine(std::string(message)));
  }
  void ShowListedCamera(bool listed) override { in_.host.ShowListedCamera(listed); }

 private:
  const PipelineInput& in_;
  CProgressDialog* progress_;
  bool previewMode_;
  bool detailedLog_;
};

}  // namespace

const PipelineStage* PipelineStages(int& count) {
  count = int(std::size(kStages));
  return kStages;
}

PipelineResult ProcessImage(const PipelineInput& in, Image& picture, Image* detailCrop,
                            CProgressDialog* progress) {
  PipelineResult result;
  const bool previewMode = in.mode == PipelineMode::Preview;

  Image spare;
  Image detailSpare;
  CImageFilters filters;
  PipelineServices services(in, progress, previewMode);
  StageContext ctx{in.settings, in.camera, picture, spare,        nullptr,
                   nullptr,     filters,   services, in.blackFrame};
  ctx.previewMode = previewMode;
  ctx.cropLeft = in.cropLeft;
  ctx.cropTop = in.cropTop;
  ctx.sourceWidth = in.sourceWidth;
  ctx.sourceHeight = in.sourceHeight;
  ctx.fullWidth = in.fullWidth;
  ctx.fullHeight = in.fullHeight;
  // The spare buffers are filled by the stages that need an untouched copy, each right before
  // its filter; a copy made here would be overwritten before anything read it.

  if (!ctx.Checkpoint(10, false)) {
    result.cancelled = true;
    return result;
  }
  const bool cropOn = previewMode && detailCrop != nullptr;
  for (const PipelineStage& stage : kStages) {
    if (stage.run && (!previewMode || stage.runsInPreview)) {
      // In preview mode some stages leave the picture alone and work on the crop only.
      ctx.processPicture = !previewMode || stage.changesPictureInPreview;
      ctx.crop = cropOn ? detailCrop : nullptr;
      ctx.detailSpare = cropOn ? &detailSpare : nullptr;
      ctx.stageName = stage.name;
      ctx.failure.clear();
      if ((ctx.processPicture || ctx.crop) && stage.run(ctx) == StageOutcome::kCancelled) {
        result.cancelled = true;
        return result;
      }
      if (!ctx.failure.empty() && !previewMode) {
        ++result.failedStages;
        services.ProblemLine(std::string(stage.name) + ": not applied, " + ctx.failure);
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
