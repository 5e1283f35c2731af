// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ProgressDialog.h"

#include <cstdio>

namespace orv {

void CProgressDialog::Create() {
  cancel_ = false;
  start_ = std::chrono::steady_clock::now();
  OnCreate();
}

void CProgressDialog::SetItemRange(int start, int end) {
  itemStart_ = start;
  itemEnd_ = end;
}

void CProgressDialog::SetItemPos(int p) {
  PumpMessages();
  itemPos_ = p;
  int span = itemEnd_ - itemStart_;
  // An empty range has no percentage; show 0 rather than divide by zero.
  long long percent = span == 0 ? 0 : (static_cast<long long>(p) - itemStart_) * 100 / span;
  if (percent != 100) percent %= 100;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld%c", percent, '%');
  percentText_ = buf;
  OnItemChanged();
}

void CProgressDialog::SetQueueTotal(int n) {
  queueTotal_ = n;
  OnQueueChanged();
}

void CProgressDialog::SetQueuePos(int i) {
  PumpMessages();
  queuePos_ = i;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%d", i, queueTotal_);
  counterText_ = buf;
  OnQueueChanged();
}

void CProgressDialog::SetStageText(const std::string& text) {
  PumpMessages();
  if (text == stageText_) return;
  stageText_ = text;
  OnStageChanged();
}

void CProgressDialog::ShowPicture(const uint8_t* pixels, int width, int height) {
  OnPicture(pixels, width, height);
  PumpMessages();
}

bool CProgressDialog::CancelPressed() {
  PumpMessages();
  bool was = cancel_;
  cancel_ = false;
  return was;
}

void CProgressDialog::SetBatchProgress(int finished, int total, const std::string& activeNames) {
  batchFinished_ = finished;
  batchTotal_ = total;
  activeNames_ = activeNames;
  OnBatchChanged();
  PumpMessages();
}

double CProgressDialog::ElapsedSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

double CProgressDialog::EstimateRemaining(double elapsed, int finished, int total) {
  if (finished <= 0 || total <= 0 || elapsed < 0) return -1;
  if (finished >= total) return 0;
  return elapsed / finished * (total - finished);
}

std::string CProgressDialog::ClockText(double seconds) {
  long long s = seconds < 0 ? 0 : static_cast<long long>(seconds + 0.5);
  char buf[48];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
  return buf;
}

std::string CProgressDialog::TimeText() const {
  double elapsed = ElapsedSeconds();
  std::string text = "elapsed " + ClockText(elapsed);
  double left = EstimateRemaining(elapsed, batchFinished_, batchTotal_);
  if (left >= 0) text += ", about " + ClockText(left) + " left";
  return text;
}

void CProgressDialog::Destroy() {
  OnDestroy();
}

}  // namespace orv
