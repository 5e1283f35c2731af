// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Overflow-checked size arithmetic for every size, offset and count that comes from a file.
// All helpers return false instead of wrapping, so a hostile header can never make us allocate
// or index a buffer smaller than the data we then touch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace orv {

// a * b into out; false when the product does not fit.
template <typename T>
[[nodiscard]] constexpr bool CheckedMul(T a, T b, T& out) {
  return !__builtin_mul_overflow(a, b, &out);
}

// a + b into out; false when the sum does not fit.
template <typename T>
[[nodiscard]] constexpr bool CheckedAdd(T a, T b, T& out) {
  return !__builtin_add_overflow(a, b, &out);
}

// True when [offset, offset + length) lies inside a block of blockSize bytes.
[[nodiscard]] constexpr bool RangeInside(uint64_t offset, uint64_t length, uint64_t blockSize) {
  return offset <= blockSize && length <= blockSize - offset;
}

// The largest picture any part of the program accepts, in pixels: 300 megapixels unless the
// environment variable ORV_MAX_MEGAPIXELS names another whole number of megapixels. Anything
// bigger is refused before allocation.
uint64_t MaxPixelCount();

// Whether ORV_MAX_MEGAPIXELS is set but not a usable value (it is then ignored); value gets it.
bool MaxPixelSettingIgnored(std::string* value);

// The last picture this thread refused for passing MaxPixelCount(); cleared by ClearRefusedSize.
struct RefusedSize {
  int64_t width = 0;
  int64_t height = 0;
};
void NoteRefusedSize(int64_t width, int64_t height);
RefusedSize LastRefusedSize();
void ClearRefusedSize();

// The byte size of a width x height picture with the given bytes per pixel, or false when the
// dimensions are not positive or the picture is larger than MaxPixelCount().
[[nodiscard]] inline bool PictureBytes(int64_t width, int64_t height, int64_t bytesPerPixel,
                                       size_t& out) {
  if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return false;
  uint64_t pixels = 0;
  if (!CheckedMul<uint64_t>(uint64_t(width), uint64_t(height), pixels)) return false;
  if (pixels > MaxPixelCount()) {
    NoteRefusedSize(width, height);
    return false;
  }
  uint64_t bytes = 0;
  if (!CheckedMul<uint64_t>(pixels, uint64_t(bytesPerPixel), bytes)) return false;
  if (bytes > std::numeric_limits<size_t>::max()) return false;
  out = size_t(bytes);
  return true;
}

}  // namespace orv
