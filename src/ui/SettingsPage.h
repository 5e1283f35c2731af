// The common frame of the pages on the tab control: each page shows the model (LoadFromModel),
// takes pending edits into it (Commit), keeps its enabling rules in one function
// (UpdateEnabling), and tells the main window about changes by notice codes.
#pragma once

#include <QImage>
#include <QStackedWidget>
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
  // The processed preview and detail crop, for pages with an "Image After" view.
  virtual void ShowPreviews(const QImage& /*after*/, const QImage& /*detailAfter*/) {}
  // The detail crop moved: shown unprocessed until the next preview refresh.
  virtual void ShowDetail(const QImage& /*detail*/) {}

 protected:
  Settings& settings() { return ctx_.engine.settings(); }
  // A setting was changed by the user on this page.
  void SettingChanged() { ctx_.notice(kNoticeSettingChanged); }

  PageContext& ctx_;
};

// A page still without controls (the settings pages that come with the curve editors).
class CEmptyPage : public CSettingsPage {
  Q_OBJECT
 public:
  using CSettingsPage::CSettingsPage;
};

// Tabs 2 to 6: a Basic and an Advanced page, of which the one of the current mode is shown
// whenever the tab is selected.
class CModeTab : public QStackedWidget {
  Q_OBJECT
 public:
  CModeTab(CSettingsPage* basic, CSettingsPage* advanced, QWidget* parent = nullptr);

  void FollowMode(bool advanced);
  CSettingsPage* basicPage() const { return basic_; }
  CSettingsPage* advancedPage() const { return advanced_; }
  CSettingsPage* currentPage() const;

 private:
  CSettingsPage* basic_;
  CSettingsPage* advanced_;
};

}  // namespace orv::ui
