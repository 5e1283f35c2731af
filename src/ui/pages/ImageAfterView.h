// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CImageAfterView: one "Image After" view of a settings page. It shows the processed reduced
// picture of the preview panel, or (on the detail pages) the 1:1 crop, which the user drags with
// the mouse to look at another part of the photograph.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include "ui/pages/PreviewPanel.h"

namespace orv::ui {

class CImageAfterView : public QWidget {
  Q_OBJECT

 public:
  enum class Kind { Reduced, Detail };

  CImageAfterView(CPreviewPanel* panel, Kind kind, QWidget* parent = nullptr);

  Kind kind() const { return kind_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPointer<CPreviewPanel> panel_;  // may go before the view when the window closes
  Kind kind_;
  bool dragging_ = false;
  bool moved_ = false;
  QPoint pressPos_;
  QPoint pressOffset_;
};

}  // namespace orv::ui
