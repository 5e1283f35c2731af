// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The black frame's preview path: the frame is cut to the detail crop's rectangle so that the
// crop can be corrected with the part of the frame that lies under it. (The subtraction itself
// is CImageFilters::SubtractBlackFrame.)
#pragma once

#include <cstdint>

namespace orv {

// out (cropWidth x cropHeight) takes the frame pixel at picture position (left + x, top + y);
// positions outside the frame take mid-grey 128 in all three channels. False for null buffers
// or non-positive sizes.
bool CutFrameToCrop(const uint8_t* frame, int frameWidth, int frameHeight, int left, int top,
                    uint8_t* out, int cropWidth, int cropHeight);

}  // namespace orv
