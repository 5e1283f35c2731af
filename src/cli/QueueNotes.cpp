// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QueueNotes.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace orv::cli {
namespace {

constexpr std::string_view kOutputFolderNote = " Excluded! It is used as ORV Output path";

// Calls fn(line) for each line of the warnings (CR LF or LF ends, without them).
template <class Fn>
void ForEachLine(std::string_view text, Fn fn) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    std::string_view withEnd = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    fn(line, withEnd);
    text.remove_prefix(withEnd.size());
  }
}

}  // namespace

std::string QueueWarningsText(const std::string& warnings, bool summarise) {
  if (!summarise) return warnings;
  std::string kept;
  size_t folders = 0;
  ForEachLine(warnings, [&](std::string_view line, std::string_view withEnd) {
    if (line.find(kOutputFolderNote) != std::string_view::npos)
      ++folders;
    else
      kept.append(withEnd);
  });
  if (folders > 0)
    kept += "orv: " + std::to_string(folders) + " output folder" + (folders == 1 ? "" : "s") +
            " skipped (--verbose lists them)\n";
  return kept;
}

std::vector<ItemResult> DroppedListedFiles(const std::vector<std::string>& listed,
                                           const std::vector<CueItem>& cue,
                                           const std::string& warnings) {
  std::vector<ItemResult> dropped;
  std::unordered_set<std::string_view> queued;
  for (const CueItem& item : cue) queued.insert(item.path);
  for (const std::string& path : listed) {
    if (queued.count(path)) continue;
    struct stat st {};
    std::string reason;
    if (::stat(path.c_str(), &st) != 0) {
      reason = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
      continue;  // a folder is scanned; what it holds is no listed file
    } else {
      // The queue's own words: "PATH Excluded! reason".
      std::string prefix = path + " Excluded! ";
      ForEachLine(warnings, [&](std::string_view line, std::string_view) {
        if (reason.empty() && line.substr(0, prefix.size()) == prefix)
          reason = "Excluded! " + std::string(line.substr(prefix.size()));
      });
      if (reason.empty()) reason = "not queued";
    }
    ItemResult r;
    r.source = path;
    r.status = ItemResult::Status::Failed;
    r.error = reason;
    dropped.push_back(std::move(r));
  }
  return dropped;
}

}  // namespace orv::cli
