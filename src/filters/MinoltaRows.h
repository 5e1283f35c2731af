// The per-pixel work of the Minolta colour matching: one entry point that runs the vector code of
// the active kernel target or the reference code, with the same bytes either way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filters/MinoltaTables.h"

namespace orv {

// Converts count pixels of rgb in place: linear maps a camera code to linear light, m is the
// row-major matrix, each result is clamped to 0..1 and encode maps its index trunc(v x 511) to
// the output byte.
void MatchMinoltaRun(uint8_t* rgb, size_t count, const double* linear, const Matrix3& m,
                     const uint8_t* encode);

}  // namespace orv
