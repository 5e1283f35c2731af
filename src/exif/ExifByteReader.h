// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Bounds-checked reads of 16-, 32- and 64-bit numbers from an EXIF block in the block's byte
// order. Every read checks its whole range first, so callers can pass any offset from the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/CheckedMath.h"

namespace orv {

class ExifByteReader {
 public:
  ExifByteReader(const uint8_t* data, size_t size, bool bigEndian)
      : data_(data), size_(size), bigEndian_(bigEndian) {}

  uint64_t Size() const { return size_; }

  bool U8(uint64_t at, uint8_t& out) const {
    if (!RangeInside(at, 1, size_)) return false;
    out = data_[at];
    return true;
  }
  bool U16(uint64_t at, uint16_t& out) const {
    uint64_t v = 0;
    if (!Read(at, 2, v)) return false;
    out = uint16_t(v);
    return true;
  }
  bool U32(uint64_t at, uint32_t& out) const {
    uint64_t v = 0;
    if (!Read(at, 4, v)) return false;
    out = uint32_t(v);
    return true;
  }
  bool U64(uint64_t at, uint64_t& out) const { return Read(at, 8, out); }

 private:
  bool Read(uint64_t at, unsigned bytes, uint64_t& out) const {
    if (!RangeInside(at, bytes, size_)) return false;
    uint64_t v = 0;
    for (unsigned i = 0; i < bytes; ++i) {
      const unsigned shift = bigEndian_ ? 8 * (bytes - 1 - i) : 8 * i;
      v |= uint64_t(data_[at + i]) << shift;
    }
    out = v;
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  bool bigEndian_;
};

}  // namespace orv
