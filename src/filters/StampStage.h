// The text stamp stage's derive step: from the Text settings and the camera values to the text
// to draw and its style. The stage writes no log line.
#pragma once

#include <string>

#include "filters/TextStamp.h"
#include "settings/Settings.h"

namespace orv {

struct StampPlan {
  bool run = false;  // Text.Enabled is 1 and this is not a preview
  std::string text;  // the expanded text
  StampStyle style;
};

StampStyle StampStyleFromSettings(const TextGroup& text);
StampPlan DeriveStampStage(const TextGroup& text, const StampValues& values, bool previewMode);

}  // namespace orv
