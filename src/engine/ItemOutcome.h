// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What became of one photo of a run, counted in the run's report, told to the host and kept
// for the per-photo result: the same for the one-at-a-time run and the worker pool.
#pragma once

#include <string>

#include "engine/OutputSaver.h"
#include "engine/RunObserver.h"

namespace orv {

class EngineHost;
struct RunReport;

// Left out by --skip-existing: `existing` is the output already there.
void CountSkipped(const std::string& existing, RunReport& report, ItemResult& result);
// The photo could not be loaded (the layer's code).
void CountLoadFailure(EngineHost& host, const std::string& path, unsigned code, RunReport& report,
                      ItemResult& result);
// The output was saved (a photo whose corrections did not all run never is).
void CountSaved(const SaveDetails& details, RunReport& report, ItemResult& result);
// A correction could not run on the picture: the photo is not saved and counts as failed.
void CountStageFailure(EngineHost& host, const std::string& path, RunReport& report,
                       ItemResult& result);
// The output could not be saved.
void CountSaveFailure(EngineHost& host, const std::string& path, const SaveDetails& details,
                      RunReport& report, ItemResult& result);

}  // namespace orv
