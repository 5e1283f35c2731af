// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the luminance of RGB pixels: trunc(0.299 R + 0.587 G + 0.114 B) with the
// three products as doubles summed in that order, sixteen pixels at a time. The plain code reads
// the products from tables; the lanes compute the same double products, so the bytes agree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filters/KernelPath.h"

namespace orv {

// Writes the luma of the first pixels of rgb (count pixels, three bytes each) to luma and returns
// how many it wrote: a multiple of sixteen, 0 on the scalar path or a build without vector
// targets. The caller computes the rest.
size_t LumaRowVector(KernelPath path, const uint8_t* rgb, uint8_t* luma, size_t count);

}  // namespace orv
