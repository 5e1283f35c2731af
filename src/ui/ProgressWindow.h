// The progress window of a run: a modeless dialog over the main window with the "Current Image"
// and "Cue List" bars, their texts, the stage text, a picture of the working image and Cancel.
// The state and texts are CProgressDialog's; this class draws them and pumps Qt's events at
// every report, which is how Cancel is seen while the run occupies the thread.
#pragma once

#include <QDialog>
#include <functional>

#include "engine/ProgressDialog.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orv::ui {

class CProgressWindow : public QDialog, public CProgressDialog {
  Q_OBJECT
 public:
  // `ownerEnabled` disables and re-enables what the user could otherwise use meanwhile.
  CProgressWindow(QWidget* parent, std::function<void(bool)> ownerEnabled);
  ~CProgressWindow() override;

  QPushButton* cancelButton() const { return cancel_; }
  QProgressBar* itemBar() const { return itemBar_; }
  QProgressBar* queueBar() const { return queueBar_; }

 protected:
  void PumpMessages() override;
  void OnCreate() override;
  void OnDestroy() override;
  void OnItemChanged() override;
  void OnQueueChanged() override;
  void OnStageChanged() override;
  void OnPicture(const uint8_t* pixels, int width, int height) override;
  void OnBatchChanged() override;

  // Escape and the window's close button act as Cancel: the window stays until the run ends.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void(bool)> ownerEnabled_;
  bool ownerDisabled_ = false;
  QProgressBar* itemBar_;
  QLabel* percent_;
  QLabel* stage_;
  QProgressBar* queueBar_;
  QLabel* counter_;
  QLabel* time_;
  QLabel* picture_;
  QPushButton* cancel_;
};

}  // namespace orv::ui
