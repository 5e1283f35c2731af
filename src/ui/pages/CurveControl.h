// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CCurveControl: the editing control of one stage curve. One horizontal row per point with its
// label, a bar as long as the value and the value as a number; a narrow "EXIF" column on the
// left picks the point used for photographs without EXIF data. The user drags bars and the
// no-EXIF line, or double-clicks a row to type a value.
#pragma once

#include <QWidget>

#include "settings/Curve.h"

class QLineEdit;

namespace orv::ui {

class CCurveControl : public QWidget {
  Q_OBJECT

 public:
  explicit CCurveControl(Curve& curve, QWidget* parent = nullptr);

  Curve& curve() { return curve_; }
  // Follows the curve's Enabled flag (the stage switch): redraws, and the mouse is ignored
  // while it is off. Call after changing the flag.
  void SyncEnabled();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The rectangles of the layout, for drawing and for the tests that aim the pointer.
  QRect ExifColumnRect() const;
  QRect BarAreaRect() const;
  // The vertical centre of a row.
  int RowCentre(int row) const;
  // The x of a value on the bar area.
  int ValueX(int value) const;
  // The open edit field of a double-click, or null.
  QLineEdit* editField() const { return edit_; }

 signals:
  // A value or the no-EXIF row is being dragged (sent at every move).
  void valueChanging();
  // A drag ended, or an edited value was stored.
  void valueChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class Drag { None, Exif, Bar };

  bool ShowsExifColumn() const { return curve_.PointCount() > 1; }
  bool IsFlashRow(int row) const;
  double RowPitch() const;
  int ExifRowAt(int y) const;
  int NearestRowAt(int y) const;
  int ValueAt(int x) const;
  void SetNoExifFromPointer(int y);
  void SetValueFromPointer(int x);
  void OpenEditor(int row);
  // Stores the edit field's number when it differs (and sends the change notice), then closes.
  void CloseEditor(bool store);
  void PlaceEditor();

  Curve& curve_;
  Drag drag_ = Drag::None;
  int dragRow_ = 0;
  QLineEdit* edit_ = nullptr;
  int editRow_ = -1;
  bool closingEditor_ = false;
};

}  // namespace orv::ui
