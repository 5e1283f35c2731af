// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Geometry on libwmf's device coordinates: outline lengths, to bound drawing work, and
// clipping to a rectangle, to keep drawing within the picture.
#pragma once

#include <libwmf/api.h>
#include <libwmf/ipa.h>

#include <cstddef>
#include <vector>

namespace orv {

double Distance(const wmfD_Coord& a, const wmfD_Coord& b);
double PathLength(const wmfD_Coord* points, size_t count);

// Outline lengths in device units, near enough to bound the work of drawing them.
double OutlineLength(const wmfDrawLine_t& line);
double OutlineLength(const wmfPolyLine_t& poly);
double OutlineLength(const wmfPolyPoly_t& polys);
double OutlineLength(const wmfDrawRectangle_t& r);
double OutlineLength(const wmfDrawArc_t& arc);

// Clips a polygon to `frame`, one pass per side. A concave polygon may keep edges along the
// frame's sides; its fill inside the frame is unchanged.
std::vector<wmfD_Coord> ClipToFrame(std::vector<wmfD_Coord> polygon, const wmfD_Rect& frame);

// `frame` grown by `dx` across and `dy` down on every side; unchanged where a margin is not a
// finite number.
wmfD_Rect Grown(wmfD_Rect frame, double dx, double dy);

bool Inside(const wmfD_Coord* points, size_t count, const wmfD_Rect& frame);

}  // namespace orv
