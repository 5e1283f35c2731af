// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 1, "Files": the folder and file lists the Cue List is built from, their buttons, the two
// check boxes, the counts and the warnings box. The queue logic is the engine's BatchQueue;
// this page shows it and forwards the buttons.
#pragma once

#include "ui/SettingsPage.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace orv::ui {

class CFilesPage : public CSettingsPage {
  Q_OBJECT
 public:
  explicit CFilesPage(PageContext& ctx, QWidget* parent = nullptr);

  void LoadFromModel() override;
  void UpdateEnabling() override;
  // Shows the queue's lists, counts and warnings (the queue changed).
  void ShowQueue();

  // The page's buttons and boxes.
  void AddFiles();
  void AddFolder();
  void RemoveFolder();
  void RemoveFiles();
  void RemoveAllFiles();
  void IncludeSubFoldersClicked(bool on);
  void ExcludeProcessedClicked(bool on);

 private:
  QListWidget* folderList_;
  QListWidget* fileList_;
  QPushButton* addFolder_;
  QPushButton* removeFolder_;
  QPushButton* addFiles_;
  QPushButton* removeFiles_;
  QPushButton* removeAll_;
  QCheckBox* recursive_;
  QCheckBox* excludeOrv_;
  QLabel* folderCount_;
  QLabel* totalCount_;
  QPlainTextEdit* warnings_;
};

}  // namespace orv::ui
