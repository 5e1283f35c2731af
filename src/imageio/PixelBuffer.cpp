// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/PixelBuffer.h"

#include <cstring>
#include <new>

#include "imageio/LibraryError.h"
#include "platform/CheckedMath.h"
#include "platform/LargeBuffer.h"

namespace orv {

void FreeLibraryBuffer(uint8_t* buffer) {
  delete[] buffer;
}

uint8_t* AllocatePixels(int64_t width, int64_t height, int bytesPerPixel, bool zeroFill) {
  size_t bytes = 0;
  if (!PictureBytes(width, height, bytesPerPixel, bytes)) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  uint8_t* p = NewLargeBuffer(bytes);
  if (!p) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  if (zeroFill) std::memset(p, 0, bytes);
  return p;
}

}  // namespace orv
