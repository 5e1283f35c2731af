// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds the photos a folder watch hands over to the engine's run, so each goes through the same
// work and settle steps, workers, output rules, log and results as `orv run` gives it. What must
// outlive the process is kept small: a photo whose output exists is never redone (the run skips
// it), and the photos that failed are listed with their size and time in a state file of the app
// folder, so a failure is retried only once its file changes, across restarts too. The HTML log
// is kept per day: each day's photos go into a log file of their own.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/RunObserver.h"
#include "engine/WatchFolder.h"

namespace orv {

// The failed photos of a watch: path -> size and time when it failed.
class FailedPhotos {
 public:
  explicit FailedPhotos(std::string statePath) : path_(std::move(statePath)) {}
  // Reads the file; entries whose photo is gone are dropped.
  void Load();
  // Whether the photo failed before as it is now.
  bool FailedAsIs(const std::string& photo, const FileStamp& stamp) const;
  void Record(const std::string& photo, const FileStamp& stamp);
  void Forget(const std::string& photo);
  // Writes the file when something changed; false when it could not be written.
  bool Save();
  size_t size() const { return failed_.size(); }

 private:
  std::string path_;
  std::map<std::string, FileStamp> failed_;
  bool changed_ = false;
};

// What a watch tells its front end, on the watch's own thread: the photos it takes up, then
// each one's result (RunObserver), in queue order.
class WatchObserver : public RunObserver {
 public:
  // The photos of the next run, before any of them is worked on.
  virtual void PhotosTaken(const std::vector<std::string>& /*photos*/) {}
  // The state file or the day's log could not be written (told once).
  virtual void StateWriteFailed() {}
};

// The day's log file for a base name: "log.html" on 2026-12-08 gives "log-2026-12-08.html".
std::string DailyLogPath(const std::string& basePath, std::time_t when);

class WatchRunner : private RunObserver {
 public:
  // The engine's settings, flags and jobs are the caller's; `observer` hears every result.
  // The engine's log path is the base of the daily log names.
  WatchRunner(CEngine& engine, WatchObserver* observer, const std::string& statePath);
  ~WatchRunner() override;

  // Runs the arrived photos: those that failed before as they are now are left out. Returns
  // the engine's report (End::EmptyQueue when nothing was left to run).
  RunReport RunArrived(const std::vector<std::string>& photos);

  // The log file of the last run.
  const std::string& LogPath() const { return dailyLog_; }
  bool StateWriteFailed() const { return stateFailed_; }

 private:
  void ItemFinished(const ItemResult& result) override;
  // Appends the run's log to the day's file; false when that failed.
  bool AppendToDailyLog(const std::string& runLog);

  CEngine& engine_;
  WatchObserver* observer_;
  RunObserver* engineObserver_;  // the engine's observer before, given back at the end
  FailedPhotos failed_;
  std::string logBase_;
  std::string dailyLog_;
  std::map<std::string, FileStamp> stamps_;  // of the photos of the current run
  // Outputs this watch saved into a watched folder arrive as new files: they are not sources.
  std::set<std::string> ownOutputs_;
  bool stateFailed_ = false;
};

}  // namespace orv
