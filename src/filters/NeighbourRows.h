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

}  // namespace orv
