// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Setting the EXIF Orientation tag of a block to 1 ("top-left") when the pixels it travels with
// already stand upright, so that a viewer does not turn the picture a second time.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// Rewrites IFD0's Orientation value (SHORT, count 1) to 1 in place: the block keeps its length
// and every other byte. True when a value other than 1 was changed; false when the block is no
// EXIF block, has no such tag, or is malformed (left as it is).
bool SetExifOrientationUpright(std::vector<uint8_t>& block);

}  // namespace orv
