// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// RotateImage: in-memory rotation by quarter turns.
#pragma once

#include <cstdint>

namespace orv {

enum RotateCode : int {
  kRotate90Clockwise = 0,
  kRotate180 = 1,
  kRotate90CounterClockwise = 2,
};

// Rotates a w x h picture of bytesPerPixel bytes in place; afterwards the buffer holds an
// h-wide, w-high picture for the quarter turns and a w x h one for 180 degrees. Returns 0, 5 for
// a bad code, buffer, size or byte count, 1 when the temporary buffer cannot be allocated (the
// picture is then unchanged).
unsigned RotateImage(uint8_t* pixels, int w, int h, int code, int bytesPerPixel);

}  // namespace orv
