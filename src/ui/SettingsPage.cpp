#include "ui/SettingsPage.h"

namespace orv::ui {

CSettingsPage::CSettingsPage(PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}

}  // namespace orv::ui
