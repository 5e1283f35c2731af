// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The common frame of the pages on the tab control: each page shows the model (LoadFromModel),
// takes pending edits into it (Commit), keeps its enabling rules in one function
// (UpdateEnabling), and tells the main window about changes by notice codes.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/Engine.h"
#include "ui/Prompts.h"

namespace orv::ui {

// The notices the pages send to the main window.
enum PageNoticeCode {
  kNoticeRunAll = 1,
  kNoticeRunCurrent = 2,
  kNoticeResetDefaults = 3,
  kNoticeDetailMoved = 5,
  kNoticeModeChanged = 6,
  kNoticeSettingChanged = 8,
};

// What a page may reach: the engine (settings, queue), the dialogs, and the main window's
// notice entry.
struct PageContext {
  CEngine& engine;
  CPrompts& prompts;
  QWidget* dialogParent;
  std::function<void(int)> notice;
};

class CSettingsPage : public QWidget {
  Q_OBJECT
 public:
  explicit CSettingsPage(PageContext& ctx, QWidget* parent = nullptr);

  // Shows every control from the model (after a profile load or a reset, and at start).
  virtual void LoadFromModel() {}
  // Takes edits that are not yet in the model (a text field being typed in).
  virtual void Commit() {}
  // The page's enabling rules, from the model.
  virtual void UpdateEnabling() {}

 protected:
  Settings& settings() { return ctx_.engine.settings(); }
  // A setting was changed by the user on this page.
  void SettingChanged() { ctx_.notice(kNoticeSettingChanged); }

  PageContext& ctx_;
};

}  // namespace orv::ui
