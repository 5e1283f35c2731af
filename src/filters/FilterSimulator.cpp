// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/FilterSimulator.h"

#include <algorithm>
#include <memory>
#include <new>

#include "filters/CopiedBlocks.h"
#include "filters/FilterSimulatorVector.h"
#include "filters/FilterTable.h"
#include "platform/CheckedMath.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

// trunc(0.3 R + 0.59 G + 0.11 B + 0.001) in whole numbers: the exact sum is (30 R + 59 G +
// 11 B) / 100 + 0.001, whose fraction is always at least 0.001 away from a whole number, far
// more than the error of the double sum, so the integer quotient is the same value.
inline int WeightedLuma(int r, int g, int b) {
  return (30 * r + 59 * g + 11 * b) / 100;
}

// Per channel, the finished value of a source byte for every highlight weight q = lum^2 / 255
// (0..255): filtered, mixed back by q / 255 when highlights are kept, then mixed with the
// source by the strength. 64 KiB per channel; every per-pixel step becomes a table read.
struct ChannelTables {
  uint8_t value[3][256][256];  // [channel][q][source byte]
  uint8_t padding[kFilterTablePadding] = {};  // read, unused, by the vector path
};

void BuildTables(ChannelTables& t, const uint8_t filter[3], bool keepHighlights, int strength) {
  const double v = strength / 255.0;
  for (int c = 0; c < 3; ++c) {
    for (int q = 0; q < (keepHighlights ? 256 : 1); ++q) {
      const double w = q / 255.0;
      for (int s = 0; s < 256; ++s) {
        int out = filter[c] * s / 255;
        if (keepHighlights) out = int(s * w + out * (1 - w));
        if (strength < 255) out = int(s * (1 - v) + out * v);
        t.value[c][q][s] = uint8_t(std::min(out, 255));
      }
    }
  }
}

// count pixels through the tables, read from in and written to out: q maps a pixel's luma to
// its highlight row of each channel table. The tables come in as parameters, held in registers:
// the byte stores could alias a lambda's captured references for all the compiler knows, which
// would reload them after every store. One loop for each kind of output.
// Kept out of line: inlined into the band's lambda, GCC 12 reads the green byte into a spare
// register and merges it with a move, one more instruction a pixel (7 % of the colour filter).
template <bool kMono>
__attribute__((noinline)) void SimulateRun(uint8_t* out, const uint8_t* in, size_t count,
                                           const ChannelTables& t, const uint8_t* q) {
  const auto& rT = t.value[0];
  const auto& gT = t.value[1];
  const auto& bT = t.value[2];
  for (uint8_t* end = out + 3 * count; out != end; out += 3, in += 3) {
    const int qi = q[WeightedLuma(in[0], in[1], in[2])];
    const int r = rT[qi][in[0]], g = gT[qi][in[1]], b = bT[qi][in[2]];
    if constexpr (kMono) {
      out[0] = out[1] = out[2] = uint8_t(WeightedLuma(r, g, b));
    } else {
      out[0] = uint8_t(r);
      out[1] = uint8_t(g);
      out[2] = uint8_t(b);
    }
  }
}

}  // namespace

bool SimulateFilter(uint8_t* pixels, int width, int height, std::string_view filterName,
                    int strength, int keepHighlights, int blackWhite) {
  size_t bytes = 0;
  if (!pixels || !PictureBytes(width, height, 3, bytes)) return false;
  const uint32_t colour = FindFilterColour(filterName);
  if (colour == kNoFilterColour) return true;
  const uint8_t filter[3] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)};
  strength = std::clamp(strength, 0, 255);
  const bool keep = keepHighlights != 0, mono = blackWhite != 0;

  std::unique_ptr<ChannelTables> t(new (std::nothrow) ChannelTables);
  if (!t) return false;
  BuildTables(*t, filter, keep, strength);
  uint8_t q[256 + kFilterTablePadding] = {};
  for (int lum = 0; lum < 256; ++lum) q[lum] = keep ? uint8_t(lum * lum / 255) : 0;

  // Every pixel reads itself alone: bands of rows. Grey output takes the vector path, whose
  // gathered table reads beat the luma arithmetic of the scalar step; for colour they are slower
  // than the scalar reads (48.6 against 44.8 ms a 24-megapixel picture with AVX-512).
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    if (mono && SimulateFilterGreyRunVector(pixels + 3 * first, count, &t->value[0][0][0], q))
      return;
    // Each block is read from a copy of itself (CopiedBlocks.h).
    ForEachCopiedBlock(pixels + 3 * first, 3 * count,
                       [&](uint8_t* out, const uint8_t* in, size_t bytes) {
                         if (mono)
                           SimulateRun<true>(out, in, bytes / 3, *t, q);
                         else
                           SimulateRun<false>(out, in, bytes / 3, *t, q);
                       });
  });
  return true;
}

}  // namespace orv
