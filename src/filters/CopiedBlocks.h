// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// In-place byte passes that read each block of the picture from a copy of it. Read in place, each
// pixel's bytes come right after the stores of the pixel before in the same buffer, and some
// processors hold those reads back behind the stores: table lookups in place took 45 ms a
// 24-megapixel picture where the same loop reading a copy took 32, and which of the two a build
// got depended on the register GCC chose for the pointer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orv {

// Bytes a block holds: 256 pixels of three bytes, so that blocks start on pixels.
inline constexpr size_t kCopiedBlockBytes = 768;

// Runs step(out, in, n) over [p, p + bytes) a block at a time: out points at the block's n bytes
// in the picture, in at a copy of them, so the step reads in and writes out.
template <typename Step>
void ForEachCopiedBlock(uint8_t* p, size_t bytes, Step&& step) {
  alignas(64) uint8_t copy[kCopiedBlockBytes];
  for (size_t i = 0; i < bytes; i += kCopiedBlockBytes) {
    const size_t n = std::min(kCopiedBlockBytes, bytes - i);
    if (n == kCopiedBlockBytes)
      std::memcpy(copy, p + i, kCopiedBlockBytes);  // a known size: inline vector moves
    else
      std::memcpy(copy, p + i, n);
    step(p + i, static_cast<const uint8_t*>(copy), n);
  }
}

}  // namespace orv
