// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The step of the table-driven per-pixel passes (levels, balance, saturation): a pixel's three
// bytes looked up in one 256-byte row of a table, the row chosen by the pixel's luma.
#pragma once

#include <cstdint>

namespace orv {

// The pixel's bytes read from in (the pixel itself, or a copy of it: CopiedBlocks.h) and
// written to p. All three reads come before the stores: the compiler cannot tell that the table
// is not the picture, and reading each byte after the store before it costs up to a fifth more a
// pixel.
inline void LookUpPixel(uint8_t* p, const uint8_t* in, const uint8_t* row) {
  const uint8_t r = row[in[0]], g = row[in[1]], b = row[in[2]];
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

// The step in place.
inline void LookUpPixel(uint8_t* p, const uint8_t* row) {
  LookUpPixel(p, p, row);
}

}  // namespace orv
