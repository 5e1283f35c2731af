// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/PageDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPointer>

namespace orv::ui {

PageDialogs QtPageDialogs(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  PageDialogs d;
  d.openFile = [owner](const QString& title, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, folder, filter);
  };
  d.askYesNo = [owner](const QString& question) {
    return QMessageBox::question(owner, QStringLiteral("ORV Lumitra"), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  d.pickColour = [owner](const QColor& initial, const QString& title) -> std::optional<QColor> {
    QColor c = QColorDialog::getColor(initial, owner, title);
    if (!c.isValid()) return std::nullopt;
    return c;
  };
  d.pickFont = [owner](const QFont& initial) -> std::optional<QFont> {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial, owner, QStringLiteral("Font"));
    if (!ok) return std::nullopt;
    return f;
  };
  return d;
}

}  // namespace orv::ui
