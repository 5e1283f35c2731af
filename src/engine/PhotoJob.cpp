// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoJob.h"

#include <algorithm>

#include "engine/Engine.h"
#include "engine/EngineHost.h"
#include "engine/ItemOutcome.h"
#include "engine/OutputCompanions.h"
#include "engine/OutputName.h"
#include "engine/OutputPlace.h"
#include "engine/PhotoLoad.h"
#include "engine/Pipeline.h"
#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"
#include "engine/RunOutputs.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"
#include "imageio/MemoryDest.h"
#include "platform/FileTests.h"
#include "platform/LargeBuffer.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

// The hot-pixel stage's word about the camera, kept for the host until the photo is settled.
class ListedCameraNotes final : public PipelineHost {
 public:
  void ShowListedCamera(bool listed) override { listed_.push_back(listed); }
  std::vector<bool> Take() { return std::move(listed_); }

 private:
  std::vector<bool> listed_;
};

// Encodes the processed picture into item.bytes.
void EncodeIntoMemory(const std::string& path, const Settings& settings, const LoadedPhoto& photo,
                      bool colorMatched, CProgressDialog& progress, WorkedPhoto& item) {
  const Settings held = HoldQualityRanges(settings, nullptr);
  SaveContext ctx{held, photo.camera, photo.picture};
  ctx.sourceFileSize = photo.fileSize;
  ctx.colorMatched = colorMatched;
  ctx.progress = &progress;
  ctx.metadata = &photo.metadata;
  item.type = ChooseOutputType(held, path);
  item.end = WorkedPhoto::End::Encoded;
  if (!item.type.row && item.type.sourceFormat == kFormatUnknown) return;  // placing says why
  // Room for half the picture's bytes up front (only the pages written are ever touched), so
  // that the buffer does not grow through a series of copies into fresh memory.
  try {
    const size_t had = item.bytes.capacity();
    item.bytes.reserve(std::max(had, HugePageFriendlySize(photo.picture.byteSize() / 2)));
    // Written once from the start: huge pages save a page fault every 4 KiB.
    if (item.bytes.capacity() != had) AdviseHugePages(item.bytes.data(), item.bytes.capacity());
  } catch (...) {
    // Growing as the encoder writes still works.
  }
  if (ImageDest* dest = OpenDestVector(&item.bytes)) {
    item.encoded = EncodeOutput(ctx, item.type, dest);
    CloseDest(dest);
  } else {
    item.encoded.ok = false;
    item.encoded.code = kErrNoMemory;
    item.encoded.result = item.type.row ? 0 : int64_t(kErrNoMemory);
  }
}

}  // namespace

WorkedPhoto WorkOnPhoto(const std::string& path, const std::string& twin, Settings& settings,
                        const PhotoWork& work, CProgressDialog& progress, int queuePosAfterLoad,
                        std::vector<uint8_t> outputBuffer) {
  WorkedPhoto out;
  outputBuffer.clear();
  out.bytes = std::move(outputBuffer);
  out.started = Clock::now();
  ProcessLog log;
  log.CollectInto(&out.fragment);
  log.LogAppend(ItemTimeLine());
  out.timeLineLength = out.fragment.size();
  if (!twin.empty()) {
    out.twin = twin;
    out.end = WorkedPhoto::End::Skipped;
    return out;
  }
  if (work.skipExisting) {
    out.existing = ExistingOutput(settings, path);
    // An output of this same run is another photo's that happens to share the name.
    if (!out.existing.empty() && work.written && !work.written->SourceOf(out.existing).empty())
      out.existing.clear();
    if (!out.existing.empty()) {
      out.end = WorkedPhoto::End::Skipped;
      return out;
    }
  }

  LoadedPhoto photo;
  if (unsigned code = LoadPhoto(path, photo, RunFitBox(settings)); code != 0) {
    out.end = WorkedPhoto::End::LoadFailed;
    out.loadError = code;
    log.LogAppend(logtext::ProblemLine("Can't load: " + HtmlEscape(path) + " " +
                                       HtmlEscape(DescribeLoadError(code))));
    return out;
  }
  progress.SetQueuePos(queuePosAfterLoad);
  progress.ShowPicture(photo.picture.pixels(), photo.picture.width(), photo.picture.height());
  const CameraSummary& camera = photo.camera;
  if (settings.Output.DetailedLog != 0) {
    log.LogAppend(logtext::SourceLine(path));
    if (camera.HasExif) log.LogAppend(logtext::CameraLine(camera.DateTime, camera.InfoSummaryHtml));
  }

  ListedCameraNotes notes;
  PipelineInput in{settings, camera, notes, work.blackFrame, &log};
  if (photo.fullWidth != photo.picture.width() || photo.fullHeight != photo.picture.height())
    in.fullWidth = photo.fullWidth, in.fullHeight = photo.fullHeight;
  PipelineResult r = ProcessImage(in, photo.picture, nullptr, &progress);
  progress.ShowPicture(photo.picture.pixels(), photo.picture.width(), photo.picture.height());
  out.listedCamera = notes.Take();
  if (r.cancelled) {
    out.end = WorkedPhoto::End::Cancelled;
    return out;
  }
  // A stage that could not run was skipped with its red line; the settle step does not save
  // the photo, so it is not encoded either.
  out.failedStages = r.failedStages;
  if (out.failedStages > 0) {
    out.end = WorkedPhoto::End::Encoded;
    return out;
  }
  progress.SetStageText("Saving...");
  EncodeIntoMemory(path, settings, photo, r.colorMatched, progress, out);
  return out;
}

namespace {

// Writes the encoded bytes under the decided name; true when saved.
bool PlaceEncoded(const PhotoSettling& run, const std::string& path, const WorkedPhoto& item,
                  SaveDetails& details) {
  // The picture is gone; naming and placing read only the settings.
  static const CameraSummary kNoCamera;
  static const Image kNoPicture;
  SaveContext ctx{run.settings, kNoCamera, kNoPicture};
  ctx.host = &run.host;
  ctx.log = &run.log;
  ctx.details = &details;
  ctx.sweep = run.sweep;
  ctx.sources = run.sources;
  OutputName name;
  if (!PrepareOutput(ctx, path, name)) return false;
  if (run.written && name.replace) {
    const std::string earlier = run.written->SourceOf(name.unnumbered);
    if (!earlier.empty()) {
      TakeNextFreeNumber(name, PathExists);
      run.log.LogAppend(logtext::ProblemLine(
          "Not replaced: " + HtmlEscape(name.unnumbered) + " was written in this run for " +
          HtmlEscape(earlier) + "; " + HtmlEscape(path) + " is saved under the next free number"));
    }
  }
  // Recorded before the file appears, so a worker that sees it also sees whose it is.
  if (run.written && name.path == name.unnumbered) run.written->Record(name.unnumbered, path);
  std::string placed;
  SaveOutcome outcome = PlaceOutput(
      ctx, item.type, name,
      [&](ImageDest* dest) {
        EncodedOutput replay = item.encoded;
        if (replay.ok && !WriteDest(dest, item.bytes.data(), item.bytes.size())) {
          // As the encoder's own failed write shows it: 0, or the layer's code. A file's
          // write error leaves its errno, not a code, so it must not read as success.
          replay.ok = false;
          replay.code = GetLastLibraryError();
          if (replay.code == kErrNone) replay.code = kErrFileWrite;
          replay.result = item.type.row ? 0 : int64_t(replay.code);
        }
        return replay;
      },
      &placed);
  // A failed save, or a name another process claimed first, is not this run's output.
  if (run.written && name.path == name.unnumbered &&
      (outcome != SaveOutcome::Saved || placed != name.unnumbered))
    run.written->Forget(name.unnumbered, path);
  if (outcome != SaveOutcome::Saved) return false;
  CompleteOutput(run.host, path, placed, run.keepFileTime, run.settings.Output.Replace == 1);
  return true;
}

}  // namespace

bool SettlePhoto(const PhotoSettling& run, const std::string& path, WorkedPhoto& item,
                 bool& saved) {
  ItemResult result;
  result.source = path;
  ++run.report.processed;
  // Another run may have written the output a skip looks for while this photo was worked on
  // (an output of this same run is never a reason to skip).
  if (run.skipExisting && item.end == WorkedPhoto::End::Encoded) {
    std::string existing = ExistingOutput(run.settings, path);
    if (!existing.empty() && run.written && !run.written->SourceOf(existing).empty())
      existing.clear();
    if (!existing.empty()) {
      item.end = WorkedPhoto::End::Skipped;
      item.existing = existing;
      item.fragment.resize(item.timeLineLength);
      item.listedCamera.clear();
    }
  }
  run.log.LogAppend(item.fragment);
  for (bool listed : item.listedCamera) run.host.ShowListedCamera(listed);
  bool goesOn = true;
  saved = false;
  switch (item.end) {
    case WorkedPhoto::End::Cancelled:
      result.status = ItemResult::Status::Cancelled;
      goesOn = false;
      break;
    case WorkedPhoto::End::Skipped:
      run.log.LogAppend(item.twin.empty() ? logtext::SkippedLine(path, item.existing)
                                          : logtext::TwinSkippedLine(path, item.twin));
      // A run stopped after placing the photo but before its sidecars and time: finish them.
      if (item.twin.empty() && (!run.written || run.written->SourceOf(item.existing).empty()))
        CompleteMissingCompanions(run.host, path, item.existing, run.keepFileTime);
      CountSkipped(item.existing, run.report, result);
      saved = true;
      break;
    case WorkedPhoto::End::LoadFailed:
      CountLoadFailure(run.host, path, item.loadError, run.report, result);
      break;
    case WorkedPhoto::End::Encoded: {
      if (item.failedStages > 0) {
        // A photo without a correction that could not run is never placed under its final
        // name: the name would tell --skip-existing that it is done, and a later run (with the
        // memory it lacked) would never correct it.
        run.log.LogAppend(logtext::ProblemLine(
            "Not saved: " + HtmlEscape(path) + " (a correction could not run)"));
        CountStageFailure(run.host, path, run.report, result);
        break;
      }
      SaveDetails details;
      saved = PlaceEncoded(run, path, item, details);
      if (saved)
        CountSaved(details, run.report, result);
      else
        CountSaveFailure(run.host, path, details, run.report, result);
      break;
    }
  }
  result.ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - item.started).count();
  if (run.observer) run.observer->ItemFinished(result);
  return goesOn;
}

void ReportNotReached(RunObserver* observer, const std::string& path) {
  if (!observer) return;
  ItemResult notReached;
  notReached.source = path;
  notReached.status = ItemResult::Status::Cancelled;
  observer->ItemFinished(notReached);
}

}  // namespace orv
