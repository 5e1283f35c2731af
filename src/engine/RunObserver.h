// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a run tells an observer about each photo it took up: a report writer, a front end's
// table. Results arrive in queue order, one per queued photo, once the photo is finished.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

struct ItemResult {
  enum class Status { Saved, Skipped, Failed, Cancelled };
  std::string source;
  std::string output;  // the file written, or for a skipped photo the one already there
  Status status = Status::Failed;
  std::string error;  // the log's text of the failure, as plain text
  int quality = -1;   // the JPEG quality used; -1 for other types or no output
  int64_t bytes = 0;  // the size of `output`
  int64_t ms = 0;     // time spent on the photo
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void ItemFinished(const ItemResult& result) = 0;
};

}  // namespace orv
