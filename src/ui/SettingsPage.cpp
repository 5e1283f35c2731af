// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsPage.h"

namespace orv::ui {

CSettingsPage::CSettingsPage(PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}

}  // namespace orv::ui
