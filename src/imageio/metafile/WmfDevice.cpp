// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Wrappers around the drawing calls of libwmf's bitmap device. Each keeps the device's own call
// for what it does right and mends what it gets wrong.
#include "imageio/metafile/WmfDevice.h"

#include "imageio/metafile/WmfGeometry.h"

#include <libwmf/defs.h>
#include <libwmf/gd.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <type_traits>
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
  void (*text)(wmfAPI*, wmfDrawText_t*);
  void (*bitmap)(wmfAPI*, wmfBMP_Draw_t*);
};

const DeviceCalls& Original(const wmfFunctionReference* device = nullptr) {
  static const DeviceCalls calls{
      device->device_begin, device->draw_ellipse, device->draw_chord,       device->draw_polygon,
      device->draw_line,    device->poly_line,    device->draw_polypolygon, device->draw_rectangle,
      device->draw_arc,     device->draw_pie,     device->draw_text,        device->bmp_draw};
  return calls;
}

// Pixels per device unit across and down. A file can make them differ widely (its header's
// bounds and its window need not share a shape), so limits use the larger.
struct PixelScale {
  double x, y;
  double larger() const { return std::max(x, y); }
};

PixelScale PixelsPerUnit(wmfAPI* api) {
  const wmf_gd_t* dev = WMF_GD_GetData(api);
  return {std::abs(dev->width / (double(dev->bbox.BR.x) - dev->bbox.TL.x)),
          std::abs(dev->height / (double(dev->bbox.BR.y) - dev->bbox.TL.y))};
}

// The device stamps a pen-sized square for every pixel along a line, so drawing time grows with
// the square of the pen's width times the line's length: a pen of a few thousand pixels, which
// a file can ask for in one record, took minutes, and so did a 64-pixel pen along a polygon edge
// running a million pixels off the picture. While a call draws, its pen is held to 64 pixels
// (two thirds of an inch) and to a width whose stamps along the whole outline stay within about
// 10^8 pixels (well under a second), but never below one pixel.
constexpr double kMaxPenPixels = 64;
constexpr double kStampBudget = 1e8;

class PenLimit {
 public:
  PenLimit(wmfAPI* api, wmfDC* dc, double outline)
      : pen_(dc->pen), width_(pen_->width), height_(pen_->height) {
    const double ppu = PixelsPerUnit(api).larger();
    const double pixels = outline * ppu;
    double limit = kMaxPenPixels;
    if (std::isfinite(pixels) && pixels > 0)
      limit = std::min(limit, std::sqrt(kStampBudget / pixels));
    limit = std::max(limit, 1.0) / ppu;
    if (!(limit > 0) || !std::isfinite(limit)) return;
    // A negative width (a file can store one) is taken by its size; the device loops for
    // tens of seconds on it.
    const auto held = [limit](double size) {
      return std::isfinite(size) ? std::min(std::abs(size), limit) : limit;
    };
    pen_->width = held(width_);
    pen_->height = held(height_);
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

// The picture's frame grown by two pixels: geometry clipped to it keeps its cut edges off the
// picture.
wmfD_Rect NearFrame(wmfAPI* api) {
  const PixelScale ppu = PixelsPerUnit(api);
  return Grown(WMF_GD_GetData(api)->bbox, 2 / ppu.x, 2 / ppu.y);
}

// The device fills a polygon row by row over its whole height, inside the picture or not: a
// polygon reaching a million pixels off the picture took seconds. Fills the rings (one polygon,
// or several with holes) with the pen off, each clipped to just outside the picture, which
// leaves what shows unchanged.
void FillRings(wmfAPI* api, wmfDC* dc, const std::vector<std::vector<wmfD_Coord>>& rings) {
  const wmfD_Rect near = NearFrame(api);
  std::vector<std::vector<wmfD_Coord>> clipped;
  for (const auto& ring : rings) {
    auto c = ClipToFrame(ring, near);
    if (c.size() < 3) continue;
    c.push_back(c.front());
    if (c.size() > 0xFFFF) return;  // the device counts corners in 16 bits
    clipped.push_back(std::move(c));
  }
  if (clipped.empty()) return;
  wmfPen* pen = dc->pen;
  const U16 style = pen->lopnStyle;
  WMF_PEN_SET_STYLE(pen, PS_NULL);
  if (clipped.size() == 1) {
    wmfPolyLine_t polygon{dc, clipped[0].data(), static_cast<U16>(clipped[0].size())};
    Original().polygon(api, &polygon);
  } else if (clipped.size() <= 0xFFFF) {
    std::vector<wmfD_Coord*> points;
    std::vector<U16> counts;
    for (auto& c : clipped)
      points.push_back(c.data()), counts.push_back(static_cast<U16>(c.size()));
    wmfPolyPoly_t polygons{dc, points.data(), counts.data(), static_cast<U16>(clipped.size())};
    Original().polyPolygon(api, &polygons);
  }
  pen->lopnStyle = style;
}

// Glyphs are rendered whole, wherever they fall, at a cost that grows with the square of their
// height: a string of 200 letters 4096 pixels tall takes 14 seconds. Text is drawn at most 512
// pixels tall (over five inches), anchored where the file puts it.
constexpr double kMaxTextPixels = 512;

// The device fills an opaque text background row by row over its whole extent, inside the
// picture or not: a 32000-pixel font took 8 seconds for five letters. A background reaching
// past the picture is filled here instead, clipped to the picture, as a polygon, and the device
// draws the glyphs alone. Text whose box lies wholly outside the picture,
// by more than a letter's height, is not drawn at all: nothing of it would show, and the
// device has crashed on such text (giant rotated fonts placed far off the picture).
void TextWithinLimits(wmfAPI* api, wmfDrawText_t* text) {
  wmfDrawText_t limited = *text;
  const double limit = kMaxTextPixels / PixelsPerUnit(api).larger();
  if (limited.font_height > limit && std::isfinite(limit)) limited.font_height = limit;
  const wmfD_Rect& frame = WMF_GD_GetData(api)->bbox;
  std::vector<wmfD_Coord> box{text->bbox.TL, text->bbox.TR, text->bbox.BR, text->bbox.BL};
  const double margin = std::abs(limited.font_height);
  if (ClipToFrame(box, Grown(frame, margin, margin)).size() < 3) return;
  wmfDC* dc = text->dc;
  if (dc->bgmode != OPAQUE || Inside(box.data(), box.size(), frame))
    return Original().text(api, &limited);
  wmfBrush background{};
  background.lbStyle = BS_SOLID;
  background.lbColor = dc->bgcolor;
  wmfBrush* brush = dc->brush;
  dc->brush = &background;
  FillRings(api, dc, {std::move(box)});
  dc->brush = brush;
  dc->bgmode = TRANSPARENT;
  Original().text(api, &limited);
  dc->bgmode = OPAQUE;
}

WmfGdImage* Canvas(wmfAPI* api) {
  // The device's data starts with the image it draws into.
  return *static_cast<WmfGdImage**>(WMF_GD_GetData(api)->gd_data);
}

// The device scales a bitmap to its whole destination before copying the part inside the
// picture: a 24 x 16 bitmap stretched over 65000 x 65000 pixels kept it busy for minutes. A
// destination much larger than the picture is drawn here instead, only where it meets the
// picture, each picture pixel taking the bitmap pixel it falls in. The device draws all others.
void BitmapWithinLimits(wmfAPI* api, wmfBMP_Draw_t* draw) {
  const PixelScale ppu = PixelsPerUnit(api);
  const double across = draw->crop.w * std::abs(draw->pixel_width) * ppu.x;
  const double down = draw->crop.h * std::abs(draw->pixel_height) * ppu.y;
  const wmf_gd_t* dev = WMF_GD_GetData(api);
  const double pictureArea = double(dev->width) * dev->height;
  if (std::isfinite(across) && std::isfinite(down) && across * down <= 4 * pictureArea + (1 << 20))
    return Original().bitmap(api, draw);
  // Only plain copies are drawn here; other raster operations of such a size are dropped.
  WmfGdImage* image = Canvas(api);
  if (draw->type != SRCCOPY || !image || !image->tpixels || !std::isfinite(ppu.larger()) ||
      !(ppu.x > 0) || !(ppu.y > 0) || !(draw->pixel_width != 0) || !(draw->pixel_height != 0) ||
      draw->crop.w == 0 || draw->crop.h == 0)
    return;
  const double left = dev->bbox.TL.x, top = dev->bbox.TL.y;
  // The bitmap column under each picture column, or -1 where the bitmap does not reach.
  std::vector<int> columns(size_t(std::max(image->sx, 0)), -1);
  for (int x = 0; x < image->sx; ++x) {
    const double column = ((left + (x + 0.5) / ppu.x) - draw->pt.x) / draw->pixel_width;
    if (column >= 0 && column < draw->crop.w) columns[size_t(x)] = draw->crop.x + int(column);
  }
  for (int y = 0; y < image->sy; ++y) {
    const double row = ((top + (y + 0.5) / ppu.y) - draw->pt.y) / draw->pixel_height;
    if (!(row >= 0 && row < draw->crop.h)) continue;
    // Bitmap rows are stored bottom up.
    const unsigned sourceRow = draw->crop.y + draw->crop.h - 1 - unsigned(row);
    for (int x = 0; x < image->sx; ++x) {
      if (columns[size_t(x)] < 0) continue;
      wmfRGB rgb{};
      wmf_ipa_bmp_color(api, &draw->bmp, &rgb, unsigned(columns[size_t(x)]), sourceRow);
      image->tpixels[y][x] = int(unsigned(rgb.r) << 16 | unsigned(rgb.g) << 8 | rgb.b);
    }
  }
}

// An ellipse, arc, pie or chord in a box without width or height draws nothing, as on Windows;
// the device spent 26 seconds on one such outline.
bool Flat(const wmfDrawArc_t& arc) {
  return arc.TL.x == arc.BR.x || arc.TL.y == arc.BR.y;
}

template <typename Call, Call DeviceCalls::*original, typename Shape>
void WithPenLimit(wmfAPI* api, Shape* shape) {
  if constexpr (std::is_same_v<Shape, wmfDrawArc_t>)
    if (Flat(*shape)) return;
  PenLimit limit(api, shape->dc, OutlineLength(*shape));
  (Original().*original)(api, shape);
}

constexpr int kGdClear = 0x7F000000;  // gd's alpha 127: fully transparent

void BeginOnClearCanvas(wmfAPI* api) {
  Original().begin(api);
  WmfGdImage* image = Canvas(api);
  if (!image || !image->trueColor || !image->tpixels) return;
  for (int y = 0; y < image->sy; ++y) std::fill_n(image->tpixels[y], image->sx, kGdClear);
}

// Draws the outline of a shape with the brush off and the pen held within limits.
template <typename Shape>
void OutlineOnly(void (*draw)(wmfAPI*, Shape*), wmfAPI* api, Shape* shape) {
  if (!TO_DRAW(shape)) return;
  wmfBrush* brush = shape->dc->brush;
  const U16 style = brush->lbStyle;
  brush->lbStyle = BS_NULL;
  {
    PenLimit limit(api, shape->dc, OutlineLength(*shape));
    draw(api, shape);
  }
  brush->lbStyle = style;
}

// Polygons wholly near the picture go to the device as they are; others are filled clipped,
// then outlined.
void PolygonWithinLimits(wmfAPI* api, wmfPolyLine_t* polygon) {
  if (!TO_FILL(polygon) || Inside(polygon->pt, polygon->count, NearFrame(api))) {
    PenLimit limit(api, polygon->dc, OutlineLength(*polygon));
    return Original().polygon(api, polygon);
  }
  FillRings(api, polygon->dc, {std::vector<wmfD_Coord>(polygon->pt, polygon->pt + polygon->count)});
  OutlineOnly(Original().polygon, api, polygon);
}

void PolyPolygonWithinLimits(wmfAPI* api, wmfPolyPoly_t* polygons) {
  const wmfD_Rect near = NearFrame(api);
  bool inside = true;
  for (unsigned i = 0; i < polygons->npoly; ++i)
    inside = inside && (!polygons->pt[i] || Inside(polygons->pt[i], polygons->count[i], near));
  if (!TO_FILL(polygons) || inside) {
    PenLimit limit(api, polygons->dc, OutlineLength(*polygons));
    return Original().polyPolygon(api, polygons);
  }
  std::vector<std::vector<wmfD_Coord>> rings;
  for (unsigned i = 0; i < polygons->npoly; ++i)
    if (polygons->pt[i]) rings.emplace_back(polygons->pt[i], polygons->pt[i] + polygons->count[i]);
  FillRings(api, polygons->dc, rings);
  OutlineOnly(Original().polyPolygon, api, polygons);
}

// Fills the part of the ellipse in `arc` from angle `from` clockwise (on the picture, whose y
// runs down) through `sweep` radians, closed by a straight line, as a polygon drawn without an
// outline. The device fills polygons correctly with every brush and raster operation.
void FillEllipsePart(wmfAPI* api, const wmfDrawArc_t& arc, double from, double sweep) {
  const double a = (double(arc.BR.x) - arc.TL.x) / 2, b = (double(arc.BR.y) - arc.TL.y) / 2;
  const double cx = (double(arc.TL.x) + arc.BR.x) / 2, cy = (double(arc.TL.y) + arc.BR.y) / 2;
  const double radius = std::max(std::abs(a), std::abs(b)) * PixelsPerUnit(api).larger();
  // A flat ellipse has nothing to fill, and nothing that is not a finite number reaches the
  // device, which turns coordinates into integers.
  if (a == 0 || b == 0 || !std::isfinite(radius) || !std::isfinite(cx) || !std::isfinite(cy) ||
      !std::isfinite(from) || !std::isfinite(sweep))
    return;
  // About one corner every 2 pixels of the rim.
  const double rim = radius * sweep;
  const int corners = int(std::clamp(rim / 2, 16.0, 8192.0)) + 1;
  std::vector<wmfD_Coord> points(static_cast<size_t>(corners));
  for (int i = 0; i < corners; ++i) {
    const double t = from + sweep * i / (corners - 1);
    points[size_t(i)].x = float(cx + a * std::cos(t));
    points[size_t(i)].y = float(cy + b * std::sin(t));
  }
  FillRings(api, arc.dc, {std::move(points)});
}

// The device leaves ellipses unfilled.
void EllipseWithFill(wmfAPI* api, wmfDrawArc_t* arc) {
  if (Flat(*arc)) return;
  if (TO_FILL(arc)) FillEllipsePart(api, *arc, 0, 2 * std::numbers::pi);
  OutlineOnly(Original().ellipse, api, arc);
}

// The device fills the triangle from the centre to the chord's ends instead of the part of the
// ellipse the chord cuts off. The ends come relative to the centre, in drawing order.
void ChordWithFill(wmfAPI* api, wmfDrawArc_t* arc) {
  if (Flat(*arc)) return;
  if (TO_FILL(arc)) {
    const double a = (double(arc->BR.x) - arc->TL.x) / 2, b = (double(arc->BR.y) - arc->TL.y) / 2;
    const double from = std::atan2(arc->start.y / b, arc->start.x / a);
    double to = std::atan2(arc->end.y / b, arc->end.x / a);
    if (to <= from) to += 2 * std::numbers::pi;
    FillEllipsePart(api, *arc, from, to - from);
  }
  OutlineOnly(Original().chord, api, arc);
}

}  // namespace

void CorrectWmfDevice(wmfAPI* api, bool text) {
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
  device->draw_polygon = PolygonWithinLimits;
  device->draw_polypolygon = PolyPolygonWithinLimits;
  device->draw_rectangle =
      WithPenLimit<decltype(DeviceCalls::rectangle), &DeviceCalls::rectangle, wmfDrawRectangle_t>;
  device->draw_arc = WithPenLimit<Arc, &DeviceCalls::arc, wmfDrawArc_t>;
  device->draw_pie = WithPenLimit<Arc, &DeviceCalls::pie, wmfDrawArc_t>;
  device->bmp_draw = BitmapWithinLimits;
  device->draw_text = text ? TextWithinLimits : [](wmfAPI*, wmfDrawText_t*) {};
}

}  // namespace orv
