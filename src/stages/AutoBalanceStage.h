// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Pipeline stage 3, auto balance: the luminance stretch of a copy, mixed back into the picture
// with a strength from the Balance curve (Advanced) or Balance.Simple (Basic).
#pragma once

#include <string>

#include "stages/StageContext.h"

namespace orv {

struct AutoBalanceValues {
  double alpha = 0.0;  // blend strength b / 255
  std::string line;    // the stage's log line
};

// Looks up the strength (moving the curve's marker) and words the log line.
AutoBalanceValues DeriveAutoBalance(Settings& s, const CameraSummary& c);

StageOutcome RunAutoBalanceStage(StageContext& ctx);

}  // namespace orv
