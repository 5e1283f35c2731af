// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchQueue.h"
#include "platform/FileTests.h"

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#include "engine/EngineHost.h"
#include "imageio/ImageFormat.h"

namespace orv {
namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsJpegPath(const std::string& path) {
  const std::string lower = LowerAscii(path);
  auto endsWith = [&lower](std::string_view end) {
    return lower.size() > end.size() && lower.compare(lower.size() - end.size(), end.size(), end) == 0;
  };
  return endsWith(".jpg") || endsWith(".jpeg");
}

// The path without its extension: what the two halves of a pair share.
std::string PairKey(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

}  // namespace

void MarkRawJpegTwins(std::vector<CueItem>& cue, int choice) {
  for (CueItem& item : cue) item.twin.clear();
  if (choice == kTwinTakeBoth) return;
  // The first RAW and the first JPEG of each name; a pair is only ever one of each.
  std::map<std::string, std::pair<size_t, size_t>> pairs;
  constexpr size_t kNone = SIZE_MAX;
  for (size_t i = 0; i < cue.size(); ++i) {
    const bool raw = IsCameraRawPath(cue[i].path);
    if (!raw && !IsJpegPath(cue[i].path)) continue;
    auto [at, added] = pairs.try_emplace(PairKey(cue[i].path), kNone, kNone);
    size_t& slot = raw ? at->second.first : at->second.second;
    if (slot == kNone) slot = i;
  }
  for (const auto& [key, pair] : pairs) {
    if (pair.first == kNone || pair.second == kNone) continue;
    const bool takeJpeg = choice == kTwinTakeJpeg;
    CueItem& skipped = cue[takeJpeg ? pair.first : pair.second];
    skipped.twin = cue[takeJpeg ? pair.second : pair.first].path;
  }
}

void BatchQueue::Warn(const std::string& line) {
  warnings_ += line;
  host_.QueueChanged();
}

void BatchQueue::ClearWarnings() {
  warnings_.clear();
  host_.QueueChanged();
}

int BatchQueue::ClassifyFile(const std::string& path) {
  if (settings_.Files.ExcludeORV == 1) {
    size_t hit = LowerAscii(path).find("_orv.", 1);
    if (hit != std::string::npos) {
      Warn(path + " Excluded! This files was already processed (*_ORV.*)!\r\n");
      return -1;
    }
  }
  return IsQueuedImagePath(path) ? 1 : 0;
}

BatchQueue::Dropped BatchQueue::SortDropped(const std::string& path) {
  // One stat a path: a file list may name a million photos, each on a network mount.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // Refused now rather than queued to fail at load time with a vaguer message.
    Warn(path + " Excluded! " + std::strerror(errno) + "\r\n");
    return Dropped::Refused;
  }
  if (S_ISDIR(st.st_mode)) return Dropped::Folder;
  const int kind = ClassifyFile(path);
  if (kind == 1 && !S_ISREG(st.st_mode)) {
    Warn(path + " Excluded! Not a regular file.\r\n");
    return Dropped::Refused;
  }
  if (kind == 0) Warn(path + " Excluded! Not Supported file.\r\n");
  return kind == 1 ? Dropped::Photo : Dropped::Refused;
}

void BatchQueue::AddPath(const std::string& path) {
  switch (SortDropped(path)) {
    case Dropped::Folder:
      folders_.push_back(WithSlash(path));
      RescanFolders();
      RebuildCueList();
      break;
    case Dropped::Photo:
      files_.push_back(path);
      UpdateCounts();
      AddToCue(path);
      break;
    case Dropped::Refused:
      break;
  }
}

void BatchQueue::AddPaths(const std::vector<std::string>& paths) {
  bool anyFolder = false;
  for (const std::string& path : paths) {
    switch (SortDropped(path)) {
      case Dropped::Folder:
        folders_.push_back(WithSlash(path));
        anyFolder = true;
        break;
      case Dropped::Photo:
        files_.push_back(path);
        break;
      case Dropped::Refused:
        break;
    }
  }
  if (anyFolder)
    RescanFolders();
  else
    UpdateCounts();
  RebuildCueList();
}

void BatchQueue::ScanFolder(const std::string& folder) {
  std::set<std::pair<dev_t, ino_t>> entered;
  ScanTree(folder, entered);
}

void BatchQueue::ScanTree(const std::string& folder,
                          std::set<std::pair<dev_t, ino_t>>& entered) {
  std::string f = WithSlash(folder);
  struct stat self {};
  if (::stat(f.c_str(), &self) != 0 || !entered.insert({self.st_dev, self.st_ino}).second) return;
  if (settings_.Files.ExcludeORV == 1 && PathExists(f + "orvoutput.dir")) {
    Warn(f + " Excluded! It is used as ORV Output path (orvoutput.dir)\r\n");
    return;
  }
  DIR* dir = ::opendir(f.c_str());
  if (!dir) return;
  // Entries are taken in name order, so the same folder always gives the same queue.
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  int added = 0;
  for (const std::string& name : names) {
    std::string path = f + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (settings_.Files.Recursive == 1) ScanTree(path, entered);
      continue;
    }
    // FIFOs, devices and sockets named like photos are not photos (opening a FIFO would wait).
    if (!S_ISREG(st.st_mode)) continue;
    if (ClassifyFile(path) == 1) {
      scan_.push_back(path);
      if (++added % 6 == 0) {
        folderCount_ = int(scan_.size());
        host_.QueueChanged();
      }
    }
  }
}

void BatchQueue::RescanFolders() {
  host_.SetWaitCursor(true);
  scan_.clear();
  for (const std::string& folder : folders_) ScanFolder(folder);
  UpdateCounts();
  host_.SetWaitCursor(false);
}

void BatchQueue::RebuildCueList() {
  cue_.clear();
  for (const std::string& path : scan_) AppendToCue(path);
  for (const std::string& path : files_) AppendToCue(path);
  MarkRawJpegTwins(cue_, settings_.Files.RawJpegTwins);
  host_.QueueChanged();
}

void BatchQueue::AddToCue(const std::string& path) { AddToCue(std::vector<std::string>{path}); }

void BatchQueue::AddToCue(const std::vector<std::string>& paths) {
  bool added = false;
  for (const std::string& path : paths) added = AppendToCue(path) || added;
  if (!added) return;
  MarkRawJpegTwins(cue_, settings_.Files.RawJpegTwins);
  host_.QueueChanged();
}

bool BatchQueue::AppendToCue(const std::string& path) {
  if (ClassifyFile(path) != 1) return false;
  cue_.push_back({path, true});
  return true;
}

void BatchQueue::UpdateCounts() {
  folderCount_ = int(scan_.size());
  totalCount_ = int(scan_.size() + files_.size());
  host_.QueueChanged();
}

void BatchQueue::AddFile(const std::string& path) {
  ClearWarnings();
  // A file the queue does not take (or one gone since the dialog) is left out without a warning.
  if (!PathExists(path) || ClassifyFile(path) != 1) return;
  files_.push_back(path);
  UpdateCounts();
  AddToCue(path);
}

void BatchQueue::AddFolder(const std::string& folder) {
  ClearWarnings();
  folders_.push_back(WithSlash(folder));
  RescanFolders();
  RebuildCueList();
}

void BatchQueue::RemoveFolder(int index) {
  ClearWarnings();
  if (index < 0 || index >= int(folders_.size())) return;
  folders_.erase(folders_.begin() + index);
  RescanFolders();
  RebuildCueList();
}

void BatchQueue::RemoveFile(int index) {
  ClearWarnings();
  if (index < 0 || index >= int(files_.size())) return;
  files_.erase(files_.begin() + index);
  UpdateCounts();
  RebuildCueList();
}

void BatchQueue::RemoveAllFiles() {
  ClearWarnings();
  files_.clear();
  UpdateCounts();
  RebuildCueList();
}

void BatchQueue::RecursiveToggled() {
  ClearWarnings();
  RescanFolders();
  RebuildCueList();
}

void BatchQueue::ExcludeProcessedToggled(bool on) {
  settings_.Files.ExcludeORV = on ? 1 : 0;
  ClearWarnings();
  if (!on &&
      !host_.AskYesNo("Processing already treated images degrades their quality.\nYou should use "
                      "only original images as the source.\nAre you sure that you want allow "
                      "already processed files in the batch? ")) {
    settings_.Files.ExcludeORV = 1;
    host_.QueueChanged();
  }
  RescanFolders();
  RebuildCueList();
}

}  // namespace orv
