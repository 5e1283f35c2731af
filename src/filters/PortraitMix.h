// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of portrait smoothing's final mix (PortraitSmooth.cpp): the same integer
// formulas on sixteen pixels at once in 16-bit lanes, whose products never pass 255 x 255.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filters/KernelPath.h"

namespace orv {

// Mixes the first pixels of count (whole 16-pixel blocks) and returns how many it did; 0 when
// the path has no vector build. pixels is read and written, sharp and soft only read.
size_t PortraitMixVector(KernelPath path, uint8_t* pixels, const uint8_t* sharp,
                         const uint8_t* soft, size_t count, bool pinkTones);

}  // namespace orv
