// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What `orv run` says about the queue before it runs: the scan's warnings (on a terminal the
// output folders it skipped are counted in one line, --verbose lists them), and the listed files
// (named on the command line or in --files-from) that were not queued, each one a failed result
// with its reason.
#pragma once

#include <string>
#include <vector>

#include "engine/BatchQueue.h"
#include "engine/RunObserver.h"

namespace orv::cli {

// The warnings text of the queue as printed: with summarise, the "used as ORV Output path"
// lines are left out and counted instead ("orv: 7 output folders skipped ...").
std::string QueueWarningsText(const std::string& warnings, bool summarise);

// The listed paths that name no folder and did not reach the queue, each with the reason of its
// warning line ("Excluded! Not Supported file.") or, for a missing one, the system's.
std::vector<ItemResult> DroppedListedFiles(const std::vector<std::string>& listed,
                                           const std::vector<CueItem>& cue,
                                           const std::string& warnings);

}  // namespace orv::cli
