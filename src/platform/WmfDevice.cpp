// Wrappers around the drawing calls of libwmf's bitmap device. Each keeps the device's own call
// for what it does right and mends what it gets wrong.
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
  void (*line)(wmfAPI*, wmfDrawLine_t*);
  void (*polyLine)(wmfAPI*, wmfPolyLine_t*);
  void (*polyPolygon)(wmfAPI*, wmfPolyPoly_t*);
  void (*rectangle)(wmfAPI*, wmfDrawRectangle_t*);
  void (*arc)(wmfAPI*, wmfDrawArc_t*);
  void (*pie)(wmfAPI*, wmfDrawArc_t*);
};

const DeviceCalls& Original(const wmfFunctionReference* device = nullptr) {
  static const DeviceCalls calls{
      device->device_begin, device->draw_ellipse, device->draw_chord,       device->draw_polygon,
      device->draw_line,    device->poly_line,    device->draw_polypolygon, device->draw_rectangle,
      device->draw_arc,     device->draw_pie};
  return calls;
}

double PixelsPerUnit(wmfAPI* api) {
  const wmf_gd_t* dev = WMF_GD_GetData(api);
  return dev->width / (double(dev->bbox.BR.x) - dev->bbox.TL.x);
}

// The device stamps a pen-sized square for every pixel along a line, so drawing time grows with
// the square of the pen's width: a pen of a few thousand pixels, which a file can ask for in one
// record, takes minutes. Pens are held to 64 pixels (two thirds of an inch) while a call draws.
constexpr double kMaxPenPixels = 64;

class PenLimit {
 public:
  PenLimit(wmfAPI* api, wmfDC* dc) : pen_(dc->pen), width_(pen_->width), height_(pen_->height) {
    const double limit = kMaxPenPixels / PixelsPerUnit(api);
    if (!(limit > 0) || !std::isfinite(limit)) return;
    pen_->width = std::min(width_, limit);
    pen_->height = std::min(height_, limit);
  }
  ~PenLimit() {
    pen_->width = width_;
    pen_->height = height_;
  }
  PenLimit(const PenLimit&) = delete;
  PenLimit& operator=(const PenLimit&) = delete;

 private:
  wmfPen* pen_;
  double width_, height_;
};

template <typename Call, Call DeviceCalls::*original, typename Shape>
void WithPenLimit(wmfAPI* api, Shape* shape) {
  PenLimit limit(api, shape->dc);
  (Original().*original)(api, shape);
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
  const double radius = std::max(std::abs(a), std::abs(b)) * PixelsPerUnit(api);
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
  {
    PenLimit limit(api, arc->dc);
    draw(api, arc);
  }
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
  using Line = decltype(DeviceCalls::line);
  using Poly = decltype(DeviceCalls::polygon);
  using Arc = decltype(DeviceCalls::arc);
  device->draw_line = WithPenLimit<Line, &DeviceCalls::line, wmfDrawLine_t>;
  device->poly_line = WithPenLimit<Poly, &DeviceCalls::polyLine, wmfPolyLine_t>;
  device->draw_polygon = WithPenLimit<Poly, &DeviceCalls::polygon, wmfPolyLine_t>;
  device->draw_polypolygon =
      WithPenLimit<decltype(DeviceCalls::polyPolygon), &DeviceCalls::polyPolygon, wmfPolyPoly_t>;
  device->draw_rectangle =
      WithPenLimit<decltype(DeviceCalls::rectangle), &DeviceCalls::rectangle, wmfDrawRectangle_t>;
  device->draw_arc = WithPenLimit<Arc, &DeviceCalls::arc, wmfDrawArc_t>;
  device->draw_pie = WithPenLimit<Arc, &DeviceCalls::pie, wmfDrawArc_t>;
}

}  // namespace orv
