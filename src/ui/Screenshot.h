// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the main window into a PNG file, for the documentation and for checking the layout
// without a display.
#pragma once

#include <QString>

namespace orv::ui {

class CMainWindow;

// Queues and shows `image` (when given), selects `tab`, lays the window out and saves it.
bool SaveWindowScreenshot(CMainWindow& window, const QString& file, int tab, const QString& image,
                          QString& error);

}  // namespace orv::ui
