// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the photos of a run through their two steps (PhotoJob.h). With one worker the run's
// thread works on each photo and settles it in turn, and the progress window watches the work
// step itself (stage texts, the picture, Cancel). With several, a pool of workers loads, corrects
// and encodes one photo each, with its own settings copy and picture, while the run's thread
// settles the photos in queue order, so that names, bytes, log and counts are those of the
// one-worker run; only that thread talks to the host, the progress window and the log file.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/BatchQueue.h"
#include "engine/RunObserver.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class Image;
class ProcessLog;
struct RunReport;

struct RunSetup {
  const Settings& settings;  // committed before the run; each worker copies it
  const Image* blackFrame = nullptr;
  EngineHost& host;
  const ProcessLog& log;
  CProgressDialog& progress;
  RunObserver* observer = nullptr;
  int workers = 1;
  bool skipExisting = false;     // leave out photos whose unnumbered output exists
  bool keepFileTime = false;     // give outputs their source's modification time
  bool clearCheckMarks = true;   // a saved photo's check mark goes (a whole run's photos)
  bool queuePositions = true;    // the progress shows queue positions; else the photo as 1 of 1
  bool skipTwins = true;         // leave out the entries whose RAW+JPEG twin is taken
  // Once set (from any thread), no further photo is started: those in work are finished and
  // settled, the rest are reported as not reached. Null: the run takes every photo.
  const std::atomic<bool>* stopTaking = nullptr;
};

// Runs the cue's items at the given indexes, in that order. Returns true when the run was
// cancelled or stopped taking photos before the last; the photos it did not reach are reported
// to the observer as cancelled.
bool RunPhotos(const RunSetup& setup, std::vector<CueItem>& cue, const std::vector<size_t>& items,
               RunReport& report);

// The number of workers for the checked items of the cue: `requested` (0: one per core),
// limited by the memory their largest photo needs (sizes read from the file headers).
int PlanWorkerCount(int requested, const std::vector<CueItem>& cue);

}  // namespace orv
