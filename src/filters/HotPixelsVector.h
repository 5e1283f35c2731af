// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the hot-pixel filter: medians from sorted window columns (each column is
// sorted once and shared by the windows that contain it, then a pruned merge network finds the
// median of the sorted columns), and the pull towards the median computed with the scalar
// path's double operations on many pixels at once. Built for every vector target; the active one
// runs.
#pragma once

#include <cstdint>

namespace orv {

// The fewest output rows a band of the filter takes: below this the per-band scratch and the
// first rows' column sorts cost more than a thread saves.
inline constexpr int kHotPixelBandRows = 8;

// Arguments as checked by CImageFilters::RemoveHotPixels: wi odd in 3..9, the picture at least
// wi x wi, alpha in (0, 1]. False when memory runs out (dst untouched).
bool RemoveHotPixelsVector(uint8_t* dst, int width, int height, const uint8_t* src, double alpha,
                           int wi);

}  // namespace orv
