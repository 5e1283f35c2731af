// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory picture every filter works on: 3 bytes per pixel in the order R, G, B, rows top
// to bottom, stride exactly 3 x width. Conversion to other layouts happens only at the codec and
// display boundaries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/LargeBuffer.h"

namespace orv {

class Image {
 public:
  Image() = default;
  Image(Image&&) noexcept = default;
  Image& operator=(Image&&) noexcept = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // Replaces the buffer by an uninitialised one of width x height. Returns false (and leaves the
  // picture empty) when the size is not positive, too large, or cannot be allocated.
  [[nodiscard]] bool Allocate(int width, int height);
  // Takes over a buffer of width x height x 3 bytes allocated with new[] (or NewLargeBuffer).
  void Adopt(std::unique_ptr<uint8_t[]> pixels, int width, int height);
  // A deep copy, into the present buffer when it has the size; false when memory runs out (the
  // target is then empty).
  [[nodiscard]] bool CopyFrom(const Image& other);
  void Clear();

  uint8_t* pixels() { return pixels_.get(); }
  const uint8_t* pixels() const { return pixels_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return !pixels_; }
  size_t byteSize() const { return size_t(width_) * size_t(height_) * 3; }
  size_t stride() const { return size_t(width_) * 3; }
  uint8_t* row(int y) { return pixels_.get() + size_t(y) * stride(); }
  const uint8_t* row(int y) const { return pixels_.get() + size_t(y) * stride(); }

 private:
  // Released for reuse, so that the next picture of the same size takes the same buffer.
  LargeBufferPtr pixels_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace orv
