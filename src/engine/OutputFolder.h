// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The folder an output goes to: where it lies, its checks (an absolute path of valid
// components, made on demand), the "orvoutput.dir" marker that keeps later scans out of it, and
// the sweep of temporary files that killed runs left in it.
#pragma once

#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "settings/Settings.h"

namespace orv {

class EngineHost;

// The folder an output of the source goes to, without a trailing slash.
std::string OutputFolderFor(const Settings& s, const std::string& sourcePath);

// Whole-tree mirroring: the source folder's path below the first of Output.TreeRoots that holds
// it, else below Output.TreeBase, with a trailing slash ("" for the root itself). A folder under
// neither gives its own name, as the one-level mirror does.
std::string TreeBelowRoot(const Settings& s, const std::string& sourceDir);

// 0 the folder exists or was made; -1 the user declined (ask); 1 invalid path; 2 not creatable.
// With a host, the invalid and not-creatable cases are shown to the user.
int EnsureFolder(EngineHost* host, const std::string& path, bool ask);

// Appends one '*' to the folder's "orvoutput.dir", which marks it as an output folder. The marker
// is never followed through a symbolic link; false when "orvoutput.dir" exists but is not a
// regular file (other write errors are ignored).
bool WriteFolderMarker(const std::string& folder);

// The folders that hold a run's queued photos, known by device and inode, so that an output
// folder reached by another path (a symbolic link, a bind mount) is still recognised as one.
// An output folder that holds queued photos is saving beside them: it never gets the marker,
// which would exclude the whole folder from later runs.
class SourceFolders {
 public:
  explicit SourceFolders(const std::vector<std::string>& photoPaths);
  // Whether `folder` is one of them. A run's photos mostly share a few output folders: each is
  // looked up once a run, not once a photo. Any thread.
  bool Holds(const std::string& folder) const;

 private:
  std::set<std::pair<dev_t, ino_t>> folders_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, bool> answers_;  // folder path -> Holds
};

// The folder part of a photo's path ("." for a bare name).
std::string FolderOfPath(const std::string& path);

// A run killed mid-save leaves its temporary file behind. A run sweeps each output folder once,
// at its first save there, removing the temporary files whose writer is gone. One sweep object
// serves a run; it may be used from several threads.
class StaleTempSweep {
 public:
  StaleTempSweep() : started_(std::time(nullptr)) {}
  // The names removed from the folder, or none when this run has swept it already.
  std::vector<std::string> SweepOnce(const std::string& folder);

 private:
  std::mutex mutex_;
  std::set<std::string> swept_;
  std::time_t started_;
};

}  // namespace orv
