// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/DisplayOrientation.h"

#include <QImageReader>
#include <QTransform>

namespace orv::ui {

DisplayTurn ReadDisplayTurn(const QString& path) {
  QImageReader reader(path);
  // Only JPEG: the other decoders either turn the pixels themselves or carry no tag Qt reads.
  if (reader.format() != "jpeg") return QImageIOHandler::TransformationNone;
  return reader.transformation();
}

QImage TurnedUpright(const QImage& image, DisplayTurn turn) {
  if (image.isNull() || turn == QImageIOHandler::TransformationNone) return image;
  // The orientations are a mirror, a flip, or both, then perhaps a quarter turn clockwise.
  QImage out = image.mirrored(turn.testFlag(QImageIOHandler::TransformationMirror),
                              turn.testFlag(QImageIOHandler::TransformationFlip));
  if (SwapsAxes(turn)) out = out.transformed(QTransform().rotate(90));
  return out;
}

QPoint PictureVector(QPoint v, DisplayTurn turn) {
  // Undo the quarter turn (clockwise takes (x, y) to (-y, x)), then the mirror and the flip.
  QPoint p = SwapsAxes(turn) ? QPoint(v.y(), -v.x()) : v;
  if (turn.testFlag(QImageIOHandler::TransformationMirror)) p.setX(-p.x());
  if (turn.testFlag(QImageIOHandler::TransformationFlip)) p.setY(-p.y());
  return p;
}

}  // namespace orv::ui
