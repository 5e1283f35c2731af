// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What one correction stage sees of a ProcessImage call: the picture and its spare buffer, the
// optional detail crop, the settings and camera summary, the filters object that carries the
// auto-balance levels, and the services of the run that calls it (checkpoints, progress texts,
// log lines), which the engine provides.
#pragma once

#include <string>
#include <utility>
#include <string_view>

#include "exif/CameraSummary.h"
#include "filters/ImageFilters.h"
#include "imageio/Image.h"
#include "settings/Settings.h"
#include "settings/StageSettings.h"

namespace orv {

// The run's side of a stage: each call reaches the progress window, the log or the host.
class StageServices {
 public:
  virtual ~StageServices() = default;
  // Moves the item bar (and refreshes the picture when asked), then tests Cancel; false when
  // the run was cancelled.
  virtual bool Checkpoint(int position, bool withPicture, const Image& picture) = 0;
  // The progress window's stage text.
  virtual void ShowStageText(std::string_view text) = 0;
  // A blue stage line: written only with the detailed log on, never in preview mode.
  virtual void StageLine(std::string_view message) = 0;
  // A red line that says what went wrong: written in every run, never in preview mode.
  virtual void ProblemLine(std::string_view message) = 0;
  // The HotPixels page's picture that marks a camera of the exclusion list.
  virtual void ShowListedCamera(bool listed) = 0;
};

// How a stage ended: done (whether or not its work succeeded, see StageContext::failure) or
// cancelled at one of its checkpoints.
enum class StageOutcome { kDone, kCancelled };

struct StageContext {
  Settings& settings;
  const CameraSummary& camera;
  Image& picture;      // P: changed in place; the resize stage replaces it
  Image& spare;        // S: a buffer of P's size for stages that need an untouched copy
  Image* crop;         // the detail crop when this call works on it (preview on tabs 4..6)
  Image* detailSpare;  // the crop's spare, allocated in preview mode
  CImageFilters& filters;
  StageServices& services;
  const Image* blackFrame;  // the loaded black frame, or null
  const char* stageName = "";  // the running stage's name in the stage table
  bool previewMode = false;
  // Whether the stage works on the picture; a preview of a detail page leaves the picture to
  // some stages and shows their effect on the crop alone.
  bool processPicture = true;
  int cropLeft = 0;  // where the crop lies in the picture (for the black frame)
  int cropTop = 0;
  int sourceWidth = 0;  // the full picture's size in preview mode (0: the picture's own)
  int sourceHeight = 0;
  // The photo's full size when it was decoded smaller (a RAW at half size; 0: the picture's own).
  int fullWidth = 0;
  int fullHeight = 0;
  bool colorMatched = false;  // set by colour matching, read by the saver
  // Why the running stage could not do its work on the picture (empty while it could). The
  // stage is skipped: it writes no stage line, and the pipeline logs the failure and counts it.
  std::string failure = {};

  // Records that the stage's work on the picture failed; returns ok.
  bool Check(bool ok, std::string_view reason = "its filter failed") {
    if (!ok && failure.empty()) failure = std::string(reason);
    return ok;
  }

  bool Checkpoint(int position, bool withPicture) {
    return services.Checkpoint(position, withPicture, picture);
  }
  // Shows the running stage's table name as the progress window's stage text.
  void ShowStageName() { services.ShowStageText(stageName); }
  void StageLine(std::string_view message) {
    if (failure.empty()) services.StageLine(message);
  }
  // Copies the picture into the spare buffer; false (and the stage failed) when memory ran out.
  bool CopyToSpare();
  // Copies the crop into its spare; false when there is no crop or memory ran out.
  bool CopyCropToSpare();

  // Runs fn(image) on the picture (when this stage works on it) and on the crop (when there is
  // one). fn answers false when its filter failed; a failure on the picture fails the stage.
  template <typename Fn>
  void InPlace(Fn fn) {
    if (processPicture) Check(fn(picture));
    if (crop) fn(*crop);
  }
};

// The curve value a flash-indexed stage uses in the current mode: the curve at FlashAxis in
// Advanced mode, the Basic value otherwise.
int FlashStageValue(const CurveStageSettings& stage, const CameraSummary& camera);

// A stage runs its filter and writes its line.
using StageFn = StageOutcome (*)(StageContext& ctx);

}  // namespace orv
