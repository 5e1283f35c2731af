// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/ImageAfterView.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/pages/PreviewPanel.h"

namespace orv::ui {

CImageAfterView::CImageAfterView(CPreviewPanel* panel, Kind kind, QWidget* parent)
    : QWidget(parent), panel_(panel), kind_(kind) {
  setObjectName(kind == Kind::Detail ? "detailView" : "imageAfterView");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  if (kind == Kind::Detail) setCursor(Qt::OpenHandCursor);
  if (panel_) {
    // The views keep the size the previews are made for (the pane, or the detail crop).
    connect(panel_, &CPreviewPanel::previewsRefreshed, this, [this] {
      if (panel_ && minimumSize() != sizeHint()) setFixedSize(sizeHint());
      update();
    });
    connect(panel_, &CPreviewPanel::detailMoved, this, qOverload<>(&QWidget::update));
  }
}

QSize CImageAfterView::sizeHint() const {
  if (!panel_) return {300, 225};
  return kind_ == Kind::Detail ? panel_->detailSize() : panel_->paneSize();
}

void CImageAfterView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(58, 58, 58));
  const QImage* image = nullptr;
  if (panel_) image = kind_ == Kind::Detail ? &panel_->detail() : &panel_->after();
  if (!image || image->isNull()) {
    p.setPen(QColor(170, 170, 170));
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No image"));
    return;
  }
  // The detail view shows its crop 1:1 (centred, clipped by the view); the reduced picture is
  // fitted into the view when the view is the smaller one.
  QSize size = image->size();
  if (kind_ == Kind::Reduced && (size.width() > width() || size.height() > height()))
    size.scale(this->size(), Qt::KeepAspectRatio);
  QRect target(QPoint(0, 0), size);
  target.moveCenter(rect().center());
  p.setRenderHint(QPainter::SmoothPixmapTransform, size != image->size());
  p.drawImage(target, *image);
}

void CImageAfterView::mousePressEvent(QMouseEvent* event) {
  if (kind_ != Kind::Detail || !panel_ || event->button() != Qt::LeftButton) return;
  dragging_ = true;
  moved_ = false;
  pressPos_ = event->position().toPoint();
  pressOffset_ = panel_->detailOffset();
  setCursor(Qt::ClosedHandCursor);
}

void CImageAfterView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  // The picture follows the pointer: moving right shows what lies further left.
  QPoint delta = event->position().toPoint() - pressPos_;
  if (panel_->MoveDetail(pressOffset_ - panel_->DetailMovement(delta))) moved_ = true;
}

void CImageAfterView::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  setCursor(Qt::OpenHandCursor);
  // The crop shows plain while it moves; process it once it has come to rest.
  if (moved_) panel_->RefreshPreviews();
}

}  // namespace orv::ui
