// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A dry run: what a run would do with each checked photo of the queue, decided by the same
// naming as a save, writing nothing. Names an earlier photo of the same run would take count as
// taken, so two sources that share an output name show the numbering the run would give them.
#pragma once

#include <string>
#include <vector>

#include "engine/BatchQueue.h"
#include "settings/Settings.h"

namespace orv {

struct PlannedOutput {
  std::string source;
  std::string output;    // the file the run would write, or the one a skip leaves alone
  bool skipped = false;  // --skip-existing would leave the photo out
};

std::vector<PlannedOutput> PlanOutputs(const Settings& s, const std::vector<CueItem>& cue,
                                       bool skipExisting);

}  // namespace orv
