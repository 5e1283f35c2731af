#include "ui/pages/ModePages.h"

#include "ui/pages/SettingsPage.h"

namespace orv::ui {

CModePages::CModePages(CSettingsPage* basic, CSettingsPage* advanced, QWidget* parent)
    : QStackedWidget(parent), basic_(basic), advanced_(advanced) {
  addWidget(basic_);
  addWidget(advanced_);
  for (CSettingsPage* page : {basic_, advanced_}) {
    connect(page, &CSettingsPage::changed, this, &CModePages::changed);
    connect(page, &CSettingsPage::resetRequested, this, &CModePages::resetRequested);
  }
}

void CModePages::FollowMode(bool advanced) {
  CSettingsPage* page = advanced ? advanced_ : basic_;
  page->LoadFromSettings();
  setCurrentWidget(page);
}

CSettingsPage* CModePages::current() const {
  return static_cast<CSettingsPage*>(currentWidget());
}

}  // namespace orv::ui
