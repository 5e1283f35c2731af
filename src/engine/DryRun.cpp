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
  for (const CueItem& item : cue) {
    if (!item.checked) continue;
    OutputName name = DecideOutputName(s, item.path, exists);
    PlannedOutput p{item.path, name.path, false};
    // As the run decides it: an earlier photo's planned output, or a finished file already there.
    if (skipExisting &&
        (written.count(name.unnumbered) || !ExistingOutput(s, item.path).empty())) {
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
