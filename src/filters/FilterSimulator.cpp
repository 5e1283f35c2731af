// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/FilterSimulator.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

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

// Pixels a run reads from a copy of its source bytes at a time (768 bytes on the stack).
constexpr size_t kSimulateBlock = 256;

// count pixels at p through the tables: q maps a pixel's luma to its highlight row of each
// channel table. The tables come in as parameters, held in registers: the byte stores could alias
// a lambda's captured references for all the compiler knows, which would reload them after every
// store. One loop for each kind of output.
// Each block of pixels is read from a copy on the stack and written in place. Read in place, the
// next pixel's bytes follow the stores of the one before in the same buffer, and the processor
// holds those reads back behind the stores: the colour output took 45 ms a 24-megapixel picture
// against 32 ms from the copy, and GCC's choice of register for the pointer decided between them.
// Kept out of line: inlined into the band's lambda, GCC 12 reads the green byte into a spare
// register and merges it with a move, one more instruction a pixel (7 % of the colour filter).
template <bool kMono>
__attribute__((noinline)) void SimulateRun(uint8_t* p, size_t count, const ChannelTables& t,
                                           const uint8_t* q) {
  const auto& rT = t.value[0];
  const auto& gT = t.value[1];
  const auto& bT = t.value[2];
  alignas(64) uint8_t source[3 * kSimulateBlock];
  while (count > 0) {
    const size_t n = std::min(count, kSimulateBlock);
    if (n == kSimulateBlock)
      std::memcpy(source, p, sizeof source);
    else
      std::memcpy(source, p, 3 * n);
    const uint8_t* s = source;
    for (uint8_t* end = p + 3 * n; p != end; p += 3, s += 3) {
      const int qi = q[WeightedLuma(s[0], s[1], s[2])];
      const int r = rT[qi][s[0]], g = gT[qi][s[1]], b = bT[qi][s[2]];
      if constexpr (kMono) {
        p[0] = p[1] = p[2] = uint8_t(WeightedLuma(r, g, b));
      } else {
        p[0] = uint8_t(r);
        p[1] = uint8_t(g);
        p[2] = uint8_t(b);
      }
    }
    count -= n;
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
    if (mono)
      SimulateRun<true>(pixels + 3 * first, count, *t, q);
    else
      SimulateRun<false>(pixels + 3 * first, count, *t, q);
  });
  return true;
}

}  // namespace orv
