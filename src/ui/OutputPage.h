// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 9, "GO!": where and how the outputs are written, and the "PROCESS" buttons that start
// a run.
#pragma once

#include "ui/SettingsPage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orv::ui {

class COutputPage : public CSettingsPage {
  Q_OBJECT
 public:
  explicit COutputPage(PageContext& ctx, QWidget* parent = nullptr);

  void LoadFromModel() override;
  void Commit() override;
  void UpdateEnabling() override;

  // The "..." button beside the folder box.
  void BrowseFolder();

 private:
  QButtonGroup* outputType_;
  QLineEdit* folder_;
  QPushButton* browse_;
  QCheckBox* mirror_;
  QCheckBox* mirrorTree_;
  QCheckBox* replace_;
  QComboBox* fileType_;
  QCheckBox* detailedLog_;
  QCheckBox* keepTime_;  // a per-user choice, not a profile setting
  QSpinBox* workers_;
};

// The user's worker count for "All Files" from the per-user store; 0 (automatic) when unset.
int StoredWorkerCount();

}  // namespace orv::ui
