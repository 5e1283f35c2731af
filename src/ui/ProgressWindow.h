// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
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

  // A photo of the run is finished: with several workers the run sends no working picture, so
  // the window shows each finished photo (its output, else its source) read small from its file.
  void ShowFinishedPhoto(const QString& output, const QString& source);

  QPushButton* cancelButton() const { return cancel_; }
  QLabel* picture() const { return picture_; }
  QLabel* percentLabel() const { return percent_; }
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
  void ShowItemProgress();
  void ShowImage(const QImage& image);

  std::function<void(bool)> ownerEnabled_;
  bool ownerDisabled_ = false;
  // No photo has been taken up yet: the item bar stays at 0 whatever the pool reports.
  bool started_ = false;
  // The run sends its working pictures (one photo at a time): finished photos are not read.
  bool livePictures_ = false;
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
