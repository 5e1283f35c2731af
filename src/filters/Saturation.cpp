// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Saturation about an integer luminance: every channel's distance from the pixel's luminance is
// scaled by (s + 256) / 256 with s = level - 128.
#include <algorithm>
#include <memory>
#include <new>

#include "filters/CopiedBlocks.h"
#include "filters/FilterArgs.h"
#include "filters/ImageFilters.h"
#include "filters/PixelRowLookup.h"
#include "platform/RowBands.h"

namespace orv {

bool CImageFilters::AdjustSaturation(uint8_t* pixels, int width, int height, int level) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  // Tested on the level first: level - 128 would overflow for levels near INT_MIN.
  if (level < 128 - 256 || level > 128 + 256) return true;
  const int s = level - 128;
  if (s == 0) return true;
  // The result depends on the channel value and the luminance only: one 64 KB table per call.
  std::unique_ptr<uint8_t[]> table(new (std::nothrow) uint8_t[256 * 256]);
  if (!table) return false;
  for (int lum = 0; lum < 256; ++lum) {
    for (int c = 0; c < 256; ++c) {
      // C++ division truncates toward zero, as the formula requires for negative sums.
      int v = (c * (s + 256) - s * lum + 127) / 256;
      table[lum * 256 + c] = uint8_t(std::clamp(v, 0, 255));
    }
  }
  const uint8_t* t = table.get();
  // Every pixel reads itself alone: bands of rows.
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    const uint8_t* const rows = t;  // a local, not a capture: see RunPixelBands
    // Each block is read from a copy of itself (CopiedBlocks.h).
    ForEachCopiedBlock(pixels + 3 * first, 3 * count,
                       [rows](uint8_t* out, const uint8_t* in, size_t bytes) {
                         for (size_t i = 0; i < bytes; i += 3) {
                           int lum = (77 * in[i] + 151 * in[i + 1] + 28 * in[i + 2]) >> 8;
                           LookUpPixel(out + i, in + i, rows + (lum << 8));
                         }
                       });
  });
  return true;
}

}  // namespace orv
