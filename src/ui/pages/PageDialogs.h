// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs a settings page may open, as replaceable callbacks: the main window passes the
// Qt dialogs (or its host's question), the tests pass answers, so nothing ever blocks offscreen.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace orv::ui {

struct PageDialogs {
  // An open-file dialog: title, starting folder, Qt name filter. Empty when cancelled.
  std::function<QString(const QString& title, const QString& folder, const QString& filter)>
      openFile;
  // A Yes/No question; true only for Yes.
  std::function<bool(const QString& question)> askYesNo;
  // A colour picker preset with the current colour; empty when cancelled.
  std::function<std::optional<QColor>(const QColor& initial, const QString& title)> pickColour;
  // A font chooser preset with the current font; empty when cancelled.
  std::function<std::optional<QFont>(const QFont& initial)> pickFont;
};

// The Qt dialogs, parented to `parent`.
PageDialogs QtPageDialogs(QWidget* parent);

}  // namespace orv::ui
