// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/PageShot.h"

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QWidget>

namespace orv::ui {

bool RenderPagePng(QWidget* page, const QString& path, QSize size) {
  if (!page) return false;
  if (page->layout()) page->layout()->activate();
  if (!size.isValid() || size.isEmpty())
    size = page->sizeHint().expandedTo(page->minimumSizeHint());
  page->resize(size);
  // Lay the page out as a shown window would, without showing anything on screen.
  page->setAttribute(Qt::WA_DontShowOnScreen, true);
  page->show();
  QApplication::processEvents();
  QImage image(page->size() * 2, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2.0);
  image.fill(page->palette().window().color());
  QPainter painter(&image);
  page->render(&painter);
  painter.end();
  page->hide();
  return image.save(path, "PNG");
}

}  // namespace orv::ui
