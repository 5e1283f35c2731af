// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One photo of a run, in two steps that every run takes alike, whatever its number of workers:
//
// - The work step (WorkOnPhoto) loads the photo, runs the corrections and encodes the output
//   into memory. It needs nothing of the front end, the run's log file or per-thread codec
//   options, reports its stages to a progress observer, and may run on any thread.
// - The settle step (SettlePhoto) runs on the run's thread in queue order: it decides whether the
//   photo is left out after all, names and places the output, copies its companions, appends
//   the photo's log fragment, counts the result, tells the host and the observer and clears the
//   photo's check mark.
#pragma once

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/OutputEncode.h"
#include "engine/RunObserver.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class ProcessLog;
class RunOutputs;
class StaleTempSweep;
class SourceFolders;
struct RunReport;

// What the work step hands to the settle step.
struct WorkedPhoto {
  enum class End { LoadFailed, Cancelled, Skipped, Encoded };
  End end = End::Cancelled;
  std::string fragment;        // the photo's log lines up to its saving
  size_t timeLineLength = 0;   // the fragment's first part: the photo's time line
  std::string existing;        // Skipped: the output already there
  std::string twin;            // Skipped: the RAW+JPEG twin taken in the photo's place
  unsigned loadError = 0;
  int failedStages = 0;        // corrections that could not run on the picture
  std::vector<bool> listedCamera;  // the hot-pixel stage's word for the host, in order
  OutputType type;
  EncodedOutput encoded;
  std::vector<uint8_t> bytes;  // the encoded output
  std::chrono::steady_clock::time_point started;
};

// What the work step reads of the run; the same for every photo, read-only while workers run.
struct PhotoWork {
  const Image* blackFrame = nullptr;
  bool skipExisting = false;  // leave out photos whose unnumbered output exists
  const RunOutputs* written = nullptr;  // outputs this run placed: never a reason to skip
};

// Loads, corrects and encodes one photo with `settings` (the caller's own copy); a photo whose
// RAW+JPEG `twin` is taken in its place is left out. `progress` observes the stages and is asked
// for Cancel; once the photo is loaded its queue position is set to queuePosAfterLoad and it is
// shown the picture. The output is encoded into outputBuffer, which is emptied first and keeps
// its memory.
WorkedPhoto WorkOnPhoto(const std::string& path, const std::string& twin, Settings& settings,
                        const PhotoWork& work, CProgressDialog& progress, int queuePosAfterLoad,
                        std::vector<uint8_t> outputBuffer);

// What the settle step uses of the run; all of it belongs to the run's thread.
struct PhotoSettling {
  const Settings& settings;  // as the run took them
  EngineHost& host;
  const ProcessLog& log;
  RunObserver* observer = nullptr;
  RunReport& report;
  StaleTempSweep* sweep = nullptr;
  bool skipExisting = false;
  bool keepFileTime = false;  // give outputs their source's modification time
  RunOutputs* written = nullptr;  // the outputs this run placed, never replaced by a later photo
  const SourceFolders* sources = nullptr;  // the folders of the run's queued photos
};

// Settles one photo. `saved` tells whether it was saved or skipped (its check mark may go);
// returns false when it ends the run (it was cancelled). The photo's bytes are left in `item`
// for the caller to reuse.
bool SettlePhoto(const PhotoSettling& run, const std::string& path, WorkedPhoto& item,
                 bool& saved);

// A queued photo the run did not reach before it was cancelled: one result per queued photo.
void ReportNotReached(RunObserver* observer, const std::string& path);

}  // namespace orv
