// A batch on a pool of workers: each worker loads, corrects and encodes one photo at a time
// with its own settings copy, picture and codec state, while the thread that started the run
// settles the items in queue order. Settling decides the output name against what the folder
// holds, writes the file, appends the item's log fragment and clears its check mark, so that
// names, bytes, log and counts are those of the one-at-a-time run. Only the settling thread
// talks to the host, the progress window and the log file.
#pragma once

#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/RunObserver.h"

namespace orv {

struct BatchSetup {
  Settings& settings;  // committed before the run; each worker copies it
  const Image* blackFrame = nullptr;
  EngineHost& host;
  const ProcessLog& log;
  CProgressDialog& progress;
  RunObserver* observer = nullptr;
  int workers = 2;
  bool skipExisting = false;  // leave out photos whose unnumbered output exists
  bool keepFileTime = false;  // give outputs their source's modification time
};

// Runs the checked items of the cue. Returns true when the run was cancelled (the last item
// settled before the cancel is the one whose fragment ends the log so far).
bool RunBatchOnWorkers(const BatchSetup& setup, std::vector<CueItem>& cue, RunReport& report);

// The number of workers for the checked items of the cue: `requested` (0: one per core),
// limited by the memory their largest photo needs (sizes read from the file headers).
int PlanWorkerCount(int requested, const std::vector<CueItem>& cue);

}  // namespace orv
