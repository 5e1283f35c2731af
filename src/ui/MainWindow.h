// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CMainWindow: the program's one window. It holds the engine object (settings, camera summary,
// working picture, queue), shows the Cue List, the current image and its info panel, the ten
// tabs and the command buttons, receives the pages' notices, and is the engine's host: every
// question, message, tab switch, help page and progress window of a run comes through here.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Engine.h"
#include "engine/LosslessRotate.h"
#include "ui/Tabs.h"
#include "ui/ProgressWindow.h"
#include "ui/Prompts.h"
#include "ui/SettingsPage.h"

class QLabel;
class QListWidget;
class QTabWidget;
class QToolButton;

namespace orv::ui {

class CFilesPage;
class CHelpView;
class CModePage;
class COutputPage;
class CSettingsPages;
class CSizeQualityPage;
class CWatchSwitch;

class CMainWindow : public QMainWindow, public EngineHost {
  Q_OBJECT
 public:
  // `persist` saves current.orv and LastProfile at exit (off for screenshots).
  CMainWindow(std::string appFolder, std::unique_ptr<CPrompts> prompts, bool persist = true,
              QWidget* parent = nullptr);
  ~CMainWindow() override;

  // EngineHost.
  // Takes what every page shows into the settings; done before each engine operation.
  void CommitPages();
  bool AskYesNo(const std::string& question) override;
  void ShowMessage(const std::string& message) override;
  void SelectTab(int tab);
  int CurrentTab() const;
  void ShowHelpPage(const std::string& path) override;
  void QueueChanged() override;
  void SetWaitCursor(bool on) override;
  std::unique_ptr<CProgressDialog> CreateProgressDialog() override;
  void ShowListedCamera(bool listed) override;

  // What the pages send (see PageNoticeCode).
  void PageNotice(int code);

  // Loads a photograph into the panes and refreshes the previews.
  void ShowImage(const std::string& path);
  void RefreshPreviews();
  // Files and folders given by a drop, in drop order.
  void AddDroppedPaths(const QStringList& paths);

  // Loads a settings profile as Load Settings does; false (nothing changed) when unreadable.
  bool OpenProfile(const QString& path);

  // The command buttons.
  void LoadSettings();
  void SaveSettings();
  void ResetToDefault();
  void Help();
  void Rotate(RotateTurn turn);
  void RunAllFiles();
  void RunCurrentImageOnly();
  void OpenInBrowser(const QString& fileOrUrl);

  // State, for the pages and the tests.
  CEngine& engine() { return engine_; }
  const QString& profileName() const { return profileName_; }
  const std::string& shownPath() const { return shownPath_; }
  int SelectedCueIndex() const;
  void SelectCueIndex(int index);
  QListWidget* cueList() const { return cueList_; }
  QTabWidget* tabs() const { return tabs_; }
  CHelpView* helpView() const;
  // The page of tabs 0, 1, 7 and 9; tabs 2 to 6 and 8 are in settingsPages().
  CSettingsPage* page(int tab) const;
  CSettingsPages& settingsPages() const { return *settingsPages_; }
  QLabel* advMarker() const { return advMarker_; }
  CProgressWindow* progressWindow() const { return progressWindow_; }
  bool runInProgress() const { return runInProgress_; }
  CWatchSwitch* watchSwitch() const { return watchSwitch_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QWidget* BuildCueColumn();
  QWidget* BuildTabs();
  QWidget* BuildCommandRow();
  void ShowInfoPanel();
  void ClearShownImage(const QString& why);
  void SyncCueList();
  void CueSelectionChanged();
  void TabChanged(int index);
  void ModeChanged();
  void RefreshAllPages();
  void UpdateTitle();
  void MarkModified();
  void SetUiEnabled(bool enabled);
  void AfterRun(const RunReport& report, bool wholeRun);
  // The counts of a finished "All Files" run on the page it ends on.
  void ShowRunCounts(const RunReport& report);

  // The watch's arrivals in the Cue List: taken (the check mark goes while the watch holds
  // it), then saved (done: unchecked) or failed (checked again, for a later run). Held back
  // while a run of the window uses the Cue List.
  void WatchTook(const QStringList& sources);
  void WatchFinished(const QString& source, const QString& output, int status,
                     const QString& error);
  void ReplayWatchEvents();
  void ShowWatchMarks();
  // The Cue List entry of `path`; -1 when there is none.
  int CueIndexOf(const std::string& path);
  // Each path's first Cue List entry, for looking up many paths at once.
  std::unordered_map<std::string, int> CueIndexes();
  // What the watch did to each photo it took, shown in the Cue List.
  struct WatchMark {
    int state = 0;  // an ItemResult::Status, or kWatchWorking
    QString note;   // the output, or why it failed
  };
  bool WatchReady();

  // Hands the progress window each photo a run finishes (its picture, with several workers).
  struct FinishedPhotos : RunObserver {
    explicit FinishedPhotos(CMainWindow& w) : window(w) {}
    void ItemFinished(const ItemResult& result) override;
    CMainWindow& window;
  };

  std::string appFolder_;
  std::unique_ptr<CPrompts> prompts_;
  bool persist_;
  CEngine engine_;
  PageContext pageContext_;
  QString profileName_;
  std::string shownPath_;
  QSize detailView_;
  QSize paneSize_;
  CSettingsPages* settingsPages_ = nullptr;
  int waitCursor_ = 0;
  bool runInProgress_ = false;
  bool profileSaved_ = false;
  bool syncingCue_ = false;

  QListWidget* cueList_ = nullptr;
  QLabel* pane_ = nullptr;
  QLabel* infoSize_ = nullptr;
  QLabel* infoModel_ = nullptr;
  QLabel* infoShutter_ = nullptr;
  QLabel* infoFNumber_ = nullptr;
  QLabel* infoIso_ = nullptr;
  QLabel* infoFlash_ = nullptr;
  QLabel* infoFocus_ = nullptr;
  QLabel* advMarker_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  CModePage* modePage_ = nullptr;
  CFilesPage* filesPage_ = nullptr;
  CSizeQualityPage* sizePage_ = nullptr;
  COutputPage* outputPage_ = nullptr;
  std::array<CSettingsPage*, tabs::kCount> pages_{};  // the pages of tabs 0, 1, 7 and 9
  QPointer<CProgressWindow> progressWindow_;
  FinishedPhotos finishedPhotos_{*this};
  CWatchSwitch* watchSwitch_ = nullptr;
  std::map<std::string, WatchMark> watchMarks_;
  std::vector<std::function<void()>> heldWatchEvents_;
  bool closeAfterWatch_ = false;
};

}  // namespace orv::ui
