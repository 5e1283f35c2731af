#include "engine/Engine.h"

#include <sys/stat.h>

#include "engine/BatchRunner.h"
#include "engine/Pipeline.h"
#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"
#include "platform/NumberText.h"

namespace orv {

CEngine::CEngine(EngineHost& host, std::string appFolder)
    : host_(host),
      appFolder_(std::move(appFolder)),
      queue_(settings_, host_),
      log_(appFolder_ + "/help/log.html") {}

int CEngine::ShowImageInfo(const std::string& path) {
  host_.SetWaitCursor(true);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) fileSize_ = int64_t(st.st_size);
  CImageFile file;
  unsigned code = file.Load(path.c_str());
  if (code != 0) {
    loadError_ = code;
    host_.SetWaitCursor(false);
    return 0;
  }
  loadError_ = 0;
  CameraSource source;
  source.exifBlock = file.exifBlock();
  source.jpegComment = file.firstComment();
  source.width = file.width();
  source.height = file.height();
  camera_ = ExtractCameraValues(source);
  panel_ = MakeCameraPanel(camera_, file.width(), file.height());
  picture_ = file.TakeImage();
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
  failedStage_ = r.failedStage;
  if (r.cancelled) cancelRequested_ = true;
}

SaveOutcome CEngine::SaveOutput(const std::string& sourcePath, CProgressDialog* progress,
                                SaveDetails* details) {
  SaveContext ctx{settings_, camera_, picture_};
  ctx.sourceFileSize = fileSize_;
  ctx.colorMatched = colorMatched_;
  ctx.host = &host_;
  ctx.log = &log_;
  ctx.progress = progress;
  return orv::SaveOutput(ctx, sourcePath, nullptr, details);
}

void CEngine::NotifyItem(ItemResult& result, std::chrono::steady_clock::time_point started) {
  if (!observer_) return;
  result.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
  observer_->ItemFinished(result);
}

bool CEngine::AskSizeLimit() {
  host_.CommitPages(PageCommit::SizeAndQuality);
  if (settings_.Quality.Type != 1) return true;
  std::string question =
      "The settings in Size & Quality Tab indicate that you want ORV to determine\nthe maximum "
      "quality providing the result file size is smaller or equal " +
      FormatG(settings_.Quality.MaxKB) +
      "kB\nThis may result in image with far lower quality than the original.\n\nAre you sure "
      "you would like to continue with this setting?";
  if (host_.AskYesNo(question)) return true;
  host_.SelectTab(7);
  return false;
}

bool CEngine::RunItem(const std::string& path, CProgressDialog& progress, int queuePosAfterLoad,
                      RunReport& report, ItemResult& result) {
  ++report.processed;
  result.source = path;
  bool loaded = ShowImageInfo(path) == 1;
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
    ++report.loadFailures;
    result.status = ItemResult::Status::LoadFailed;
    result.error = LibraryErrorText(loadError_);
    host_.ReportProblem("cannot load " + path + ": " + LibraryErrorText(loadError_));
    log_.LogAppend(logtext::ProblemLine("Can't load: " + HtmlEscape(path) + " " +
                                        HtmlEscape(LibraryErrorText(loadError_))));
  }
  progress.ShowPicture(picture_.pixels(), picture_.width(), picture_.height());
  if (cancelRequested_) {
    result.status = ItemResult::Status::Cancelled;
    result.error = "cancelled";
    return false;
  }
  if (!loaded) return false;
  if (!failedStage_.empty()) {
    // A picture that lacks one of its corrections is not what the settings ask for: the photo
    // counts as failed and nothing is saved; the log names the stage.
    ++report.saveFailures;
    result.status = ItemResult::Status::NotCorrected;
    result.error = failedStage_ + " not applied";
    host_.ReportProblem("could not correct " + path + ": " + failedStage_ + " not applied");
    return false;
  }
  progress.SetStageText("Saving...");
  SaveDetails details;
  if (SaveOutput(path, &progress, &details) == SaveOutcome::Saved) {
    ++report.saved;
    result.status = ItemResult::Status::Saved;
    result.output = details.outPath;
    result.quality = details.quality;
    result.bytes = details.bytes;
    return true;
  }
  ++report.saveFailures;
  result.status = ItemResult::Status::SaveFailed;
  result.error = details.error;
  host_.ReportProblem("could not save the output of " + path + " (see the log)");
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
    host_.ShowMessage("No files to porcess");
    report.end = RunReport::End::EmptyQueue;
    return report;
  }
  std::unique_ptr<CProgressDialog> progress = host_.CreateProgressDialog();
  progress->Create();
  progress->SetItemRange(0, 100);
  progress->SetQueueTotal(n);
  log_.LogAppend(logtext::kHeader, true);
  auto endCancelled = [&] {
    log_.LogAppend(logtext::CancelLine());
    host_.ShowMessage("Process Cancelled by user");
    report.end = RunReport::End::Cancelled;
  };
  lastWorkers_ = PlanWorkerCount(jobs_, cue);
  if (lastWorkers_ > 1) {
    BatchSetup setup{settings_, blackFrame_.empty() ? nullptr : &blackFrame_, host_, log_,
                     *progress, observer_, lastWorkers_};
    if (RunBatchOnWorkers(setup, cue, report)) {
      cancelRequested_ = true;
      endCancelled();
    }
  } else {
    int total = 0, taken = 0;
    for (const CueItem& item : cue) total += item.checked ? 1 : 0;
    for (int i = 0; i < n; ++i) {
      std::string path = cue[size_t(i)].path;
      if (!cue[size_t(i)].checked) continue;
      auto started = std::chrono::steady_clock::now();
      progress->SetBatchProgress(taken, total, path.substr(path.rfind('/') + 1));
      log_.LogAppend(ItemTimeLine());
      progress->SetQueuePos(i);
      progress->SetItemPos(0);
      progress->SetStageText("Loading...");
      ItemResult result;
      result.queueIndex = i;
      bool saved = RunItem(path, *progress, i + 1, report, result);
      NotifyItem(result, started);
      ++taken;
      if (cancelRequested_) {
        endCancelled();
        break;
      }
      if (saved) cue[size_t(i)].checked = false;
      progress->SetItemPos(100);
    }
  }
  log_.LogAppend(logtext::FullRunFooter());
  host_.ShowHelpPage(helpFolder() + "/log2.html");
  progress->Destroy();
  host_.SelectTab(0);
  return report;
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
  log_.LogAppend(ItemTimeLine());
  std::unique_ptr<CProgressDialog> progress = host_.CreateProgressDialog();
  progress->Create();
  progress->SetItemRange(0, 100);
  progress->SetQueueTotal(1);
  progress->SetQueuePos(0);
  progress->SetStageText("Loading...");
  ItemResult result;
  result.queueIndex = selectedIndex;
  auto started = std::chrono::steady_clock::now();
  RunItem(path, *progress, 1, report, result);
  NotifyItem(result, started);
  if (cancelRequested_) {
    log_.LogAppend(logtext::CancelLine());
    host_.ShowMessage("Process Cancelled by user");
    report.end = RunReport::End::Cancelled;
  }
  progress->SetItemPos(100);
  log_.LogAppend(logtext::SingleImageFooter());
  host_.ShowHelpPage(helpFolder() + "/log.html");
  progress->Destroy();
  return report;
}

}  // namespace orv
