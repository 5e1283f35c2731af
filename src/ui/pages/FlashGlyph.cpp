// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/FlashGlyph.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace orv::ui {

void DrawFlashGlyph(QPainter& p, const QRectF& rect, FlashGlyph glyph, bool enabled) {
  double s = std::min(rect.width(), rect.height());
  if (s <= 2) return;
  QRectF box(0, 0, s, s);
  box.moveCenter(rect.center());
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.translate(box.topLeft());
  p.scale(s / 16.0, s / 16.0);

  // A bolt in a 16 x 16 box: down from the upper right, a step to the left, down to a point.
  QPainterPath bolt;
  bolt.moveTo(9.5, 0.5);
  bolt.lineTo(3.0, 9.0);
  bolt.lineTo(7.5, 9.0);
  bolt.lineTo(5.5, 15.5);
  bolt.lineTo(13.0, 6.0);
  bolt.lineTo(8.5, 6.0);
  bolt.closeSubpath();
  QColor fill = enabled ? QColor(255, 196, 0) : QColor(200, 200, 200);
  QColor edge = enabled ? QColor(150, 95, 0) : QColor(140, 140, 140);
  p.setPen(QPen(edge, 1.0));
  p.setBrush(fill);
  p.drawPath(bolt);

  if (glyph == FlashGlyph::NoFlash) {
    QColor strike = enabled ? QColor(200, 30, 30) : QColor(120, 120, 120);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(strike, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(1.0, 1.0, 14.0, 14.0));
    p.drawLine(QPointF(3.3, 3.3), QPointF(12.7, 12.7));
  }
  p.restore();
}

}  // namespace orv::ui
