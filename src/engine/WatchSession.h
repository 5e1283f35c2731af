// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One watch from start to stop, the same for `orv watch` and the desktop program's switch: the
// folders are watched (FolderWatch), the photos that settle wait in a backlog and go to the
// engine's run a few dozen at a time (WatchRunner), until a stop is asked. A stop, from any
// thread or a signal handler, starts no further photo: the photos in work are finished and
// saved, the rest have no output and are taken by the next start. New settings handed over
// from another thread apply from the next run on. The loop runs on the caller's thread and owns
// the engine while it runs.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/WatchFolder.h"
#include "engine/WatchRunner.h"
#include "settings/Settings.h"

namespace orv {

class CEngine;

class WatchSession {
 public:
  // Arrivals are run at most this many at a time, so that new settings take effect between
  // them and not only after a burst of hundreds.
  static constexpr size_t kPhotosPerRun = 32;
  // How long a run waits for the next file about to settle, once one has, and at most in all.
  static constexpr std::chrono::milliseconds kGatherTime{250};
  static constexpr std::chrono::milliseconds kGatherLimit{1000};

  // The engine's settings, flags, jobs and log path are the caller's; `statePath` is the file of
  // failed photos; `observer` (may be null) hears what is taken and each result.
  WatchSession(CEngine& engine, WatchObserver* observer, WatchOptions options,
               std::string statePath);
  ~WatchSession();
  WatchSession(const WatchSession&) = delete;
  WatchSession& operator=(const WatchSession&) = delete;

  // Sets up the watches; false with a message when nothing can be watched.
  bool Start(std::string& error);
  // Whether the folders are listed every few seconds rather than watched with inotify.
  bool Polling() const { return folders_.Polling(); }

  // Runs what is there and what arrives until a stop is asked. Call after Start.
  void Run();

  // Any thread, or a signal handler (an atomic store and a write(2)): the watch ends after the
  // photos in work are saved.
  void RequestStop();
  bool StopRequested() const { return stop_.load(); }
  // Any thread: the settings for the runs that start from now on.
  void ReplaceSettings(const Settings& settings);

 private:
  void Wake();
  void DrainWake();
  void ApplyNewSettings();

  CEngine& engine_;
  WatchObserver* observer_;
  FolderWatch folders_;
  std::string statePath_;
  int wakeFd_ = -1;  // an eventfd: written to end the wait at once
  std::atomic<bool> stop_{false};
  std::mutex settingsMutex_;
  std::optional<Settings> newSettings_;
};

}  // namespace orv
