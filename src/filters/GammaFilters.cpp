// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tone-curve filters of CImageFilters: midtone gamma, the channel table pass behind it, and
// the blue-cast removal.
#include <algorithm>
#include <cmath>

#include "filters/ChannelCurves.h"
#include "filters/CopiedBlocks.h"
#include "filters/FilterArgs.h"
#include "filters/ImageFilters.h"
#include "platform/RowBands.h"

namespace orv {

bool CImageFilters::AdjustGamma(uint8_t* pixels, int width, int height, double gamma) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  if (std::isnan(gamma) || gamma < 0) return false;
  double exponent = gamma != 0 ? 1 / gamma : 1.0;
  uint8_t table[256];
  bool identity = true;
  for (int i = 0; i < 256; ++i) {
    // The input is divided by 256, so no entry reaches 256 for a finite gamma; an infinite
    // gamma (exponent 0) would give 256 and is held at 255.
    double v = std::pow(i / 256.0, exponent) * 256;
    table[i] = uint8_t(std::min(int(v), 255));
    identity = identity && table[i] == i;
  }
  // Gamma 1 (and 0) give the identity table: nothing to do on the pixels.
  if (identity) return true;
  return ApplyChannelLut(pixels, width, height, 7, table);
}

bool CImageFilters::ApplyChannelLut(uint8_t* pixels, int width, int height, unsigned mask,
                                    const uint8_t* table) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes) || !table) return false;
  mask &= 0xFF;
  if (mask == 0) return false;
  // Every byte is looked up alone: bands of rows.
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    uint8_t* const p = pixels;  // locals, not captures: see RunPixelBands
    const uint8_t* const lut = table;
    const unsigned channels = mask;
    const size_t begin = 3 * first, end = 3 * (first + count);
    // Each block is read from a copy of itself (CopiedBlocks.h).
    if ((channels & 7) == 7) {
      ForEachCopiedBlock(p + begin, end - begin,
                         [lut](uint8_t* out, const uint8_t* in, size_t bytes) {
                           for (size_t i = 0; i < bytes; ++i) out[i] = lut[in[i]];
                         });
      return;
    }
    ForEachCopiedBlock(p + begin, end - begin,
                       [lut, channels](uint8_t* out, const uint8_t* in, size_t bytes) {
                         for (size_t c = 0; c < 3; ++c) {
                           if (!(channels & (1u << c))) continue;
                           for (size_t i = c; i < bytes; i += 3) out[i] = lut[in[i]];
                         }
                       });
  });
  return true;
}

bool CImageFilters::RemoveCast(uint8_t* pixels, int width, int height, double gamma, int mode) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  if (gamma == 1.0 || gamma == 0.0) return true;
  CChannelCurves curves;
  curves.SetBlue(0, 255, 0, 255, gamma);
  if (mode == 1 && gamma < 1.0) {
    // A flash picture that is being darkened gets a milder correction of green as well.
    double greenGamma = 1 - (1 - gamma) / 1.8;
    curves.SetGreen(0, 255, 0, 255, greenGamma);
    return curves.ApplyAll(pixels, width, height);
  }
  return curves.ApplyBlue(pixels, width, height);
}

}  // namespace orv
