// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CueItemDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

namespace orv::ui {

QString ElideCuePath(const QFontMetrics& metrics, const QString& path, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString name = path.mid(slash + 1);
  const int nameWidth = metrics.horizontalAdvance(name);
  if (slash < 0 || nameWidth >= width) return metrics.elidedText(name, Qt::ElideMiddle, width);
  const QString folder = path.left(slash + 1);
  return metrics.elidedText(folder, Qt::ElideMiddle, width - nameWidth) + name;
}

QSize CCueItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setWidth(0);
  return size;
}

void CCueItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->rect.isEmpty()) return;  // asked for a size, not drawing
  // The room the style leaves for the text beside the check box.
  const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
  const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, option, option->widget);
  const int margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr,
                                             option->widget) + 1);
  option->text = ElideCuePath(option->fontMetrics, option->text, text.width() - margin);
  option->textElideMode = Qt::ElideNone;
}

}  // namespace orv::ui
