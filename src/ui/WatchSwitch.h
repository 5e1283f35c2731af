// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Watch this folder" switch under the Cue List: while it is on, the queue's folders are
// watched as `orv watch` watches them (the engine's WatchSession, with an engine of its own on a
// thread of its own, so the window never waits for it), and every photo that arrives is taken
// with the window's settings. What the watch takes and finishes reaches the window as signals on
// the GUI thread; nothing of the window is touched from the watch's thread. Turning the switch
// off, or closing the window, starts no further photo and ends once the photos in work are
// saved.
#pragma once

#include <QStringList>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;

namespace orv {
class CEngine;
struct ItemResult;
}  // namespace orv

namespace orv::ui {

class CPrompts;

// The Cue List's item data that tells what the watch did to a photo: an ItemResult::Status
// number, or kWatchWorking while the watch holds it. No data: the watch never took it.
inline constexpr int kWatchStateRole = Qt::UserRole + 1;
inline constexpr int kWatchWorking = -1;

class CWatchSwitch : public QWidget {
  Q_OBJECT
 public:
  // What the switch asks of the window before a watch starts: commit the pages into the
  // engine's settings and confirm what a run would confirm (the size-limit question). False:
  // the switch goes off again.
  using ReadyCheck = std::function<bool()>;

  CWatchSwitch(CEngine& engine, CPrompts& prompts, ReadyCheck ready, QWidget* parent);
  // Stops the watch and waits for the photos in work.
  ~CWatchSwitch() override;

  // Whether a watch runs (it may be stopping).
  bool running() const;
  bool switchedOn() const;
  // The folders being watched, each ending with '/'.
  const std::vector<std::string>& watchedFolders() const { return watched_; }

  // The window's settings changed: the photos that arrive from now on take them.
  void SettingsChanged();
  // The queue changed: when its folders (or Include Sub-Folders) did, the watch follows them.
  void QueueChanged();
  // Asks the watch to stop after the photos in work; `stopped` follows once it has.
  void RequestStop();
  // Stops and waits (the window is going away).
  void StopAndWait();

  // The settle time of the next watch (tests use a short one).
  void SetSettleTime(std::chrono::milliseconds settle) { settle_ = settle; }
  QCheckBox* box() const { return box_; }
  QLabel* status() const { return status_; }

 signals:
  // The photos the watch takes up next, in queue order.
  void photosTaken(const QStringList& sources);
  // One of them is finished: saved (or skipped, its output was there), failed or not reached.
  void photoFinished(const QString& source, const QString& output, int status,
                     const QString& error);
  // The watch has ended (the switch was turned off, or the window is closing).
  void stopped();
  // The user asked for the day's log of the watch.
  void logRequested(const QString& path);

 private:
  struct Running;
  class Relay;

  void Toggled(bool on);
  bool Start();
  void Finished();
  void ShowStatus();
  std::vector<std::string> QueueFolders() const;
  bool QueueRecursive() const;

  CEngine& engine_;
  CPrompts& prompts_;
  ReadyCheck ready_;
  QCheckBox* box_;
  QLabel* status_;
  std::unique_ptr<Running> running_;
  std::vector<std::string> watched_;
  bool watchedRecursive_ = false;
  bool restartWanted_ = false;
  bool stopping_ = false;
  bool stateWriteFailed_ = false;
  std::chrono::milliseconds settle_{2000};
  int saved_ = 0;
  int failed_ = 0;
};

}  // namespace orv::ui
