// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the Minolta colour matching: the matrix, the clamp to 0..1 and the table
// index trunc(v x 511) of eight pixels at a time, with the plain code's double operations in its
// order; the table reads stay scalar.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filters/KernelPath.h"
#include "filters/MinoltaTables.h"

namespace orv {

// Converts the first pixels of rgb (count pixels) in place: linear maps a camera code to linear
// light, m is the row-major matrix, encode maps an index trunc(v x 511) to the output byte.
// Returns how many pixels it converted, a multiple of eight; 0 on the scalar path.
size_t MatchMinoltaVector(KernelPath path, uint8_t* rgb, size_t count, const double* linear,
                          const Matrix3& m, const uint8_t* encode);

}  // namespace orv
