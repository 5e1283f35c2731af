// What became of one photo of a run, handed to an observer in queue order as each item is
// settled (its log fragment written, its output in place): the material of run reports.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

struct ItemResult {
  enum class Status {
    Saved,
    LoadFailed,    // the source could not be loaded
    NotCorrected,  // a correction stage could not work; nothing saved
    SaveFailed,    // the output could not be named or written
    Cancelled,     // the run was cancelled while this photo was worked on
  };
  int queueIndex = 0;
  std::string source;
  std::string output;  // the file written; empty unless Saved
  Status status = Status::Saved;
  std::string error;   // why it failed; empty when saved
  int quality = -1;    // the JPEG quality written; -1 for other types or when not saved
  int64_t bytes = 0;   // the size of the file written
  int64_t milliseconds = 0;  // time spent on the photo (loading to placing)
};

// Receives each item's result on the thread that runs the batch, in queue order.
class ItemObserver {
 public:
  virtual ~ItemObserver() = default;
  virtual void ItemFinished(const ItemResult& result) = 0;
};

}  // namespace orv
