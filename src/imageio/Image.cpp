// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/Image.h"

#include <cstring>
#include <new>

#include "platform/CheckedMath.h"
#include "platform/LargeBuffer.h"

namespace orv {

bool Image::Allocate(int width, int height) {
  Clear();
  size_t bytes = 0;
  if (!PictureBytes(width, height, 3, bytes)) return false;
  pixels_ = MakeLargeBuffer(bytes);
  if (!pixels_) return false;
  width_ = width;
  height_ = height;
  return true;
}

void Image::Adopt(std::unique_ptr<uint8_t[]> pixels, int width, int height) {
  size_t bytes = 0;
  if (!pixels || !PictureBytes(width, height, 3, bytes)) bytes = 0;  // never kept for reuse
  pixels_ = LargeBufferPtr(pixels.release(), LargeBufferRelease{bytes});
  width_ = pixels_ ? width : 0;
  height_ = pixels_ ? height : 0;
}

bool Image::CopyFrom(const Image& other) {
  if (this == &other) return true;
  if (other.empty()) {
    Clear();
    return true;
  }
  // A buffer of the same size is written over rather than replaced.
  if ((empty() || width_ != other.width_ || height_ != other.height_) &&
      !Allocate(other.width_, other.height_))
    return false;
  std::memcpy(pixels_.get(), other.pixels_.get(), other.byteSize());
  return true;
}

void Image::Clear() {
  pixels_.reset();
  width_ = 0;
  height_ = 0;
}

}  // namespace orv
