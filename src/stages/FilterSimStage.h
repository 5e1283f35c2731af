// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The filter simulation stage's derive step: from the stage's switches to the filter name and
// the log line.
#pragma once

#include <string>

#include "settings/StageSettings.h"
#include "stages/StageContext.h"

namespace orv {

struct FilterSimStagePlan {
  bool run = false;
  std::string name;  // the filter at FilterNo of the ordered list; empty selects none
  bool blackWhite = false;
  // SimulateFilter's fixed arguments in this stage.
  int strength = 255;
  int keepHighlights = 1;
  std::string stageText;  // the progress window's stage text: the name
  std::string logText;    // "filter: " and the name
};

FilterSimStagePlan DeriveFilterSimStage(const FilterSimSettings& stage);

StageOutcome RunFilterSimStage(StageContext& ctx);

}  // namespace orv
