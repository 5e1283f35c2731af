// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Engine.h"

#include <algorithm>

#include "engine/BatchRunner.h"
#include "engine/PhotoLoad.h"
#include "engine/WorkerCount.h"
#include "imageio/ImageFormat.h"
#include "platform/LargeBuffer.h"
#include "platform/NumberText.h"
#include "platform/ThreadBudget.h"
#include "settings/SettingRules.h"
#include "settings/SettingValues.h"

namespace orv {

CEngine::CEngine(EngineHost& host, std::string appFolder)
    : host_(host),
      appFolder_(std::move(appFolder)),
      queue_(settings_, host_),
      log_(appFolder_ + "/help/log.html") {
  SetThreads(0);
}

void CEngine::SetThreads(int threads) {
  threads_ = std::max(threads, 0);
  SetThreadLimit(PlanThreadLimit(threads_));
}

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
  // The photo's own size, also when a preview decoded a RAW at half size.
  panel_ = MakeCameraPanel(camera_, photo.fullWidth, photo.fullHeight);
  metadata_ = std::move(photo.metadata);
  picture_ = std::move(photo.picture);
  host_.SetWaitCursor(false);
  return 1;
}

void CEngine::ProcessImage(Image& picture, PipelineMode mode, Image* detailCrop,
                           CropOrigin cropOrigin, CProgressDialog* progress) {
  PipelineInput in{settings_, camera_, host_, blackFrame_.empty() ? nullptr : &blackFrame_, &log_};
  in.mode = mode;
  if (mode == PipelineMode::Preview) {
    in.cropLeft = cropOrigin.left;
    in.cropTop = cropOrigin.top;
    in.sourceWidth = picture_.width();
    in.sourceHeight = picture_.height();
  }
  colorMatched_ = false;
  PipelineResult r = orv::ProcessImage(in, picture, detailCrop, progress);
  colorMatched_ = r.colorMatched;
  if (r.cancelled) cancelRequested_ = true;
}

std::string SizeLimitQuestion(double maxKb) {
  return "The settings in Size & Quality Tab indicate that you want ORV to determine\nthe maximum "
         "quality providing the result file size is smaller or equal " +
         FormatG(maxKb) +
         "kB\nThis may result in image with far lower quality than the original.\n\nAre you sure "
         "you would like to continue with this setting?";
}

bool CEngine::AskSizeLimit() {
  // The run takes the size and quality as the page would show them.
  ApplyQualityFallback(settings_);
  if (settings_.Quality.Type != quality_type::kMaxSize) return true;
  return host_.AskYesNo(SizeLimitQuestion(settings_.Quality.MaxKB));
}

void CEngine::RunItems(const std::vector<size_t>& items, int workers, bool wholeRun,
                       RunReport& report) {
  // The cores the process may use can change between runs (a cgroup's quota, the affinity).
  SetThreadLimit(PlanThreadLimit(threads_));
  std::unique_ptr<CProgressDialog> progress = host_.CreateProgressDialog();
  progress->Create();
  progress->SetItemRange(0, 100);
  progress->SetQueueTotal(wholeRun ? int(queue_.Cue().size()) : 1);
  if (!wholeRun) progress->SetQueuePos(0);
  log_.LogAppend(logtext::kHeader, true);
  settings_.Output.TreeRoots = queue_.Folders();  // whole-tree mirroring starts at these
  // RAW photos cannot be saved as they are: "Same as Source" makes them JPEG, said once.
  const std::vector<CueItem>& cue = queue_.Cue();
  if (settings_.Output.FileType == output_file_type::kSameAsSource &&
      std::any_of(items.begin(), items.end(), [&](size_t i) {
        return (!wholeRun || cue[i].twin.empty()) && IsCameraRawPath(cue[i].path);
      }))
    log_.LogAppend(logtext::RawSavedAsJpegLine());
  RunSetup setup{settings_, blackFrame_.empty() ? nullptr : &blackFrame_, host_, log_, *progress};
  setup.observer = observer_;
  setup.workers = workers;
  setup.skipExisting = skipExisting_;
  setup.keepFileTime = keepFileTime_;
  setup.clearCheckMarks = wholeRun;
  setup.queuePositions = wholeRun;
  setup.skipTwins = wholeRun;  // the one photo chosen is taken whatever its twin
  setup.stopTaking = stopTaking_;
  if (RunPhotos(setup, queue_.Cue(), items, report)) {
    cancelRequested_ = true;
    if (stopTaking_ && stopTaking_->load()) {
      // Stopped from outside (a watch that ends): the log says the rest was not run; nobody
      // is there to read a message.
      log_.LogAppend(logtext::CancelLine());
      report.end = RunReport::End::Cancelled;
    } else {
      EndCancelled(report);
    }
  }
  if (wholeRun) {
    log_.FinishRun(logtext::FullRunFooter(), logtext::SharedRunFooter());
    host_.ShowHelpPage(helpFolder() + "/log2.html");
  } else {
    log_.FinishRun(logtext::SingleImageFooter(), logtext::SharedRunFooter());
    host_.ShowHelpPage(helpFolder() + "/log.html");
  }
  progress->Destroy();
  TrimLargeBuffers();  // the buffers kept for a next photo
}

RunReport CEngine::RunAll() {
  RunReport report;
  if (!AskSizeLimit()) {
    report.end = RunReport::End::Declined;
    return report;
  }
  cancelRequested_ = false;
  const std::vector<CueItem>& cue = queue_.Cue();
  if (cue.empty()) {
    host_.ShowMessage(kNoFilesMessage);
    report.end = RunReport::End::EmptyQueue;
    return report;
  }
  // The twin choice as the settings stand now: they may have changed since the queue was built.
  MarkRawJpegTwins(queue_.Cue(), settings_.Files.RawJpegTwins);
  std::vector<size_t> items;
  for (size_t i = 0; i < cue.size(); ++i)
    if (cue[i].checked) items.push_back(i);
  lastWorkers_ = PlanWorkerCount(jobs_, cue);
  // A thread count asked for holds the photo workers too; without one, --jobs may ask for
  // more workers than cores (the bands then run on their own workers).
  if (const int asked = RequestedThreads(threads_); asked > 0)
    lastWorkers_ = std::min(lastWorkers_, asked);
  RunItems(items, lastWorkers_, true, report);
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
  const std::vector<CueItem>& cue = queue_.Cue();
  if (selectedIndex < 0 || selectedIndex >= int(cue.size())) {
    host_.ShowMessage("There is no file selected.\nPlease select any Image in the Cue List.");
    report.end = RunReport::End::NoSelection;
    return report;
  }
  if (!AskSizeLimit()) {
    report.end = RunReport::End::Declined;
    return report;
  }
  RunItems({size_t(selectedIndex)}, 1, false, report);
  return report;
}

}  // namespace orv
