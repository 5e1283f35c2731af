// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CProgressDialog: what a run reports while it works (two bars, a stage text, a picture) and
// where it learns of Cancel. This class keeps the state and the arithmetic of the texts; a front
// end derives from it to draw (the desktop window, the terminal bar) and to pump its events,
// which is how a Cancel press is seen while the run occupies the thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace orv {

class CProgressDialog {
 public:
  virtual ~CProgressDialog() = default;

  void Create();
  void SetItemRange(int start, int end);
  void SetItemPos(int p);
  void SetQueueTotal(int n);
  void SetQueuePos(int i);
  void SetStageText(const std::string& text);
  void ShowPicture(const uint8_t* pixels, int width, int height);
  // Returns the cancel flag and clears it: a press is reported once.
  bool CancelPressed();
  void Destroy();

  // Batch-wide progress: photos finished of all, and the names of those being worked on now.
  // The elapsed time counts from Create.
  void SetBatchProgress(int finished, int total, const std::string& activeNames);
  int BatchFinished() const { return batchFinished_; }
  int BatchTotal() const { return batchTotal_; }
  const std::string& ActiveNames() const { return activeNames_; }
  double ElapsedSeconds() const;
  // "elapsed 0:12, about 0:20 left" (the estimate once a photo has finished).
  std::string TimeText() const;

  // The time left when `finished` of `total` photos took `elapsed` seconds; -1 before the first.
  static double EstimateRemaining(double elapsed, int finished, int total);
  // "m:ss", or "h:mm:ss" from an hour on.
  static std::string ClockText(double seconds);

  // The Cancel button: sets the flag, never closes the window.
  void PressCancel() { cancel_ = true; }

  const std::string& PercentText() const { return percentText_; }
  const std::string& CounterText() const { return counterText_; }
  const std::string& StageText() const { return stageText_; }
  int ItemPos() const { return itemPos_; }
  int QueuePos() const { return queuePos_; }
  int QueueTotal() const { return queueTotal_; }

 protected:
  // Lets the front end handle its pending events (and so see the Cancel button).
  virtual void PumpMessages() {}
  // Drawing hooks, called after the state changed.
  virtual void OnCreate() {}
  virtual void OnDestroy() {}
  virtual void OnItemChanged() {}
  virtual void OnQueueChanged() {}
  virtual void OnStageChanged() {}
  virtual void OnPicture(const uint8_t* /*pixels*/, int /*width*/, int /*height*/) {}
  virtual void OnBatchChanged() {}

 private:
  int itemStart_ = 0;
  int itemEnd_ = 100;
  int itemPos_ = 0;
  int queueTotal_ = 0;
  int queuePos_ = 0;
  bool cancel_ = false;
  std::string percentText_ = " 0 %";
  std::string counterText_ = " ";
  std::string stageText_;
  int batchFinished_ = 0;
  int batchTotal_ = 0;
  std::string activeNames_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace orv
