// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Corrections to libwmf's bitmap device, installed on a player before it opens a file.
#pragma once

#include <libwmf/api.h>

namespace orv {

// The leading fields of libwmf's bundled gd image (libwmf/gd/gd.h, which cannot be included on
// its own), up to the clipping set.
struct WmfGdClipSet {
  int max, count;
  void* list;
};

struct WmfGdImage {
  unsigned char** pixels;
  int sx, sy, colorsTotal;
  int red[256], green[256], blue[256], open[256];
  int transparent;
  int* polyInts;
  int polyAllocated;
  void* brush;
  void* tile;
  int brushColorMap[256], tileColorMap[256];
  int styleLength, stylePos;
  int* style;
  int interlace, thick;
  int alpha[256];
  int trueColor;
  int** tpixels;
  int alphaBlendingFlag;
  int saveAlphaFlag;
  WmfGdClipSet* clip;
};

// Makes the device start from a fully transparent canvas (its own starts opaque white, which
// cannot be told from drawn white), fill ellipses and chords, which it leaves unfilled or fills
// with the wrong region, and keep pens and text within sizes it draws in reasonable time.
// Without `text` the device draws no text at all.
void CorrectWmfDevice(wmfAPI* api, bool text);

}  // namespace orv
