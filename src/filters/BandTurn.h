// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The resamplers' horizontal passes work on a band of rows turned on its side: source column x
// of the band becomes line x (the band's rows' pixels of that column, one after another), so
// that a destination column is one weighted sum of whole lines, which the line kernels sum many
// values at a time. These move the pixels into the lines and a destination line back into its
// column of the output rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filters/BandTurnVector.h"

namespace orv {

// Source columns turned at a time: a tile's lines stay in the first-level cache while every row
// of the band writes into them.
constexpr int kTurnTile = 64;

// Turns pixels [x0, x1) of row r of the band (rows of w pixels of Bpp bytes, the first at
// `first`) into their slots of lines x0 .. x1 - 1 (line x starts at band + x x rows x Bpp).
template <int Bpp>
void TurnRowPart(const uint8_t* first, int w, int rows, int r, int x0, int x1, uint8_t* band) {
  const size_t lineBytes = size_t(rows) * Bpp;
  const uint8_t* in = first + (size_t(r) * size_t(w) + size_t(x0)) * Bpp;
  uint8_t* out = band + size_t(x0) * lineBytes + size_t(r) * Bpp;
  int x = x0;
  if constexpr (Bpp == 3) {
    // Four-byte moves: the spare byte lands on the next row's slot, written after this one,
    // so the band's last row and the picture's last pixel move three bytes.
    if (r + 1 < rows)
      for (; x < x1 && x + 1 < w; ++x, in += Bpp, out += lineBytes) std::memcpy(out, in, 4);
  }
  for (; x < x1; ++x, in += Bpp, out += lineBytes) std::memcpy(out, in, Bpp);
}

// Turns `rows` rows of w pixels of Bpp bytes (the first at `first`, one after another) into
// band: line x starts at band + x x rows x Bpp. Three-byte pixels go through the vector path
// (BandTurnVector.h) unless the reference code is forced.
template <int Bpp>
void TurnBand(const uint8_t* first, int w, int rows, uint8_t* band) {
  if constexpr (Bpp == 3)
    if (TurnRgbBandVector(first, w, rows, band)) return;
  for (int t0 = 0; t0 < w; t0 += kTurnTile) {
    const int t1 = std::min(w, t0 + kTurnTile);
    for (int r = 0; r < rows; ++r) {
      // The row's part of the next tile, fetched while this one moves: the band reads its rows
      // in short pieces a whole row apart, which the hardware prefetchers pick up late.
      if (t1 < w) {
        const uint8_t* next = first + (size_t(r) * size_t(w) + size_t(t1)) * Bpp;
        for (int e = 0; e < kTurnTile * Bpp; e += 64) __builtin_prefetch(next + e);
      }
      TurnRowPart<Bpp>(first, w, rows, r, t0, t1, band);
    }
  }
}

// Puts a line of `rows` pixels back as a column: pixel r goes to out + r x stride. With
// another column following (written after this one), three-byte pixels move as four bytes, the
// spare byte landing on that column; the line then needs one readable byte past its end.
template <int Bpp>
void PutColumn(const uint8_t* line, int rows, uint8_t* out, size_t stride, bool followed) {
  if (Bpp == 3 && followed) {
    for (int r = 0; r < rows; ++r, line += Bpp, out += stride) std::memcpy(out, line, 4);
  } else {
    for (int r = 0; r < rows; ++r, line += Bpp, out += stride) std::memcpy(out, line, Bpp);
  }
}

// Destination lines the horizontal passes make before putting them into their columns, and the
// bytes between their slots for lines of up to bandLine bytes: 16 more, so that the vector path
// reads each line 16 bytes at a time.
constexpr int kPutColumns = 4;
constexpr size_t PutLineStride(size_t bandLine) {
  return bandLine + 16;
}

// Puts n (up to kPutColumns) lines of `rows` pixels, line j at lines + j x lineStride, back as
// neighbouring columns: pixel r of line j goes to out + r x stride + j x Bpp. columnsAfter
// columns of the rows follow these and are written after them. A group of four three-byte
// columns goes through the vector path (BandTurnVector.h) unless the reference code is forced.
template <int Bpp>
void PutColumns(const uint8_t* lines, size_t lineStride, int n, int rows, uint8_t* out,
                size_t stride, int columnsAfter) {
  if constexpr (Bpp == 3)
    if (n == kPutColumns &&
        PutRgbColumnsVector(lines, lineStride, rows, out, stride, columnsAfter >= 2))
      return;
  for (int j = 0; j < n; ++j)
    PutColumn<Bpp>(lines + size_t(j) * lineStride, rows, out + size_t(j) * Bpp, stride,
                   j + 1 < n || columnsAfter > 0);
}

}  // namespace orv
