// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/CurveControl.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/pages/FlashGlyph.h"

namespace orv::ui {
namespace {

constexpr int kMargin = 4;
constexpr int kExifWidth = 30;
constexpr int kArrowWidth = 10;
constexpr int kValueWidth = 32;
constexpr int kMinBarWidth = 80;
constexpr int kRowPitch = 18;

QFont SmallFont(const QFont& base) {
  QFont f = base;
  f.setPixelSize(11);
  return f;
}

// Colours of the enabled and the disabled (grey) control.
struct Palette {
  QColor text, dim, bar, barEdge, line, arrow, yes, no, frame, background;
};

Palette Colours(bool enabled) {
  if (enabled)
    return {QColor(30, 30, 30),    QColor(110, 110, 110), QColor(88, 140, 214),
            QColor(44, 92, 160),   QColor(214, 84, 40),   QColor(40, 40, 40),
            QColor(180, 230, 170), QColor(255, 214, 150), QColor(170, 170, 170),
            QColor(252, 252, 250)};
  return {QColor(150, 150, 150), QColor(170, 170, 170), QColor(205, 205, 205),
          QColor(175, 175, 175), QColor(175, 175, 175), QColor(170, 170, 170),
          QColor(225, 225, 225), QColor(225, 225, 225), QColor(200, 200, 200),
          QColor(244, 244, 244)};
}

}  // namespace

CCurveControl::CCurveControl(Curve& curve, QWidget* parent) : QWidget(parent), curve_(curve) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFocusPolicy(Qt::ClickFocus);
  SyncEnabled();
}

void CCurveControl::SyncEnabled() {
  if (!curve_.Enabled()) {
    drag_ = Drag::None;
    CloseEditor(false);
  }
  update();
}

QSize CCurveControl::sizeHint() const {
  int n = curve_.PointCount();
  int title = QFontMetrics(SmallFont(font())).height() + 6;
  int rows = n > 1 ? n * kRowPitch : 22;
  return {kMargin * 2 + kExifWidth + kArrowWidth + 44 + 200 + kValueWidth,
          kMargin * 2 + title + rows};
}

QSize CCurveControl::minimumSizeHint() const {
  QSize s = sizeHint();
  s.setWidth(kMargin * 2 + kExifWidth + kArrowWidth + 30 + kMinBarWidth + kValueWidth);
  return s;
}

bool CCurveControl::IsFlashRow(int row) const {
  return curve_.FlashRow() && row == curve_.PointCount() - 1;
}

QRect CCurveControl::ExifColumnRect() const {
  int top = kMargin + QFontMetrics(SmallFont(font())).height() + 6;
  if (!ShowsExifColumn()) return QRect(kMargin, top, 0, height() - kMargin - top);
  return QRect(kMargin, top, kExifWidth, height() - kMargin - top);
}

QRect CCurveControl::BarAreaRect() const {
  QRect exif = ExifColumnRect();
  int labelWidth = 0;
  if (curve_.PointCount() > 1) {
    QFontMetrics fm(SmallFont(font()));
    labelWidth = 28;
    for (int i = 0; i < curve_.PointCount(); ++i)
      labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::fromStdString(
                                            curve_.Label(i).empty() ? "0000" : curve_.Label(i))) +
                                            8);
  }
  int left = exif.right() + 1 + kArrowWidth + labelWidth + 4;
  int right = width() - kMargin - kValueWidth - 4;
  return QRect(left, exif.top(), std::max(1, right - left), exif.height());
}

double CCurveControl::RowPitch() const {
  return double(ExifColumnRect().height()) / std::max(1, curve_.PointCount());
}

int CCurveControl::RowCentre(int row) const {
  return ExifColumnRect().top() + int(RowPitch() * row + RowPitch() / 2);
}

int CCurveControl::ValueX(int value) const {
  QRect bar = BarAreaRect();
  // The smallest x whose value (truncated) is `value`, so that a press there gives it back.
  return bar.left() + int(std::ceil(value * double(bar.width()) / 255.0));
}

int CCurveControl::ExifRowAt(int y) const {
  double row = (y - ExifColumnRect().top()) / RowPitch();
  return std::clamp(int(std::floor(row)), 0, curve_.PointCount() - 1);
}

int CCurveControl::NearestRowAt(int y) const {
  // Rows are centred half a pitch below the top of their band: the nearest centre wins.
  double top = ExifColumnRect().top() + RowPitch() / 2;
  double row = (y + RowPitch() / 2 - top) / RowPitch();
  return std::clamp(int(std::floor(row)), 0, curve_.PointCount() - 1);
}

int CCurveControl::ValueAt(int x) const {
  QRect bar = BarAreaRect();
  double v = (x - bar.left()) / (double(bar.width()) / 255.0);
  int value = std::clamp(int(v), 0, 255);  // truncated toward zero, then clamped
  if (curve_.Levels() > 0) {
    // Snap down to the values that mark the output levels.
    int step = 255 / std::max(1, curve_.Levels() - 1);
    if (step > 0) value = value / step * step;
  }
  return value;
}

void CCurveControl::SetNoExifFromPointer(int y) {
  int row = ExifRowAt(y);
  if (row == curve_.NoExifIndex()) return;
  curve_.SetNoExifIndex(row);
  update();
}

void CCurveControl::SetValueFromPointer(int x) {
  int value = ValueAt(x);
  if (value == curve_.GetPoint(dragRow_)) return;
  curve_.SetPoint(dragRow_, value);
  update();
}

void CCurveControl::mousePressEvent(QMouseEvent* event) {
  if (!curve_.Enabled() || event->button() != Qt::LeftButton)
    return QWidget::mousePressEvent(event);
  if (edit_) CloseEditor(true);
  QPoint pos = event->position().toPoint();
  QRect exif = ExifColumnRect();
  QRect bar = BarAreaRect();
  if (ShowsExifColumn() && pos.x() >= exif.left() && pos.x() <= exif.right()) {
    drag_ = Drag::Exif;
    SetNoExifFromPointer(pos.y());
    emit valueChanging();
  } else if (pos.x() >= bar.left() - 3 && pos.x() <= bar.right() + 3 && pos.y() >= bar.top()) {
    drag_ = Drag::Bar;
    dragRow_ = NearestRowAt(pos.y());
    SetValueFromPointer(pos.x());
    emit valueChanging();
  }
}

void CCurveControl::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == Drag::None || !curve_.Enabled()) return QWidget::mouseMoveEvent(event);
  QPoint pos = event->position().toPoint();
  // A drag keeps working on what it started with: the no-EXIF line, or the same row.
  if (drag_ == Drag::Exif)
    SetNoExifFromPointer(pos.y());
  else
    SetValueFromPointer(pos.x());
  emit valueChanging();
}

void CCurveControl::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ == Drag::None || event->button() != Qt::LeftButton)
    return QWidget::mouseReleaseEvent(event);
  drag_ = Drag::None;
  emit valueChanged();
}

void CCurveControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!curve_.Enabled() || event->button() != Qt::LeftButton) return;
  if (drag_ != Drag::None) {
    // The first click's drag ends here when no release came between the clicks.
    drag_ = Drag::None;
    emit valueChanged();
  }
  QPoint pos = event->position().toPoint();
  QRect exif = ExifColumnRect();
  if (ShowsExifColumn() && pos.x() <= exif.right()) return;
  if (pos.y() < exif.top()) return;
  OpenEditor(NearestRowAt(pos.y()));
}

void CCurveControl::OpenEditor(int row) {
  CloseEditor(true);
  editRow_ = row;
  edit_ = new QLineEdit(this);
  edit_->setObjectName("curveValueEdit");
  edit_->setMaxLength(3);
  edit_->setFont(SmallFont(font()));
  edit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  edit_->setText(QString::number(curve_.GetPoint(row)));
  // While typing, numbers beyond the range are replaced by its ends.
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    bool ok = false;
    int v = text.toInt(&ok);
    if (!ok || !edit_) return;
    if (v > 255)
      edit_->setText("255");
    else if (v < 0)
      edit_->setText("0");
  });
  edit_->installEventFilter(this);
  PlaceEditor();
  edit_->show();
  edit_->selectAll();
  edit_->setFocus(Qt::MouseFocusReason);
}

void CCurveControl::PlaceEditor() {
  if (!edit_) return;
  int h = std::max(18, std::min(22, int(RowPitch())));
  int w = kValueWidth + 8;
  edit_->setGeometry(width() - kMargin - w, RowCentre(editRow_) - h / 2, w, h);
}

void CCurveControl::CloseEditor(bool store) {
  if (!edit_ || closingEditor_) return;
  closingEditor_ = true;
  QLineEdit* e = edit_;
  edit_ = nullptr;
  bool changed = false;
  if (store) {
    bool ok = false;
    int v = e->text().toInt(&ok);
    if (ok) {
      v = std::clamp(v, 0, 255);
      if (v != curve_.GetPoint(editRow_)) {
        curve_.SetPoint(editRow_, v);
        changed = true;
      }
    }
  }
  e->removeEventFilter(this);
  e->hide();
  e->deleteLater();
  closingEditor_ = false;
  update();
  if (changed) emit valueChanged();
}

bool CCurveControl::eventFilter(QObject* watched, QEvent* event) {
  if (edit_ && watched == edit_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) {
        CloseEditor(false);
        return true;
      }
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        CloseEditor(true);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      CloseEditor(true);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CCurveControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceEditor();
}

void CCurveControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  bool enabled = curve_.Enabled() && isEnabled();
  Palette c = Colours(enabled);
  QFont font = SmallFont(this->font());
  QFont bold = font;
  bold.setBold(true);
  QFontMetrics fm(font);

  p.setPen(c.frame);
  p.setBrush(c.background);
  p.drawRect(rect().adjusted(0, 0, -1, -1));

  const int n = curve_.PointCount();
  QRect exif = ExifColumnRect();
  QRect bar = BarAreaRect();
  double pitch = RowPitch();

  // Titles: the curve's own name, then the axis it is laid over.
  QRect titleRect(kMargin, kMargin, width() - 2 * kMargin, exif.top() - kMargin - 2);
  int titleLeft = ShowsExifColumn() ? exif.right() + 1 + kArrowWidth : kMargin + 2;
  p.setFont(bold);
  p.setPen(c.text);
  QString curveTitle = QString::fromStdString(curve_.CurveTitle());
  p.drawText(QRect(titleLeft, titleRect.top(), titleRect.width(), titleRect.height()),
             Qt::AlignLeft | Qt::AlignVCenter, curveTitle);
  p.setFont(font);
  if (!curve_.AxisTitle().empty()) {
    p.setPen(c.dim);
    p.drawText(titleRect.adjusted(0, 0, -kValueWidth - 4, 0), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(curve_.AxisTitle()));
  }
  if (ShowsExifColumn()) {
    p.setPen(c.dim);
    p.drawText(QRect(exif.left(), titleRect.top(), exif.width(), titleRect.height()),
               Qt::AlignCenter, "EXIF");
  }

  // Level marks: the values a level curve snaps to.
  if (curve_.Levels() > 1) {
    int step = 255 / (curve_.Levels() - 1);
    p.setPen(QPen(c.frame, 1, Qt::DotLine));
    for (int v = step; v < 255; v += step)
      p.drawLine(ValueX(v), bar.top(), ValueX(v), bar.bottom());
  }
  p.setPen(QPen(c.frame, 1));
  p.drawLine(bar.left(), bar.top(), bar.left(), bar.bottom());

  // The flash row is set apart from the rows laid over the exposure axis.
  if (curve_.FlashRow() && n > 1) {
    int y = int(exif.top() + pitch * (n - 1));
    p.setPen(QPen(c.frame, 1, Qt::DashLine));
    p.drawLine(exif.right() + 1, y, width() - kMargin, y);
  }

  int barHeight = std::clamp(int(pitch * 0.5), 4, 10);
  for (int row = 0; row < n; ++row) {
    int cy = RowCentre(row);
    int value = curve_.GetPoint(row);
    // Label: text, a flash picture, or the axis value.
    if (n > 1) {
      QRect labelRect(exif.right() + 1 + kArrowWidth, int(exif.top() + pitch * row),
                      bar.left() - 4 - (exif.right() + 1 + kArrowWidth), int(pitch));
      const std::string& label = curve_.Label(row);
      if (label == "Flash" || label == "NoFlash") {
        QRectF glyph(labelRect.left(), labelRect.top() + 1, std::min(labelRect.width(), 16),
                     labelRect.height() - 2);
        DrawFlashGlyph(p, glyph, label == "Flash" ? FlashGlyph::Flash : FlashGlyph::NoFlash,
                       enabled);
      } else {
        QString text;
        if (!label.empty())
          text = QString::fromStdString(label);
        else if (curve_.Discrete())
          text = row == 0 ? "NO" : "YES";
        else {
          char buf[32];
          std::snprintf(buf, sizeof buf, "%g", curve_.PointX(row));
          text = buf;
        }
        p.setPen(c.text);
        p.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter, text);
      }
    }
    // Bar and number.
    QRect barRect(bar.left(), cy - barHeight / 2, ValueX(value) - bar.left(), barHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(c.bar);
    p.drawRect(barRect);
    p.setPen(c.barEdge);
    p.drawLine(barRect.right(), barRect.top(), barRect.right(), barRect.bottom());
    int shown = curve_.Centered() ? value - 127 : value;
    p.setPen(c.text);
    p.drawText(
        QRect(width() - kMargin - kValueWidth, cy - fm.height() / 2, kValueWidth, fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, QString::number(shown));
  }

  // The line through the ends of the bars, leaving out the flash row.
  if (n > 1) {
    int joined = curve_.FlashRow() ? n - 1 : n;
    QPainterPath path;
    for (int row = 0; row < joined; ++row) {
      QPointF pt(ValueX(curve_.GetPoint(row)), RowCentre(row));
      if (row == 0)
        path.moveTo(pt);
      else
        path.lineTo(pt);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.line, 1.6));
    p.drawPath(path);
    p.setBrush(c.line);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < n; ++row)
      p.drawEllipse(QPointF(ValueX(curve_.GetPoint(row)), RowCentre(row)), 2.2, 2.2);
    p.setRenderHint(QPainter::Antialiasing, false);
  }

  if (!ShowsExifColumn()) return;

  // EXIF column: "Yes" and "No", the one of the last lookup highlighted, and the line from "No"
  // to the row used without EXIF data.
  int wordHeight = fm.height() + 2;
  QRect yesRect(exif.left() + 1, exif.top() + 1, exif.width() - 4, wordHeight);
  QRect noRect(exif.left() + 1, yesRect.bottom() + 2, exif.width() - 4, wordHeight);
  p.setPen(Qt::NoPen);
  p.setBrush(curve_.HasExif() ? c.yes : c.no);
  p.drawRoundedRect(curve_.HasExif() ? yesRect : noRect, 3, 3);
  p.setPen(c.text);
  p.drawText(yesRect, Qt::AlignCenter, "Yes");
  p.drawText(noRect, Qt::AlignCenter, "No");
  int noRow = curve_.NoExifIndex();
  if (noRow >= 0 && noRow < n) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(c.line, 1.2));
    QPointF from(noRect.right() + 1, noRect.center().y());
    QPointF to(exif.right() + kArrowWidth - 1, RowCentre(noRow));
    p.drawLine(from, QPointF(exif.right() - 2, to.y()));
    p.drawLine(QPointF(exif.right() - 2, to.y()), to);
    p.setRenderHint(QPainter::Antialiasing, false);
  }

  // Arrow at the row the last lookup used (its marker with EXIF data, else the no-EXIF row).
  int arrowRow = curve_.HasExif() ? curve_.MarkerIndex() : noRow;
  if (arrowRow >= 0 && arrowRow < n) {
    int cy = RowCentre(arrowRow);
    int ax = exif.right() + 2;
    QPolygon arrow;
    arrow << QPoint(ax, cy - 4) << QPoint(ax + 6, cy) << QPoint(ax, cy + 4);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(c.arrow);
    p.drawPolygon(arrow);
  }
}

}  // namespace orv::ui
