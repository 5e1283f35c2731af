// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Renders one page widget into a PNG without a main window: for documentation screenshots and
// for looking at a page's layout in tests.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace orv::ui {

// Lays the widget out at `size` (its size hint when empty), renders it offscreen and writes a
// PNG. True when the file was written.
bool RenderPagePng(QWidget* page, const QString& path, QSize size = {});

}  // namespace orv::ui
