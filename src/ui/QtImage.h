// Conversions between the engine's RGB pictures and QImage, for display only.
#pragma once

#include <QImage>
#include <QRect>

#include "filters/Image.h"

namespace orv::ui {

// A deep copy as an RGB888 QImage (null for an empty picture).
QImage ToQImage(const Image& picture);
// The picture reduced to fit inside `box` (aspect ratio kept), never enlarged; an RGB copy.
[[nodiscard]] bool ReduceToFit(const Image& picture, QSize box, Image& out);
// A copy of the rectangle `r` of the picture (r lies inside it).
[[nodiscard]] bool CutRect(const Image& picture, const QRect& r, Image& out);

}  // namespace orv::ui
