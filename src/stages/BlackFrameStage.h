// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Black Frame" stage: subtracts a loaded dark frame of the picture's own size from a
// photograph exposed longer than one second (a photograph without a known time counts as 2 s).
#pragma once

#include "stages/StageContext.h"
#include "stages/StageLog.h"

namespace orv {

struct BlackFrameStageInput {
  bool frameLoaded = false;
  int frameWidth = 0, frameHeight = 0;
  int width = 0, height = 0;  // the working picture (also in preview mode)
  double shutter = 0.0;       // effective shutter time in seconds, 0 when unknown
  bool hasExif = false;       // the photograph carried EXIF data
};
struct BlackFrameStagePlan {
  bool showStageText = false;  // a frame is loaded
  // SubtractBlackFrame on the picture in a run; in preview mode on the crop, with the frame cut
  // to the crop's rectangle (CutFrameToCrop).
  bool subtract = false;
  StageLog log;  // "BF: No BF Loaded" or "BF: Skipping", else none
};
BlackFrameStagePlan DeriveBlackFrameStage(const BlackFrameStageInput& in);

StageOutcome RunBlackFrameStage(StageContext& ctx);

}  // namespace orv
