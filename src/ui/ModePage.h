// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 0: the mode switch ("ORV Mode Setting") above the help view.
#pragma once

#include "ui/HelpView.h"
#include "ui/SettingsPage.h"

class QLabel;
class QCommandLinkButton;

namespace orv::ui {

class CModePage : public CSettingsPage {
  Q_OBJECT
 public:
  CModePage(PageContext& ctx, CHelpView::Actions helpActions, QWidget* parent = nullptr);

  void LoadFromModel() override;
  CHelpView* helpView() const { return helpView_; }

  // The buttons' actions.
  void ChooseMode(bool advanced);

 private:
  QCommandLinkButton* basicButton_;
  QCommandLinkButton* advancedButton_;
  QLabel* basicLabel_;
  QLabel* advancedLabel_;
  CHelpView* helpView_;
};

}  // namespace orv::ui
