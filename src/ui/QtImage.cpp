#include "ui/QtImage.h"

#include <cstring>

namespace orv::ui {
namespace {

// Wraps the picture's buffer without copying; valid while the picture lives.
QImage Wrap(const Image& picture) {
  return QImage(picture.pixels(), picture.width(), picture.height(), qsizetype(picture.stride()),
                QImage::Format_RGB888);
}

bool FromQImage(const QImage& image, Image& out) {
  QImage rgb = image.format() == QImage::Format_RGB888
                   ? image
                   : image.convertToFormat(QImage::Format_RGB888);
  if (rgb.isNull() || !out.Allocate(rgb.width(), rgb.height())) return false;
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(out.row(y), rgb.constScanLine(y), out.stride());
  return true;
}

}  // namespace

QImage ToQImage(const Image& picture) {
  if (picture.empty()) return {};
  return Wrap(picture).copy();
}

bool ReduceToFit(const Image& picture, QSize box, Image& out) {
  if (picture.empty() || box.isEmpty()) return false;
  QSize size(picture.width(), picture.height());
  if (size.width() <= box.width() && size.height() <= box.height()) return out.CopyFrom(picture);
  QSize target = size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
  return FromQImage(Wrap(picture).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                    out);
}

bool CutRect(const Image& picture, const QRect& r, Image& out) {
  if (picture.empty() || r.isEmpty() || !QRect(0, 0, picture.width(), picture.height()).contains(r))
    return false;
  if (!out.Allocate(r.width(), r.height())) return false;
  for (int y = 0; y < r.height(); ++y)
    std::memcpy(out.row(y), picture.row(r.y() + y) + size_t(r.x()) * 3, out.stride());
  return true;
}

}  // namespace orv::ui
