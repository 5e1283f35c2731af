// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The engine object both front ends drive. It owns what a run and the main window share: the
// settings, the camera summary and working picture of the current photograph, the queue with its
// check marks, the black frame, and the run flags; ShowImageInfo, ProcessImage (previews), RunAll
// and RunCurrentImage are its operations. A run works on its own copies of the photos and leaves
// the current photograph alone. Everything it shows goes through EngineHost; the front end
// commits what its pages show into settings() before it calls an operation.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "engine/BatchQueue.h"
#include "engine/EngineHost.h"
#include "engine/PhotoLoad.h"
#include "engine/Pipeline.h"
#include "engine/ProcessLog.h"
#include "engine/RunObserver.h"
#include "exif/CameraPanel.h"
#include "exif/CameraSummary.h"
#include "imageio/Image.h"
#include "imageio/PhotoMetadata.h"
#include "settings/Settings.h"

namespace orv {

// Where a preview's detail crop lies in the working picture.
struct CropOrigin {
  int left = 0;
  int top = 0;
};

// How a run ended, for the front ends.
struct RunReport {
  enum class End { Finished, Cancelled, Declined, EmptyQueue, NoSelection };
  End end = End::Finished;
  int processed = 0;  // items taken up (checked, or the selected one)
  int saved = 0;
  int skipped = 0;  // left out by skipExisting: the output was there already
  int loadFailures = 0;
  int saveFailures = 0;
  int stageFailures = 0;  // photos not saved: a correction could not run
};

// The message of a run (or a dry run) with nothing queued, exactly as the program shows it.
inline constexpr const char* kNoFilesMessage = "No files to porcess";

// The question a run asks before it searches each output's quality for a size limit of maxKb.
std::string SizeLimitQuestion(double maxKb);

class CEngine {
 public:
  CEngine(EngineHost& host, std::string appFolder);

  // Loads a photograph into the working picture and fills the camera summary. 1 when loaded;
  // 0 when it could not be (the summary and picture keep their contents; loadError then holds
  // the library's code).
  // `fit`: the box of a run that shrinks the photo (a RAW may then decode at half size).
  int ShowImageInfo(const std::string& path, FitBox fit = {});
  // Runs the pipeline over a picture: a preview passes a reduced copy of the working picture
  // and, when the front end shows it, the 1:1 detail crop cut from the working picture at
  // cropOrigin (which places the black frame under the crop); Batch mode corrects a picture as a
  // run does.
  void ProcessImage(Image& picture, PipelineMode mode, Image* detailCrop = nullptr,
                    CropOrigin cropOrigin = {}, CProgressDialog* progress = nullptr);

  RunReport RunAll();
  RunReport RunCurrentImage(int selectedIndex);

  // Workers of RunAll: 0 chooses from the cores and memory, 1 (the default) runs one photo at
  // a time.
  void SetJobs(int jobs) { jobs_ = jobs < 0 ? 0 : jobs; }
  int jobs() const { return jobs_; }
  // The workers the last RunAll used.
  int lastWorkerCount() const { return lastWorkers_; }
  // Threads that work at once, the photo workers and the bands of their photos together: 0 (the
  // default) takes as many as the cores allow or ORV_THREADS says; a number also caps the
  // workers. Sets the process's thread budget (platform/ThreadBudget.h), which runs and
  // previews share.
  void SetThreads(int threads);
  int threads() const { return threads_; }

  Settings& settings() { return settings_; }
  const Settings& settings() const { return settings_; }
  const CameraSummary& camera() const { return camera_; }
  const CameraPanel& panel() const { return panel_; }
  // The current photograph's colour profile, XMP and IPTC, carried into its output.
  const PhotoMetadata& metadata() const { return metadata_; }
  // Whether each output (and sidecar copy) gets its source's modification time.
  void SetKeepFileTime(bool on) { keepFileTime_ = on; }
  bool keepFileTime() const { return keepFileTime_; }
  Image& picture() { return picture_; }
  int64_t sourceFileSize() const { return fileSize_; }
  unsigned loadError() const { return loadError_; }
  BatchQueue& queue() { return queue_; }
  Image& blackFrame() { return blackFrame_; }
  bool colorMatched() const { return colorMatched_; }
  bool cancelRequested() const { return cancelRequested_; }
  const std::string& appFolder() const { return appFolder_; }
  std::string helpFolder() const { return appFolder_ + "/help"; }
  ProcessLog& log() { return log_; }
  EngineHost& host() { return host_; }

  // Told about each photo a run takes up; null for none. Not owned.
  void SetRunObserver(RunObserver* observer) { observer_ = observer; }
  RunObserver* runObserver() const { return observer_; }
  // Leave out a photo whose unnumbered output name already exists (a re-run after a stop).
  void SetSkipExisting(bool skip) { skipExisting_ = skip; }
  // A flag another thread may set to end RunAll gently: no further photo is started, those in
  // work are saved. Such an end logs the cancel line but shows no message. Null: none; not owned.
  void SetStopTaking(const std::atomic<bool>* flag) { stopTaking_ = flag; }

 private:
  // Runs the items through the two steps of every photo, with the progress window the run's
  // header and footer around them; a cancel ends the report with Cancelled.
  void RunItems(const std::vector<size_t>& items, int workers, bool wholeRun, RunReport& report);
  // The end of a cancelled run: the log's line, the message, the report's end.
  void EndCancelled(RunReport& report);
  bool AskSizeLimit();

  EngineHost& host_;
  std::string appFolder_;
  Settings settings_;
  CameraSummary camera_;
  CameraPanel panel_;
  PhotoMetadata metadata_;
  Image picture_;
  int64_t fileSize_ = 0;
  unsigned loadError_ = 0;
  BatchQueue queue_;
  Image blackFrame_;
  bool colorMatched_ = false;
  bool cancelRequested_ = false;
  bool keepFileTime_ = false;
  ProcessLog log_;
  RunObserver* observer_ = nullptr;
  bool skipExisting_ = false;
  const std::atomic<bool>* stopTaking_ = nullptr;
  int jobs_ = 1;
  int lastWorkers_ = 1;
  int threads_ = 0;
};

}  // namespace orv
