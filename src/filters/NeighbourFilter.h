// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The 3 x 3 neighbourhood filters: sharpen, soften and median, with edges handled by replicating
// the outermost rows and columns. Used by the sharpen stage and by portrait smoothing.
#pragma once

#include <cstdint>

#include "filters/FilterProgress.h"

namespace orv {

enum NeighbourKind : int { kNeighbourSharpen = 0, kNeighbourSoften = 1, kNeighbourMedian = 2 };

// Writes the filtered src into dst (both width x height R,G,B pictures). strength is clamped to
// 0..100: sharpen uses s = 0.005 x strength, soften s = 0.01 x strength, the median ignores it.
// False (dst untouched) for null or identical buffers, a non-positive size or an unknown kind;
// false (dst partly written) when the progress hook, asked after every row, asks to stop.
bool NeighbourFilter(const uint8_t* src, uint8_t* dst, int width, int height, int strength,
                     int kind, const ProgressHook* progress = nullptr);

// The same filter on the picture in place, with the same bytes as NeighbourFilter into another
// buffer and without a picture-sized copy. False (pixels untouched) for bad arguments or when
// memory runs out.
bool NeighbourFilterInPlace(uint8_t* pixels, int width, int height, int strength, int kind);

}  // namespace orv
