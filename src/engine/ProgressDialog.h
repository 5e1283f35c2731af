// CProgressDialog: what a run reports while it works (two bars, a stage text, a picture) and
// where it learns of Cancel. This class keeps the state and the arithmetic of the texts; a front
// end derives from it to draw (the desktop window, the terminal bar) and to pump its events,
// which is how a Cancel press is seen while the run occupies the thread.
#pragma once

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
};

}  // namespace orv
