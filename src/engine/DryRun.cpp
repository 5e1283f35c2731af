// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DryRun.h"

#include <unordered_set>

#include "engine/OutputName.h"
#include "platform/FileTests.h"

namespace orv {

std::vector<PlannedOutput> PlanOutputs(const Settings& s, const std::vector<CueItem>& cue,
                                       bool skipExisting) {
  std::vector<PlannedOutput> plan;
  std::unordered_set<std::string> written;
  auto exists = [&](const std::string& path) { return written.count(path) || PathExists(path); };
  // The twin choice as the settings stand now.
  std::vector<CueItem> marked = cue;
  MarkRawJpegTwins(marked, s.Files.RawJpegTwins);
  for (const CueItem& item : marked) {
    if (!item.checked) continue;
    if (!item.twin.empty()) {  // the other half of a RAW+JPEG pair is taken
      plan.push_back(PlannedOutput{item.path, std::string(), true});
      continue;
    }
    OutputName name = DecideOutputName(s, item.path, exists);
    // An output an earlier photo of this run wrote is never replaced, nor a reason to skip.
    const bool ownOutput = written.count(name.unnumbered) != 0;
    if (ownOutput) TakeNextFreeNumber(name, exists);
    PlannedOutput p{item.path, name.path, false};
    // As the run decides it: a finished file already there (an output this run plans gets the
    // next number instead).
    if (skipExisting && !ownOutput && !ExistingOutput(s, item.path).empty()) {
      p.output = name.unnumbered;
      p.skipped = true;
    } else {
      written.insert(name.path);
    }
    plan.push_back(std::move(p));
  }
  return plan;
}

}  // namespace orv
