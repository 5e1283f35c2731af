// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The resize stage's derive step: from the Size settings and the picture's size to the target
// size, the resampler and the log line. No pixels are touched here.
#pragma once

#include <string>

#include "settings/Settings.h"
#include "stages/StageContext.h"

namespace orv {

struct ResizeStagePlan {
  bool resize = false;  // false: the picture keeps its size
  int width = 0;        // target size when resize is true
  int height = 0;
  int filter = 0;  // ResizeImage's filter: Size.Filter
  // The stage line (blue, only with the detailed log) when resize is true; or, when warning is
  // set, a red line saying the size setting was ignored.
  std::string logText;
  bool warning = false;
};

// Size.Type 0 (or below) does not resize. Type 1 scales by Size.Percent; type 2 fits the picture
// inside Size.Width x Size.Height and never enlarges. A Size.Percent of 0 or less, an unknown
// type, or a target beyond the largest accepted picture keeps the size with a warning; a target
// side that would truncate to 0 becomes 1. A percent scales `fullWidth` x `fullHeight` when they
// are given (a picture decoded at half size), so the output is the size the full decoding gives.
ResizeStagePlan DeriveResizeStage(const SizeGroup& size, int width, int height, int fullWidth = 0,
                                  int fullHeight = 0);

// Replaces the working picture by its resampled copy. A size that cannot be honoured, or a
// resampling that fails, leaves the picture at its size with a red line: the photo is saved.
StageOutcome RunResizeStage(StageContext& ctx);

}  // namespace orv
