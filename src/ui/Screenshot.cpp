// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Screenshot.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>

#include "platform/AppFolder.h"
#include "ui/MainWindow.h"

namespace orv::ui {

bool SaveWindowScreenshot(CMainWindow& window, const QString& file, int tab, const QString& image,
                          QString& error) {
  window.show();
  QCoreApplication::processEvents();
  if (!image.isEmpty()) {
    if (!QFileInfo(image).isFile()) {
      error = QStringLiteral("no such image: ") + image;
      return false;
    }
    window.AddDroppedPaths({image});
    int row = window.cueList()->count() - 1;
    if (row < 0) {
      error = QStringLiteral("the queue does not take ") + image;
      return false;
    }
    window.SelectCueIndex(row);
  }
  window.SelectTab(tab);
  QCoreApplication::processEvents();
  QPixmap shot = window.grab();
  if (!shot.save(file, "PNG")) {
    error = QStringLiteral("cannot write ") + file;
    return false;
  }
  return true;
}

}  // namespace orv::ui
