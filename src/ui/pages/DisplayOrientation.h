// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Showing a photo upright: camera JPEGs keep their pixels as the sensor read them and say in the
// EXIF Orientation tag how to turn them. The pipeline and the outputs work on the pixels as they
// are (the tag travels with them); only what the window shows is turned.
#pragma once

#include <QImage>
#include <QImageIOHandler>
#include <QPoint>
#include <QSize>
#include <QString>

namespace orv::ui {

using DisplayTurn = QImageIOHandler::Transformations;

// The turn a JPEG's EXIF Orientation asks for; none for other formats (a HEIC is decoded upright
// already) and for files without the tag or that cannot be read.
DisplayTurn ReadDisplayTurn(const QString& path);

// Whether the turn swaps width and height.
inline bool SwapsAxes(DisplayTurn turn) {
  return turn.testFlag(QImageIOHandler::TransformationRotate90);
}
inline QSize PictureSizeFor(QSize displaySize, DisplayTurn turn) {
  return SwapsAxes(turn) ? displaySize.transposed() : displaySize;
}

// The picture as it is meant to be seen.
QImage TurnedUpright(const QImage& image, DisplayTurn turn);
// A movement on the turned display as a movement over the picture's own pixels.
QPoint PictureVector(QPoint displayVector, DisplayTurn turn);

}  // namespace orv::ui
