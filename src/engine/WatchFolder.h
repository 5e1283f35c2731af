// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Watches folders for photos that arrive and hands each one over once it is complete: nothing
// has changed its size or time for the settle time. On local file systems the kernel's inotify
// tells what changed, so an idle watch sleeps in poll(2) and uses no CPU; where inotify sees
// nothing (NFS, SMB/CIFS, FUSE) or when asked, the folders are scanned every few seconds
// instead. Names a writer uses while a file is incomplete are left alone until renamed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orv {

struct WatchOptions {
  std::vector<std::string> folders;  // absolute
  bool recursive = false;            // subfolders too, those made later included
  std::chrono::milliseconds settle{2000};
  std::chrono::milliseconds poll{0};  // 0: inotify where the file system allows it
  // A folder holding this file is an output folder: never watched nor scanned.
  std::string outputMarker = "orvoutput.dir";
};

// Whether a name is one a writer uses while the file is incomplete (".part", ".tmp",
// ".crdownload", a "~" ending, a leading dot).
bool IsPartialName(const std::string& name);

// Whether inotify misses changes made on the file system of `path`: a network or FUSE mount.
bool IsRemoteFileSystem(const std::string& path);

// A file's identity for "has it changed": size and modification time.
struct FileStamp {
  int64_t size = -1;
  int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
bool ReadFileStamp(const std::string& path, FileStamp& stamp);

class FolderWatch {
 public:
  explicit FolderWatch(WatchOptions options);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Sets up the watches and takes every file already in the folders as a candidate (they are
  // handed over at once, without the settle wait). False with a message when nothing can be
  // watched.
  bool Start(std::string& error);

  // Waits until some files have settled, `wakeFd` is readable (-1: none) or `maxWait` passed,
  // and returns the settled files in name order, each once until it changes again.
  std::vector<std::string> Wait(int wakeFd, std::chrono::milliseconds maxWait);

  // Whether the folders are scanned (true) or watched with inotify (false).
  bool Polling() const { return polling_; }
  // Files waiting for their settle time.
  size_t PendingCount() const { return pending_.size(); }
  // Whether a file waiting now reaches its settle time by `when` (unless it changes again).
  bool SettlesBy(std::chrono::steady_clock::time_point when) const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    FileStamp stamp;
    Clock::time_point quietSince;
  };

  void AddWatchTree(const std::string& folder, std::set<std::pair<dev_t, ino_t>>& entered);
  bool AddWatch(const std::string& folder);
  // Lists the folder (and its subfolders when recursive); each file whose stamp differs from
  // the one handed over becomes a candidate. `atOnce` makes them ready without a settle wait.
  void Scan(const std::string& folder, bool atOnce, std::set<std::pair<dev_t, ino_t>>& entered);
  void Touch(const std::string& path, bool atOnce = false);
  void ReadEvents();
  void Rescan(bool atOnce);
  std::vector<std::string> TakeSettled(Clock::time_point now);
  bool IsOutputFolder(const std::string& folder) const;

  WatchOptions options_;
  int inotifyFd_ = -1;
  bool polling_ = false;
  Clock::time_point nextPoll_{};
  std::map<int, std::string> watchFolders_;  // watch descriptor -> folder with '/'
  std::map<std::string, Pending> pending_;
  std::map<std::string, FileStamp> handed_;  // what was handed over, as it was then
};

}  // namespace orv
