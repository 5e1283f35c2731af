// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/ModePages.h"

#include "ui/pages/TuningPage.h"

namespace orv::ui {

CModePages::CModePages(CTuningPage* basic, CTuningPage* advanced, QWidget* parent)
    : QStackedWidget(parent), basic_(basic), advanced_(advanced) {
  addWidget(basic_);
  addWidget(advanced_);
  for (CTuningPage* page : {basic_, advanced_}) {
    connect(page, &CTuningPage::changed, this, &CModePages::changed);
    connect(page, &CTuningPage::resetRequested, this, &CModePages::resetRequested);
  }
}

void CModePages::FollowMode(bool advanced) {
  CTuningPage* page = advanced ? advanced_ : basic_;
  page->LoadFromSettings();
  setCurrentWidget(page);
}

CTuningPage* CModePages::current() const {
  return static_cast<CTuningPage*>(currentWidget());
}

}  // namespace orv::ui
