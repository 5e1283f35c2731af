// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How the Cue List draws a queued photo: its path elided in the middle of the folder part, so
// the file name always shows whole and entries of long, similar folders can be told apart.
#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

namespace orv::ui {

// `path` fitted into `width` pixels: whole when it fits, else the folder part shortened in its
// middle; the file name is cut only when it alone is wider than the room.
QString ElideCuePath(const QFontMetrics& metrics, const QString& path, int width);

class CCueItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // Items take the list's width, never their text's, so the list needs no horizontal scrolling.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace orv::ui
