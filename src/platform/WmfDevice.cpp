// Wrappers around three drawing calls of libwmf's bitmap device. Each keeps the device's own
// call for what it does right and adds what it gets wrong.
#include "platform/WmfDevice.h"

#include <libwmf/defs.h>
#include <libwmf/gd.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace orv {
namespace {

// The device's own calls. Every player gets the same table from libwmf, so they are read once,
// by the first CorrectWmfDevice, before any wrapper can run.
struct DeviceCalls {
  void (*begin)(wmfAPI*);
  void (*ellipse)(wmfAPI*, wmfDrawArc_t*);
  void (*chord)(wmfAPI*, wmfDrawArc_t*);
  void (*polygon)(wmfAPI*, wmfPolyLine_t*);
};

const DeviceCalls& Original(const wmfFunctionReference* device = nullptr) {
  static const DeviceCalls calls{device->device_begin, device->draw_ellipse, device->draw_chord,
                                 device->draw_polygon};
  return calls;
}

constexpr int kGdClear = 0x7F000000;  // gd's alpha 127: fully transparent

void BeginOnClearCanvas(wmfAPI* api) {
  Original().begin(api);
  // The device's data starts with the image it draws into.
  auto* image = *static_cast<WmfGdImage**>(WMF_GD_GetData(api)->gd_data);
  if (!image || !image->trueColor || !image->tpixels) return;
  for (int y = 0; y < image->sy; ++y) std::fill_n(image->tpixels[y], image->sx, kGdClear);
}

// Fills the part of the ellipse in `arc` from angle `from` clockwise (on the picture, whose y
// runs down) through `sweep` radians, closed by a straight line, as a polygon drawn without an
// outline. The device fills polygons correctly with every brush and raster operation.
void FillEllipsePart(wmfAPI* api, const wmfDrawArc_t& arc, double from, double sweep) {
  const double a = (double(arc.BR.x) - arc.TL.x) / 2, b = (double(arc.BR.y) - arc.TL.y) / 2;
  const double cx = (double(arc.TL.x) + arc.BR.x) / 2, cy = (double(arc.TL.y) + arc.BR.y) / 2;
  const wmf_gd_t* dev = WMF_GD_GetData(api);
  const double pixelsPerUnit = dev->width / (double(dev->bbox.BR.x) - dev->bbox.TL.x);
  const double radius = std::max(std::abs(a), std::abs(b)) * pixelsPerUnit;
  // A flat ellipse has nothing to fill, and nothing that is not a finite number reaches the
  // device, which turns coordinates into integers.
  if (a == 0 || b == 0 || !std::isfinite(radius) || !std::isfinite(cx) || !std::isfinite(cy) ||
      !std::isfinite(from) || !std::isfinite(sweep))
    return;
  // About one corner every 2 pixels of the rim.
  const double rim = radius * sweep;
  const int corners = int(std::clamp(rim / 2, 16.0, 8192.0)) + 1;
  std::vector<wmfD_Coord> points(size_t(corners) + 1);
  for (int i = 0; i < corners; ++i) {
    const double t = from + sweep * i / (corners - 1);
    points[size_t(i)].x = float(cx + a * std::cos(t));
    points[size_t(i)].y = float(cy + b * std::sin(t));
  }
  points.back() = points.front();
  wmfPolyLine_t polygon{arc.dc, points.data(), static_cast<U16>(points.size())};
  wmfPen* pen = arc.dc->pen;
  const U16 style = pen->lopnStyle;
  WMF_PEN_SET_STYLE(pen, PS_NULL);
  Original().polygon(api, &polygon);
  pen->lopnStyle = style;
}

// Runs the device's own call for the outline only.
void Outline(void (*draw)(wmfAPI*, wmfDrawArc_t*), wmfAPI* api, wmfDrawArc_t* arc) {
  wmfBrush* brush = arc->dc->brush;
  const U16 style = brush->lbStyle;
  brush->lbStyle = BS_NULL;
  draw(api, arc);
  brush->lbStyle = style;
}

// The device leaves ellipses unfilled.
void EllipseWithFill(wmfAPI* api, wmfDrawArc_t* arc) {
  if (TO_FILL(arc)) FillEllipsePart(api, *arc, 0, 2 * std::numbers::pi);
  Outline(Original().ellipse, api, arc);
}

// The device fills the triangle from the centre to the chord's ends instead of the part of the
// ellipse the chord cuts off. The ends come relative to the centre, in drawing order.
void ChordWithFill(wmfAPI* api, wmfDrawArc_t* arc) {
  if (TO_FILL(arc)) {
    const double a = (double(arc->BR.x) - arc->TL.x) / 2, b = (double(arc->BR.y) - arc->TL.y) / 2;
    const double from = std::atan2(arc->start.y / b, arc->start.x / a);
    double to = std::atan2(arc->end.y / b, arc->end.x / a);
    if (to <= from) to += 2 * std::numbers::pi;
    FillEllipsePart(api, *arc, from, to - from);
  }
  Outline(Original().chord, api, arc);
}

}  // namespace

void CorrectWmfDevice(wmfAPI* api) {
  auto* device = static_cast<wmfFunctionReference*>(api->function_reference);
  Original(device);
  device->device_begin = BeginOnClearCanvas;
  device->draw_ellipse = EllipseWithFill;
  device->draw_chord = ChordWithFill;
}

}  // namespace orv
