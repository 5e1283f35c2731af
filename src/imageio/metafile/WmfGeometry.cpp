// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Geometry on libwmf's device coordinates: outline lengths and clipping to a rectangle.
#include "imageio/metafile/WmfGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv {

double Distance(const wmfD_Coord& a, const wmfD_Coord& b) {
  return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
}

double PathLength(const wmfD_Coord* points, size_t count) {
  double length = 0;
  for (size_t i = 1; i < count; ++i) length += Distance(points[i - 1], points[i]);
  return length;
}

double OutlineLength(const wmfDrawLine_t& line) {
  return Distance(line.from, line.to);
}
double OutlineLength(const wmfPolyLine_t& poly) {
  return poly.count
             ? PathLength(poly.pt, poly.count) + Distance(poly.pt[poly.count - 1], poly.pt[0])
             : 0;
}
double OutlineLength(const wmfPolyPoly_t& polys) {
  double length = 0;
  for (unsigned i = 0; i < polys.npoly; ++i)
    if (polys.pt[i] && polys.count[i])
      length += PathLength(polys.pt[i], polys.count[i]) +
                Distance(polys.pt[i][polys.count[i] - 1], polys.pt[i][0]);
  return length;
}
double OutlineLength(const wmfDrawRectangle_t& r) {
  return 2 * (std::abs(double(r.BR.x) - r.TL.x) + std::abs(double(r.BR.y) - r.TL.y));
}
double OutlineLength(const wmfDrawArc_t& arc) {
  return std::numbers::pi / 2 *
         (std::abs(double(arc.BR.x) - arc.TL.x) + std::abs(double(arc.BR.y) - arc.TL.y));
}

std::vector<wmfD_Coord> ClipToFrame(std::vector<wmfD_Coord> polygon, const wmfD_Rect& frame) {
  const auto clipEdge = [&](auto inside, auto cross) {
    std::vector<wmfD_Coord> out;
    for (size_t i = 0; i < polygon.size(); ++i) {
      const wmfD_Coord& p = polygon[i];
      const wmfD_Coord& q = polygon[(i + 1) % polygon.size()];
      if (inside(p)) out.push_back(p);
      if (inside(p) != inside(q)) out.push_back(cross(p, q));
    }
    polygon = std::move(out);
  };
  const auto atX = [](float x) {
    return [x](const wmfD_Coord& p, const wmfD_Coord& q) {
      const float t = (x - p.x) / (q.x - p.x);
      return wmfD_Coord{x, p.y + t * (q.y - p.y)};
    };
  };
  const auto atY = [](float y) {
    return [y](const wmfD_Coord& p, const wmfD_Coord& q) {
      const float t = (y - p.y) / (q.y - p.y);
      return wmfD_Coord{p.x + t * (q.x - p.x), y};
    };
  };
  const float left = std::min(frame.TL.x, frame.BR.x), right = std::max(frame.TL.x, frame.BR.x);
  const float top = std::min(frame.TL.y, frame.BR.y), bottom = std::max(frame.TL.y, frame.BR.y);
  clipEdge([&](const wmfD_Coord& p) { return p.x >= left; }, atX(left));
  clipEdge([&](const wmfD_Coord& p) { return p.x <= right; }, atX(right));
  clipEdge([&](const wmfD_Coord& p) { return p.y >= top; }, atY(top));
  clipEdge([&](const wmfD_Coord& p) { return p.y <= bottom; }, atY(bottom));
  return polygon;
}

wmfD_Rect Grown(wmfD_Rect frame, double dx, double dy) {
  if (!std::isfinite(dx) || !std::isfinite(dy)) return frame;
  frame.TL.x = float(frame.TL.x - dx), frame.TL.y = float(frame.TL.y - dy);
  frame.BR.x = float(frame.BR.x + dx), frame.BR.y = float(frame.BR.y + dy);
  return frame;
}

bool Inside(const wmfD_Coord* points, size_t count, const wmfD_Rect& frame) {
  return std::all_of(points, points + count, [&](const wmfD_Coord& p) {
    return p.x >= frame.TL.x && p.x <= frame.BR.x && p.y >= frame.TL.y && p.y <= frame.BR.y;
  });
}

}  // namespace orv
