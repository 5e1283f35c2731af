// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PaintedIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace orv::ui {
namespace {

const QColor kInk(0x2b, 0x3a, 0x4f);
const QColor kAccent(0x1f, 0x7a, 0xd1);
const QColor kWarm(0xe0, 0x8a, 0x1e);

// An arrow head at `tip` pointing along `angleDeg` (0 = right, counter-clockwise positive, in
// screen terms with y down handled by the caller's angles).
void ArrowHead(QPainter& p, QPointF tip, qreal angleDeg, qreal size, const QColor& c) {
  qreal a = qDegreesToRadians(angleDeg);
  QPointF back(-qCos(a) * size, qSin(a) * size);
  QPointF side(-qSin(a) * size * 0.6, -qCos(a) * size * 0.6);
  QPolygonF head{tip, tip + back + side, tip + back - side};
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(head);
}

// A circular arrow around the centre; start and span in Qt's degrees (counter-clockwise).
void CircularArrow(QPainter& p, QRectF r, qreal startDeg, qreal spanDeg, const QColor& c) {
  qreal w = r.width() * 0.11;
  QRectF ring = r.adjusted(r.width() * 0.2, r.height() * 0.2, -r.width() * 0.2, -r.height() * 0.2);
  p.setPen(QPen(c, w, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(ring, int(startDeg * 16), int(spanDeg * 16));
  qreal end = qDegreesToRadians(startDeg + spanDeg);
  QPointF centre = ring.center();
  QPointF tipBase(centre.x() + qCos(end) * ring.width() / 2,
                  centre.y() - qSin(end) * ring.height() / 2);
  // The head points along the tangent in the direction of travel.
  qreal tangent = startDeg + spanDeg + (spanDeg > 0 ? 90 : -90);
  qreal len = r.width() * 0.2;
  QPointF tip = tipBase + QPointF(qCos(qDegreesToRadians(tangent)) * len * 0.5,
                                  -qSin(qDegreesToRadians(tangent)) * len * 0.5);
  ArrowHead(p, tip, tangent, len, c);
}

void DrawPicture(QPainter& p, QRectF r) {
  // A small photograph: frame, sky and a mountain, used under the rotation arrows.
  QRectF photo =
      r.adjusted(r.width() * 0.32, r.height() * 0.36, -r.width() * 0.32, -r.height() * 0.36);
  p.setPen(QPen(kInk, r.width() * 0.04));
  p.setBrush(QColor(0xdd, 0xea, 0xf7));
  p.drawRect(photo);
  QPolygonF hill{photo.bottomLeft(),
                 QPointF(photo.left() + photo.width() * 0.45, photo.top() + photo.height() * 0.35),
                 photo.bottomRight()};
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x4c, 0x9a, 0x5b));
  p.drawPolygon(hill);
}

void Draw(IconKind kind, QPainter& p, QRectF r) {
  p.setRenderHint(QPainter::Antialiasing);
  qreal s = r.width();
  switch (kind) {
    case IconKind::LoadSettings:
    case IconKind::SaveSettings: {
      // A document with a sliders motif and an arrow out of it (load) or into it (save).
      QRectF doc(r.left() + s * 0.18, r.top() + s * 0.08, s * 0.5, s * 0.66);
      p.setPen(QPen(kInk, s * 0.05));
      p.setBrush(Qt::white);
      p.drawRoundedRect(doc, s * 0.05, s * 0.05);
      p.setPen(QPen(kInk, s * 0.04, Qt::SolidLine, Qt::RoundCap));
      for (int i = 0; i < 3; ++i) {
        qreal y = doc.top() + doc.height() * (0.25 + 0.25 * i);
        p.drawLine(QPointF(doc.left() + doc.width() * 0.18, y),
                   QPointF(doc.right() - doc.width() * 0.18, y));
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(doc.left() + doc.width() * (0.3 + 0.2 * i), y), s * 0.045, s * 0.045);
      }
      bool load = kind == IconKind::LoadSettings;
      QPointF from(r.left() + s * 0.74, r.top() + s * (load ? 0.58 : 0.92));
      QPointF to(r.left() + s * 0.74, r.top() + s * (load ? 0.92 : 0.58));
      QColor c = load ? kAccent : QColor(0x2e, 0x9d, 0x4f);
      p.setPen(QPen(c, s * 0.09, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(from, to - QPointF(0, (load ? 1 : -1) * s * 0.12));
      ArrowHead(p, to, load ? -90 : 90, s * 0.2, c);
      break;
    }
    case IconKind::Exit: {
      // An open door with an arrow leaving it.
      QRectF frame(r.left() + s * 0.15, r.top() + s * 0.1, s * 0.42, s * 0.8);
      p.setPen(QPen(kInk, s * 0.06));
      p.setBrush(Qt::NoBrush);
      p.drawRect(frame);
      QPolygonF door{frame.topLeft(),
                     QPointF(frame.left() + frame.width() * 0.6, frame.top() + s * 0.08),
                     QPointF(frame.left() + frame.width() * 0.6, frame.bottom() + s * 0.02),
                     frame.bottomLeft()};
      p.setBrush(QColor(0xc8, 0x5a, 0x3c));
      p.drawPolygon(door);
      QColor c(0xc0, 0x39, 0x2b);
      p.setPen(QPen(c, s * 0.09, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(QPointF(r.left() + s * 0.5, r.center().y()),
                 QPointF(r.left() + s * 0.75, r.center().y()));
      ArrowHead(p, QPointF(r.left() + s * 0.95, r.center().y()), 0, s * 0.22, c);
      break;
    }
    case IconKind::Help: {
      p.setPen(Qt::NoPen);
      p.setBrush(kAccent);
      p.drawEllipse(r.adjusted(s * 0.08, s * 0.08, -s * 0.08, -s * 0.08));
      QFont f;
      f.setBold(true);
      f.setPixelSize(qMax(1, int(s * 0.6)));
      p.setFont(f);
      p.setPen(Qt::white);
      p.drawText(r, Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
    case IconKind::RotateClockwise:
      DrawPicture(p, r);
      CircularArrow(p, r, 150, -240, kAccent);
      break;
    case IconKind::RotateCounterClockwise:
      DrawPicture(p, r);
      CircularArrow(p, r, 30, 240, kAccent);
      break;
    case IconKind::RotateHalfTurn:
      DrawPicture(p, r);
      CircularArrow(p, r, 180, -180, kWarm);
      CircularArrow(p, r, 0, -180, kWarm);
      break;
    case IconKind::SizeLimit:
    case IconKind::SizeMatch: {
      // A file with a gauge: a ceiling bar (limit) or two equal bars (match).
      QRectF doc(r.left() + s * 0.2, r.top() + s * 0.08, s * 0.6, s * 0.84);
      p.setPen(QPen(kInk, s * 0.05));
      p.setBrush(Qt::white);
      p.drawRoundedRect(doc, s * 0.06, s * 0.06);
      p.setPen(Qt::NoPen);
      if (kind == IconKind::SizeLimit) {
        p.setBrush(kWarm);
        p.drawRect(QRectF(doc.left() + doc.width() * 0.15, doc.top() + doc.height() * 0.2,
                          doc.width() * 0.7, s * 0.07));
        p.setBrush(kAccent);
        p.drawRect(QRectF(doc.left() + doc.width() * 0.3, doc.top() + doc.height() * 0.42,
                          doc.width() * 0.4, doc.height() * 0.45));
      } else {
        p.setBrush(kAccent);
        p.drawRect(QRectF(doc.left() + doc.width() * 0.15, doc.top() + doc.height() * 0.3,
                          doc.width() * 0.3, doc.height() * 0.57));
        p.setBrush(QColor(0x2e, 0x9d, 0x4f));
        p.drawRect(QRectF(doc.left() + doc.width() * 0.55, doc.top() + doc.height() * 0.3,
                          doc.width() * 0.3, doc.height() * 0.57));
      }
      break;
    }
    case IconKind::AppWindow: {
      // A lens-like ring over a sunrise: the product's mark.
      p.setPen(Qt::NoPen);
      QLinearGradient sky(r.topLeft(), r.bottomLeft());
      sky.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
      sky.setColorAt(1, QColor(0xf0, 0xa8, 0x30));
      p.setBrush(sky);
      p.drawRoundedRect(r.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.04), s * 0.18, s * 0.18);
      p.setBrush(QColor(0xff, 0xe0, 0x80));
      p.drawEllipse(QPointF(r.center().x(), r.top() + s * 0.62), s * 0.2, s * 0.2);
      p.setPen(QPen(Qt::white, s * 0.07));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(r.center(), s * 0.33, s * 0.33);
      break;
    }
  }
}

class PaintedIconEngine : public QIconEngine {
 public:
  explicit PaintedIconEngine(IconKind kind) : kind_(kind) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    // Square drawing area centred in the rectangle.
    int side = qMin(rect.width(), rect.height());
    QRectF square(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0,
                  side, side);
    if (mode == QIcon::Disabled) painter->setOpacity(0.35);
    Draw(kind_, *painter, square);
    painter->restore();
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    QPixmap pm = pixmap(size * scale, mode, state);
    pm.setDevicePixelRatio(scale);
    return pm;
  }

  QIconEngine* clone() const override { return new PaintedIconEngine(kind_); }

 private:
  IconKind kind_;
};

}  // namespace

QIcon PaintedIcon(IconKind kind) {
  return QIcon(new PaintedIconEngine(kind));
}

}  // namespace orv::ui
