#include "engine/ProgressDialog.h"

#include <cstdio>

namespace orv {

void CProgressDialog::Create() {
  cancel_ = false;
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

void CProgressDialog::Destroy() {
  OnDestroy();
}

}  // namespace orv
