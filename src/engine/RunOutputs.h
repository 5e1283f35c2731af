// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The output names a run has placed, with the source of each. A run never replaces an output it
// wrote itself: a later photo with the same name takes the next free number instead, and
// --skip-existing does not leave a photo out for an output of the same run. The run's thread
// records; workers may ask at the same time.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace orv {

class RunOutputs {
 public:
  // Records that `source` is being placed under the unnumbered name `output`; the first source
  // of a name stays.
  void Record(const std::string& output, const std::string& source);
  // Takes back a record of `source` that did not end in a placed file.
  void Forget(const std::string& output, const std::string& source);
  // The source this run placed under `output`, or empty.
  std::string SourceOf(const std::string& output) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> sources_;
};

}  // namespace orv
