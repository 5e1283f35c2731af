// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WatchSession.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "engine/Engine.h"

namespace orv {

WatchSession::WatchSession(CEngine& engine, WatchObserver* observer, WatchOptions options,
                           std::string statePath)
    : engine_(engine),
      observer_(observer),
      folders_(std::move(options)),
      statePath_(std::move(statePath)) {}

WatchSession::~WatchSession() {
  engine_.SetStopTaking(nullptr);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool WatchSession::Start(std::string& error) {
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) {
    error = std::string("eventfd: ") + std::strerror(errno);
    return false;
  }
  if (!folders_.Start(error)) return false;
  // A run in progress when the stop comes starts no further photo.
  engine_.SetStopTaking(&stop_);
  return true;
}

void WatchSession::Wake() {
  if (wakeFd_ < 0) return;
  const uint64_t one = 1;
  // A full counter already wakes the loop; nothing else can go wrong that matters here.
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void WatchSession::DrainWake() {
  uint64_t count = 0;
  while (::read(wakeFd_, &count, sizeof count) == ssize_t(sizeof count)) {
  }
}

void WatchSession::RequestStop() {
  stop_.store(true);
  Wake();
}

void WatchSession::ReplaceSettings(const Settings& settings) {
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    newSettings_ = settings;
  }
  Wake();
}

void WatchSession::ApplyNewSettings() {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  if (!newSettings_) return;
  engine_.settings() = std::move(*newSettings_);
  newSettings_.reset();
}

void WatchSession::Run() {
  WatchRunner runner(engine_, observer_, statePath_);
  std::vector<std::string> backlog;
  bool stateWarned = false;
  while (!stop_.load()) {
    std::vector<std::string> arrived = folders_.Wait(
        wakeFd_, backlog.empty() ? std::chrono::milliseconds(std::chrono::hours(1))
                                 : std::chrono::milliseconds(0));
    DrainWake();
    backlog.insert(backlog.end(), arrived.begin(), arrived.end());
    // The files of a burst settle a little apart (microseconds for one mv, tens of
    // milliseconds for a copying program or an upload): those about to settle join this run,
    // so that it starts with all of them and every worker gets a photo, rather than a run of
    // the first ones alone while the other workers wait for the next run. Gathering goes on
    // while the next file settles within kGatherTime of the last, for kGatherLimit at most; a
    // photo that arrives alone is not held back.
    const auto gatherStart = std::chrono::steady_clock::now();
    auto gatherUntil = gatherStart + kGatherTime;
    while (!backlog.empty() && backlog.size() < kPhotosPerRun && !stop_.load() &&
           folders_.SettlesBy(gatherUntil)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          gatherUntil - std::chrono::steady_clock::now());
      std::vector<std::string> more =
          folders_.Wait(wakeFd_, std::max(left, std::chrono::milliseconds(0)));
      DrainWake();
      backlog.insert(backlog.end(), more.begin(), more.end());
      if (!more.empty())
        gatherUntil = std::min(gatherStart + kGatherLimit,
                               std::chrono::steady_clock::now() + kGatherTime);
    }
    // Photos not run when the stop came have no output: the next start takes them.
    if (stop_.load() || backlog.empty()) continue;
    ApplyNewSettings();
    const size_t take = std::min(backlog.size(), kPhotosPerRun);
    std::vector<std::string> photos(backlog.begin(), backlog.begin() + ptrdiff_t(take));
    backlog.erase(backlog.begin(), backlog.begin() + ptrdiff_t(take));
    runner.RunArrived(photos);
    if (runner.StateWriteFailed() && !stateWarned) {
      stateWarned = true;
      if (observer_) observer_->StateWriteFailed();
    }
  }
}

}  // namespace orv
