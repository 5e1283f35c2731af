// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CSettingsPages: every settings page of tabs 2 to 6 and 8 with the previews they share, ready
// to be placed into the main window's tabs. It turns the pages' notices into preview refreshes
// and hands the main window one changed() (mark the profile) and one resetRequested().
#pragma once

#include <QObject>
#include <QPointer>

#include <array>

#include "ui/Tabs.h"
#include "ui/pages/PageDialogs.h"

namespace orv {
class CEngine;
}

namespace orv::ui {

class CBalancePage;
class CColorCastPage;
class CDetailsPage;
class CDenoiserPage;
class CExtraPage;
class CHotPixelsPage;
class CModePages;
class CPreviewPanel;
class CTuningPage;

class CSettingsPages : public QObject {
  Q_OBJECT

 public:
  CSettingsPages(CEngine& engine, PageDialogs dialogs, QObject* parent = nullptr);
  // Deletes the pages that were never placed into a window.
  ~CSettingsPages() override;

  // The widget of a tab: a CModePages for tabs 2 to 6, the Extra page for tab 8, else null.
  QWidget* PageForTab(int tab) const;
  CModePages* modePages(int tab) const;
  CExtraPage* extraPage() const;
  CPreviewPanel& preview() { return *preview_; }

  // The pages of each tab, by mode.
  CBalancePage* balancePage(bool advanced) const;
  CColorCastPage* colorCastPage(bool advanced) const;
  CDetailsPage* detailsPage(bool advanced) const;
  CHotPixelsPage* hotPixelsPage(bool advanced) const;
  CDenoiserPage* denoiserPage(bool advanced) const;

  // The main window selected a tab (after the tab control switched): tabs 2 to 6 show the page
  // of the current mode, and tabs 4 to 6 refresh the previews for their detail view.
  void TabSelected(int tab);
  // Every page from the model (after a profile load or a reset), each tab on its mode's page.
  void LoadFromSettings();
  // The commit a pipeline call starts with: the pages of the current mode, then the Extra page.
  void CommitToSettings();
  // After the engine loaded a photograph: reduce it, cut the centred crop, refresh.
  void ShowImage();
  // Runs the pipeline in preview mode and takes the photograph's camera values over to the
  // stamp preview.
  void RefreshPreviews();
  // The engine's host call: the hot-pixel page's picture of a listed camera.
  void ShowListedCamera(bool listed);

 signals:
  // A setting was changed on a page; the previews are already refreshed. The main window marks
  // the profile name as modified.
  void changed();
  // "Reset to Default" on any page: the main window asks and reloads the defaults.
  void resetRequested();

 private:
  void Adopt(CModePages* pages, int tab);

  CEngine& engine_;
  PageDialogs dialogs_;
  CPreviewPanel* preview_;
  std::array<QPointer<CModePages>, tabs::kDenoiser - tabs::kBalance + 1> modePages_;
  QPointer<CExtraPage> extra_;
};

}  // namespace orv::ui
