#include "ui/SettingsPage.h"

namespace orv::ui {

CSettingsPage::CSettingsPage(PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}

CModeTab::CModeTab(CSettingsPage* basic, CSettingsPage* advanced, QWidget* parent)
    : QStackedWidget(parent), basic_(basic), advanced_(advanced) {
  addWidget(basic_);
  addWidget(advanced_);
}

void CModeTab::FollowMode(bool advanced) {
  setCurrentWidget(advanced ? advanced_ : basic_);
}

CSettingsPage* CModeTab::currentPage() const {
  return currentWidget() == advanced_ ? advanced_ : basic_;
}

}  // namespace orv::ui
