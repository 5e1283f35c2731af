// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a pipeline stage's derive step hands back besides the filter parameters: the stage line
// for the log (empty when the stage writes none).
// The pipeline writes the line only in a run with the detailed log on, never in preview mode.
#pragma once

#include "platform/NumberText.h"

#include <string>

namespace orv {

struct StageLog {
  static constexpr const char* kColour = "#0000ee";  // every stage line is blue
  std::string text;
  bool empty() const { return text.empty(); }
};

}  // namespace orv
