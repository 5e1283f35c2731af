// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector paths of the 3 x 3 sharpen and soften filters for the inside of a row (neighbours
// three bytes away): neighbour sums in 16-bit lanes, then the reference code's double operations
// in its order, many bytes at once.
#pragma once

#include <cstdint>

#include "filters/KernelPath.h"

namespace orv {

// Bytes [from, to) of one row: up, mid and down are the rows above, at and below; kind is
// kNeighbourSharpen or kNeighbourSoften with its factor s (keep = 1 - s for soften). Returns the
// first byte not handled (from when the path has no vector build); the caller does the rest.
int NeighbourRowVector(KernelPath path, const uint8_t* up, const uint8_t* mid, const uint8_t* down,
                       uint8_t* out, int from, int to, int kind, double s);

}  // namespace orv
