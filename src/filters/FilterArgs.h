// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Argument checks shared by the filters of this folder: every filter validates its pointers and
// sizes through these before it touches memory, so a bad call returns false instead of reading
// or writing outside the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/CheckedMath.h"

namespace orv {

// The byte size of a width x height picture of the given bytes per pixel; false for a null
// pointer, non-positive sizes or a size beyond the pixel-count cap.
[[nodiscard]] inline bool PictureArgs(const void* pixels, int width, int height, size_t& bytes,
                                      int bytesPerPixel = 3) {
  return pixels && PictureBytes(width, height, bytesPerPixel, bytes);
}

}  // namespace orv
