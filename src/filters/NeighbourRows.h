// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the 3 x 3 neighbourhood filters (NeighbourFilter.h): one entry point that runs the
// vector code of the active kernel target or the reference code, with the same bytes either way.
#pragma once

#include <cstdint>

namespace orv {

// Rows [y0, y1) of dst from src (both width x height R,G,B pictures, outer rows and columns
// replicated). kind is a NeighbourKind; s the factor (sharpen c - s (sum - 8c), soften
// s (sum / 8) + (1 - s) c). Arguments are already checked.
void NeighbourRows(const uint8_t* src, uint8_t* dst, int width, int height, int y0, int y1,
                   int kind, double s);

// One row into out from the rows above, at and below it (3 x width bytes each; at the picture's
// top and bottom the caller passes the replicated row). out is none of the three.
void NeighbourRow(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out,
                  int width, int kind, double s);

}  // namespace orv
