#include "engine/Engine.h"

#include <algorithm>
#include <chrono>

#include "engine/OutputCompanions.h"
#include "engine/OutputName.h"
#include "engine/BatchRunner.h"
#include "engine/ItemOutcome.h"
#include "engine/PhotoLoad.h"
#include "engine/Pipeline.h"
#include "engine/Tabs.h"
#include "exif/ExifOrientation.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/LibraryError.h"
#include "platform/FileTests.h"
#include "platform/LargeBuffer.h"
#include "platform/NumberText.h"
#include "settings/SettingRules.h"

namespace orv {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CEngine::CEngine(EngineHost& host, std::string appFolder)
    : host_(host),
      appFolder_(std::move(appFolder)),
      queue_(settings_, host_),
      log_(appFolder_ + "/help/log.html") {}

int CEngine::ShowImageInfo(const std::string& path, FitBox fit) {
  host_.SetWaitCursor(true);
  LoadedPhoto photo;
  unsigned code = LoadPhoto(path, photo, fit);
  if (code != 0) {
    loadError_ = code;
    host_.SetWaitCursor(false);
    return 0;
  }
  loadError_ = 0;
  fileSize_ = photo.fileSize;
  camera_ = std::move(photo.camera);
  panel_ = MakeCameraPanel(camera_, photo.picture.width(), photo.picture.height());
  metadata_ = std::move(photo.metadata);
  picture_ = std::move(photo.picture);
  host_.SetWaitCursor(false);
  return 1;
}

void CEngine::ProcessImage(Image& picture, Image* detailCrop, CProgressDialog* progress,
                           CropOrigin cropOrigin) {
  PipelineInput in{settings_, camera_, host_, blackFrame_.empty() ? nullptr : &blackFrame_, &log_};
  if (detailCrop) {
    in.cropLeft = cropOrigin.left;
    in.cropTop = cropOrigin.top;
    in.sourceWidth = picture_.width();
    in.sourceHeight = picture_.height();
  }
  colorMatched_ = false;
  PipelineResult r = orv::ProcessImage(in, picture, detailCrop, progress);
  colorMatched_ = r.colorMatched;
  failedStages_ = r.failedStages;
  if (r.cancelled) cancelRequested_ = true;
}

SaveOutcome CEngine::SaveOutput(const std::string& sourcePath, CProgressDialog* progress,
                                SaveDetails* details) {
  SaveContext ctx{settings_, camera_, picture_};
  ctx.details = details;
  ctx.sourceFileSize = fileSize_;
  ctx.colorMatched = colorMatched_;
  ctx.host = &host_;
  ctx.log = &log_;
  ctx.progress = progress;
  ctx.metadata = &metadata_;
  std::string outPath;
  SaveOutcome outcome = orv::SaveOutput(ctx, sourcePath, &outPath);
  if (outcome != SaveOutcome::Saved) return outcome;
  CompleteOutput(host_, sourcePath, outPath, keepFileTime_, settings_.Output.Replace == 1);
  return outcome;
}

bool CEngine::AskSizeLimit() {
  host_.CommitPages(PageCommit::SizeAndQuality);
  // The run takes the size and quality as the page would show them.
  ApplyQualityFallback(settings_);
  if (settings_.Quality.Type != 1) return true;
  std::string question =
      "The settings in Size & Quality Tab indicate that you want ORV to determine\nthe maximum "
      "quality providing the result file size is smaller or equal " +
      FormatG(settings_.Quality.MaxKB) +
      "kB\nThis may result in image with far lower quality than the original.\n\nAre you sure "
      "you would like to continue with this setting?";
  if (host_.AskYesNo(question)) return true;
  host_.SelectTab(tabs::kSizeQuality);
  return false;
}

void CEngine::Notify(ItemResult& result, int64_t startMs) {
  if (!observer_) return;
  result.ms = NowMs() - startMs;
  observer_->ItemFinished(result);
}

bool CEngine::RunItem(const std::string& path, CProgressDialog& progress, int queuePosAfterLoad,
                      RunReport& report, ItemResult& result, const std::string& twin) {
  ++report.processed;
  failedStages_ = 0;
  result.source = path;
  if (!twin.empty()) {
    log_.LogAppend(logtext::TwinSkippedLine(path, twin));
    CountSkipped(std::string(), report, result);
    return true;
  }
  if (skipExisting_) {
    std::string existing = ExistingOutput(settings_, path);
    if (!existing.empty()) {
      log_.LogAppend(logtext::SkippedLine(path, existing));
      CountSkipped(existing, report, result);
      return true;
    }
  }
  bool loaded = ShowImageInfo(path, RunFitBox(settings_)) == 1;
  if (loaded) {
    progress.SetQueuePos(queuePosAfterLoad);
    progress.ShowPicture(picture_.pixels(), picture_.width(), picture_.height());
    if (settings_.Output.DetailedLog != 0) {
      log_.LogAppend(logtext::SourceLine(path));
      if (camera_.HasExif)
        log_.LogAppend(logtext::CameraLine(camera_.DateTime, camera_.InfoSummaryHtml));
    }
    ProcessImage(picture_, nullptr, &progress);
  } else {
    // Never save an item from the pixels of the photograph before it.
    CountLoadFailure(host_, path, loadError_, report, result);
    log_.LogAppend(logtext::ProblemLine("Can't load: " + HtmlEscape(path) + " " +
                                        HtmlEscape(DescribeLoadError(loadError_))));
  }
  progress.ShowPicture(picture_.pixels(), picture_.width(), picture_.height());
  if (cancelRequested_) {
    result.status = ItemResult::Status::Cancelled;
    result.error.clear();
    return false;
  }
  if (!loaded) return false;
  progress.SetStageText("Saving...");
  SaveDetails details;
  if (SaveOutput(path, &progress, &details) == SaveOutcome::Saved) {
    CountSaved(host_, path, details, failedStages_, report, result);
    return true;
  }
  CountSaveFailure(host_, path, details, report, result);
  return false;
}

RunReport CEngine::RunAll() {
  RunReport report;
  if (!AskSizeLimit()) {
    report.end = RunReport::End::Declined;
    return report;
  }
  cancelRequested_ = false;
  std::vector<CueItem>& cue = queue_.Cue();
  int n = int(cue.size());
  if (n < 1) {
    host_.ShowMessage(kNoFilesMessage);
    report.end = RunReport::End::EmptyQueue;
    return report;
  }
  std::unique_ptr<CProgressDialog> progress = host_.CreateProgressDialog();
  progress->Create();
  progress->SetItemRange(0, 100);
  progress->SetQueueTotal(n);
  log_.LogAppend(logtext::kHeader, true);
  // The twin choice as the settings stand now: they may have changed since the queue was built.
  MarkRawJpegTwins(cue, settings_.Files.RawJpegTwins);
  if (settings_.Output.FileType == 0 &&
      std::any_of(cue.begin(), cue.end(), [](const CueItem& item) {
        return item.checked && item.twin.empty() && IsCameraRawPath(item.path);
      }))
    log_.LogAppend(logtext::RawSavedAsJpegLine());
  lastWorkers_ = PlanWorkerCount(jobs_, cue);
  if (lastWorkers_ > 1) {
    BatchSetup setup{settings_, blackFrame_.empty() ? nullptr : &blackFrame_, host_, log_,
                     *progress, observer_, lastWorkers_, skipExisting_, keepFileTime_};
    if (RunBatchOnWorkers(setup, cue, report)) {
      cancelRequested_ = true;
      EndCancelled(report);
    }
  } else {
    int total = 0, taken = 0;
    for (const CueItem& item : cue) total += item.checked ? 1 : 0;
    for (int i = 0; i < n; ++i) {
      std::string path = cue[size_t(i)].path;
      if (!cue[size_t(i)].checked) continue;
      progress->SetBatchProgress(taken, total, FileNameOf(path));
      log_.LogAppend(ItemTimeLine());
      progress->SetQueuePos(i);
      progress->SetItemPos(0);
      progress->SetStageText("Loading...");
      ItemResult result;
      int64_t start = NowMs();
      bool saved = RunItem(path, *progress, i + 1, report, result, cue[size_t(i)].twin);
      Notify(result, start);
      ++taken;
      if (cancelRequested_) {
        // The photos the run did not reach are reported too: one result per queued photo.
        for (int j = i + 1; j < n; ++j) {
          if (!cue[size_t(j)].checked) continue;
          ItemResult notReached;
          notReached.source = cue[size_t(j)].path;
          notReached.status = ItemResult::Status::Cancelled;
          Notify(notReached, NowMs());
        }
        EndCancelled(report);
        break;
      }
      if (saved) cue[size_t(i)].checked = false;
      progress->SetItemPos(100);
    }
  }
  log_.FinishRun(logtext::FullRunFooter(), logtext::SharedRunFooter());
  host_.ShowHelpPage(helpFolder() + "/log2.html");
  progress->Destroy();
  host_.SelectTab(tabs::kOrv);
  TrimLargeBuffers();  // the buffers kept for the batch's next photo
  return report;
}

void CEngine::EndCancelled(RunReport& report) {
  log_.LogAppend(logtext::CancelLine());
  host_.ShowMessage("Process Cancelled by user");
  report.end = RunReport::End::Cancelled;
}

RunReport CEngine::RunCurrentImage(int selectedIndex) {
  RunReport report;
  cancelRequested_ = false;
  std::vector<CueItem>& cue = queue_.Cue();
  if (selectedIndex < 0 || selectedIndex >= int(cue.size())) {
    host_.ShowMessage("There is no file selected.\nPlease select any Image in the Cue List.");
    report.end = RunReport::End::NoSelection;
    return report;
  }
  if (!AskSizeLimit()) {
    report.end = RunReport::End::Declined;
    return report;
  }
  std::string path = cue[size_t(selectedIndex)].path;
  log_.LogAppend(logtext::kHeader, true);
  if (settings_.Output.FileType == 0 && IsCameraRawPath(path))
    log_.LogAppend(logtext::RawSavedAsJpegLine());
  log_.LogAppend(ItemTimeLine());
  std::unique_ptr<CProgressDialog> progress = host_.CreateProgressDialog();
  progress->Create();
  progress->SetItemRange(0, 100);
  progress->SetQueueTotal(1);
  progress->SetQueuePos(0);
  progress->SetStageText("Loading...");
  ItemResult result;
  int64_t start = NowMs();
  RunItem(path, *progress, 1, report, result);
  Notify(result, start);
  if (cancelRequested_) EndCancelled(report);
  progress->SetItemPos(100);
  log_.FinishRun(logtext::SingleImageFooter(), logtext::SharedRunFooter());
  host_.ShowHelpPage(helpFolder() + "/log.html");
  progress->Destroy();
  TrimLargeBuffers();  // the buffers kept for a next photo
  return report;
}

}  // namespace orv
