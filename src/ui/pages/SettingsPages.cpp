// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/SettingsPages.h"

#include "engine/Engine.h"
#include "ui/Tabs.h"
#include "stages/StampStage.h"
#include "ui/pages/BalancePage.h"
#include "ui/pages/ColorCastPage.h"
#include "ui/pages/CurveControl.h"
#include "ui/pages/DenoiserPage.h"
#include "ui/pages/DetailsPage.h"
#include "ui/pages/ExtraPage.h"
#include "ui/pages/HotPixelsPage.h"
#include "ui/pages/ModePages.h"
#include "ui/pages/PreviewPanel.h"

namespace orv::ui {

CSettingsPages::CSettingsPages(CEngine& engine, PageDialogs dialogs, QObject* parent)
    : QObject(parent), engine_(engine), dialogs_(std::move(dialogs)) {
  preview_ = new CPreviewPanel(engine, this);
  // Every preview run moves the curves' row markers and EXIF marks to the photo it ran on; the
  // controls repaint so the visible page follows a new selection at once.
  connect(preview_, &CPreviewPanel::previewsRefreshed, this, [this] {
    for (const QPointer<CModePages>& pages : modePages_)
      if (pages)
        for (CCurveControl* curve : pages->findChildren<CCurveControl*>()) curve->update();
  });
  Settings& s = engine.settings();
  CPreviewPanel* p = preview_;
  Adopt(new CModePages(new CBalancePage(s, false, p), new CBalancePage(s, true, p)),
        tabs::kBalance);
  Adopt(new CModePages(new CColorCastPage(s, false, p), new CColorCastPage(s, true, p)),
        tabs::kColorCast);
  Adopt(new CModePages(new CDetailsPage(s, false, p), new CDetailsPage(s, true, p)),
        tabs::kDetails);
  auto* hotBasic = new CHotPixelsPage(s, false, engine.blackFrame(), dialogs_, p);
  auto* hotAdvanced = new CHotPixelsPage(s, true, engine.blackFrame(), dialogs_, p);
  Adopt(new CModePages(hotBasic, hotAdvanced), tabs::kHotPixels);
  Adopt(new CModePages(new CDenoiserPage(s, false, p), new CDenoiserPage(s, true, p)),
        tabs::kDenoiser);
  extra_ = new CExtraPage(s, dialogs_);
  connect(extra_, &CTuningPage::changed, this, [this] {
    RefreshPreviews();
    emit changed();
  });
  connect(extra_, &CTuningPage::resetRequested, this, &CSettingsPages::resetRequested);
  // Both hot-pixel pages show the one frame the engine subtracts; a new frame changes the
  // previews but no setting.
  for (CHotPixelsPage* page : {hotBasic, hotAdvanced})
    connect(page, &CHotPixelsPage::blackFrameLoaded, this, [this, hotBasic, hotAdvanced] {
      hotBasic->ShowFrameSize();
      hotAdvanced->ShowFrameSize();
      RefreshPreviews();
    });
  LoadFromSettings();
}

CSettingsPages::~CSettingsPages() {
  for (const QPointer<CModePages>& pages : modePages_)
    if (pages && !pages->parentWidget()) delete pages.data();
  if (extra_ && !extra_->parentWidget()) delete extra_.data();
}

void CSettingsPages::Adopt(CModePages* pages, int tab) {
  modePages_[size_t(tab - tabs::kBalance)] = pages;
  connect(pages, &CModePages::changed, this, [this] {
    RefreshPreviews();
    emit changed();
  });
  connect(pages, &CModePages::resetRequested, this, &CSettingsPages::resetRequested);
}

QWidget* CSettingsPages::PageForTab(int tab) const {
  if (tab == tabs::kExtra) return extraPage();
  return modePages(tab);
}

CExtraPage* CSettingsPages::extraPage() const {
  return extra_;
}

CModePages* CSettingsPages::modePages(int tab) const {
  if (!tabs::FollowsMode(tab)) return nullptr;
  return modePages_[size_t(tab - tabs::kBalance)];
}

template <typename Page>
static Page* PageOf(CModePages* pages, bool advanced) {
  return static_cast<Page*>(advanced ? pages->advanced() : pages->basic());
}

CBalancePage* CSettingsPages::balancePage(bool advanced) const {
  return PageOf<CBalancePage>(modePages(tabs::kBalance), advanced);
}
CColorCastPage* CSettingsPages::colorCastPage(bool advanced) const {
  return PageOf<CColorCastPage>(modePages(tabs::kColorCast), advanced);
}
CDetailsPage* CSettingsPages::detailsPage(bool advanced) const {
  return PageOf<CDetailsPage>(modePages(tabs::kDetails), advanced);
}
CHotPixelsPage* CSettingsPages::hotPixelsPage(bool advanced) const {
  return PageOf<CHotPixelsPage>(modePages(tabs::kHotPixels), advanced);
}
CDenoiserPage* CSettingsPages::denoiserPage(bool advanced) const {
  return PageOf<CDenoiserPage>(modePages(tabs::kDenoiser), advanced);
}

void CSettingsPages::TabSelected(int tab) {
  if (CModePages* pages = modePages(tab)) pages->FollowMode(engine_.settings().IsAdvanced());
  if (tabs::HasDetailView(tab)) RefreshPreviews();
}

void CSettingsPages::LoadFromSettings() {
  bool advanced = engine_.settings().IsAdvanced();
  for (const QPointer<CModePages>& pages : modePages_) {
    pages->basic()->LoadFromSettings();
    pages->advanced()->LoadFromSettings();
    pages->FollowMode(advanced);
  }
  extra_->LoadFromSettings();
}

void CSettingsPages::CommitToSettings() {
  // By the mode, not by the page last shown: a tab not visited since a mode switch still shows
  // the other mode's page.
  bool advanced = engine_.settings().IsAdvanced();
  for (const QPointer<CModePages>& pages : modePages_)
    (advanced ? pages->advanced() : pages->basic())->CommitToSettings();
  extra_->CommitToSettings();
}

void CSettingsPages::ShowImage() {
  preview_->ShowPicture();
  extra_->SetSampleValues(StampValuesFrom(engine_.camera()));
}

void CSettingsPages::RefreshPreviews() {
  preview_->RefreshPreviews();
  if (preview_->hasPicture()) extra_->SetSampleValues(StampValuesFrom(engine_.camera()));
}

void CSettingsPages::ShowListedCamera(bool listed) {
  hotPixelsPage(true)->ShowListedCamera(listed);
}

}  // namespace orv::ui
