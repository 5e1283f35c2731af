// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The queue a run takes its files from: the Files page's folder and file lists, the scan of the
// folders, the warnings about rejected files, and the Cue List with its check marks.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "settings/Settings.h"

namespace orv {

class EngineHost;

struct CueItem {
  std::string path;
  bool checked = true;
  // The RAW+JPEG twin taken in this entry's place (Files.RawJpegTwins): a run skips the entry
  // with a log line. Empty: the entry is taken.
  std::string twin = {};
};

// Marks the entries of `cue` that are the skipped half of a camera's RAW+JPEG pair (the same
// folder and name, one a RAW kind, the other .jpg or .jpeg) as the choice says; clears the rest.
void MarkRawJpegTwins(std::vector<CueItem>& cue, int choice);

class BatchQueue {
 public:
  BatchQueue(Settings& settings, EngineHost& host) : settings_(settings), host_(host) {}

  // 1 supported, 0 not supported, -1 excluded as already processed (warning added).
  int ClassifyFile(const std::string& path);
  // A dropped file or folder; the warnings are not cleared.
  void AddPath(const std::string& path);
  // Many dropped paths at once (a command line, a file list): the same Cue List as AddPath on
  // each in turn, but the folders are scanned once, after all are known.
  void AddPaths(const std::vector<std::string>& paths);
  void ScanFolder(const std::string& folder);
  void RescanFolders();
  void RebuildCueList();
  void AddToCue(const std::string& path);
  // Several at once: the twins are marked and the host told once, not once a path.
  void AddToCue(const std::vector<std::string>& paths);
  void UpdateCounts();

  // The Files page's buttons and check boxes.
  void AddFile(const std::string& path);      // "Add Files" after the dialog's OK
  void AddFolder(const std::string& folder);  // "Add Folder" after the dialog's OK
  void RemoveFolder(int index);
  void RemoveFile(int index);
  void RemoveAllFiles();
  void RecursiveToggled();  // "Include Sub-Folders" after the box changed
  // "Exclude already processed files" after the box changed to `on`; turning it off asks first.
  void ExcludeProcessedToggled(bool on);
  void ClearWarnings();
  // The check mark of Cue List entry `index` (the list's box); false when there is no such entry.
  bool SetChecked(int index, bool checked) {
    if (index < 0 || size_t(index) >= cue_.size()) return false;
    cue_[size_t(index)].checked = checked;
    return true;
  }

  const std::vector<std::string>& Folders() const { return folders_; }
  const std::vector<std::string>& Files() const { return files_; }
  const std::vector<std::string>& ScanList() const { return scan_; }
  const std::string& Warnings() const { return warnings_; }
  int FolderCount() const { return folderCount_; }
  int TotalCount() const { return totalCount_; }
  std::vector<CueItem>& Cue() { return cue_; }
  const std::vector<CueItem>& Cue() const { return cue_; }

 private:
  void Warn(const std::string& line);
  // What a dropped path is, from one stat: a folder, a photo the queue takes, or refused with a
  // warning (unreachable, with the system's reason; excluded; not a regular file; unsupported).
  enum class Dropped { Folder, Photo, Refused };
  Dropped SortDropped(const std::string& path);
  // Scans one folder; `entered` holds the (device, inode) of every folder this scan went into,
  // so a link back up the tree is followed at most once and never loops.
  void ScanTree(const std::string& folder, std::set<std::pair<dev_t, ino_t>>& entered);
  // Appends a supported path to the Cue List without telling the host; true when appended.
  bool AppendToCue(const std::string& path);

  Settings& settings_;
  EngineHost& host_;
  std::vector<std::string> folders_;  // each ends with '/'
  std::vector<std::string> files_;
  std::vector<std::string> scan_;
  std::string warnings_;
  int folderCount_ = 0;
  int totalCount_ = 0;
  std::vector<CueItem> cue_;
};

}  // namespace orv
