// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures behind the live previews: the working picture reduced to fit a pane, and the 1:1
// detail crop with its place in the picture. Toolkit-free so that the geometry can be tested
// and timed on its own.
#pragma once

#include "imageio/Image.h"

namespace orv::ui {

struct Size2 {
  int width = 0;
  int height = 0;
};

// The size of a W x H picture fitted inside a pane: aspect ratio kept, reduced only when larger.
Size2 FitInside(int width, int height, int paneWidth, int paneHeight);

// Reduces src to dst's fitted size by averaging the source pixels that fall on each target
// pixel (one pass over the source). A picture that fits is copied. False when out of memory or
// given an empty picture.
bool ReducePicture(const Image& src, int paneWidth, int paneHeight, Image& dst);

// The detail crop: as large as the detail view (but no larger than the picture), its offset
// kept inside the picture.
struct DetailPlace {
  int x = 0, y = 0;  // offset in the picture
  int width = 0, height = 0;
};

// Centred: ((W - w)/2, (H - h)/2).
DetailPlace CentredDetail(int width, int height, int viewWidth, int viewHeight);
// The offset clamped to 0..W - w and 0..H - h (below 0 becomes 0).
DetailPlace ClampDetail(DetailPlace place, int x, int y, int width, int height);
// Copies the crop's rectangle out of the picture; false when out of memory or out of range.
bool CutDetail(const Image& picture, const DetailPlace& place, Image& crop);

}  // namespace orv::ui
