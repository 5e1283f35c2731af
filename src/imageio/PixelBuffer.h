// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel buffers and copies the layer hands out. They are allocated with new[] so that a caller
// can adopt them into an Image without copying; FreeLibraryBuffer is the matching release.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {

void FreeLibraryBuffer(uint8_t* buffer);

struct LibraryBufferDeleter {
  void operator()(uint8_t* p) const { FreeLibraryBuffer(p); }
};
using LibraryBuffer = std::unique_ptr<uint8_t[], LibraryBufferDeleter>;

// A width x height x bytesPerPixel buffer, or null with the last error set: 1 when the picture is
// larger than the pixel-count cap or memory runs out. The cap is checked before allocating.
uint8_t* AllocatePixels(int64_t width, int64_t height, int bytesPerPixel, bool zeroFill);

}  // namespace orv
