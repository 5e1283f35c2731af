// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// ProcessImage: the fixed chain of the twelve correction stages with the checkpoints between
// them (progress position, picture refresh, cancel test).
#pragma once

#include <string>

#include "stages/StageContext.h"

namespace orv {

class CProgressDialog;
class ProcessLog;

// What the pipeline tells whoever shows the photo: the hot-pixel stage's word on whether the
// camera is on the exclusion list. A batch worker keeps the word until its photo is settled.
class PipelineHost {
 public:
  virtual ~PipelineHost() = default;
  virtual void ShowListedCamera(bool /*listed*/) {}
};

// A run corrects the whole picture with every stage; a preview corrects a reduced copy without
// the resize and stamp stages, and the 1:1 detail crop when the caller passes one.
enum class PipelineMode { Batch, Preview };

struct PipelineStage {
  int number;
  const char* name;              // the progress window's stage text and the failure line's name
  StageFn run;                   // null while the stage has no filter
  int checkpoint;                // progress position after the stage; 0 = no checkpoint
  bool checkpointPicture;        // refresh the progress picture at the checkpoint
  bool changesPictureInPreview;  // in preview mode: whether the main picture is processed
  bool runsInPreview;            // the resize and stamp stages do not run for previews
};

// The stages in their order.
const PipelineStage* PipelineStages(int& count);

struct PipelineInput {
  Settings& settings;
  const CameraSummary& camera;
  PipelineHost& host;
  const Image* blackFrame = nullptr;
  const ProcessLog* log = nullptr;
  PipelineMode mode = PipelineMode::Batch;
  int cropLeft = 0;  // the detail crop's place in the picture, in preview mode
  int cropTop = 0;
  // In preview mode the picture is a reduced copy; these give the size of the full picture the
  // crop was cut from (0: the picture's own size). The black frame is matched against it.
  int sourceWidth = 0;
  int sourceHeight = 0;
  // The upright size the photo's file holds when it was decoded smaller (a camera RAW at half
  // size; 0: the picture's own): a percent resize scales this size.
  int fullWidth = 0;
  int fullHeight = 0;
};

struct PipelineResult {
  bool cancelled = false;
  bool colorMatched = false;
  // Stages that could not do their work on the picture (never counted in previews): each was
  // skipped with a red line naming it, and the chain went on.
  int failedStages = 0;
};

// Runs the pipeline over the picture and, in preview mode, the detail crop when one is given.
// The picture is changed in place; the resize stage may replace it.
PipelineResult ProcessImage(const PipelineInput& in, Image& picture, Image* detailCrop,
                            CProgressDialog* progress);

}  // namespace orv
