// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The text stamp stage's derive step: from the Text settings and the camera values to the text
// to draw and its style. The stage writes no log line.
#pragma once

#include <string>

#include "filters/TextStamp.h"
#include "exif/CameraSummary.h"
#include "settings/Settings.h"
#include "stages/StageContext.h"

namespace orv {

struct StampStagePlan {
  bool run = false;  // Text.Enabled is 1 and this is not a preview
  std::string text;  // the expanded text
  StampStyle style;
};

StampStyle StampStyleFromSettings(const TextGroup& text);
StampStagePlan DeriveStampStage(const TextGroup& text, const StampValues& values, bool previewMode);

// The camera texts a stamp's tokens take.
StampValues StampValuesFrom(const CameraSummary& c);

// Draws the stamp on the picture; the stage writes no log line and does not run for previews.
StageOutcome RunStampStage(StageContext& ctx);

}  // namespace orv
