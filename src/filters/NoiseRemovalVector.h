// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The row steps of the speckle filter's half-passes and the split of its pixels into channel
// planes: one entry point each, which runs the vector code of the active kernel target or the
// reference loops, with the same bytes either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// The four rules of a half-pass; they compare integers: raise reacts to a neighbour one level
// higher, lower only to one at least two levels lower.
enum class SpeckleStep : int {
  kRaiseToward,   // c + (b > c)
  kLowerToward,   // c - (c - 1 > b), c = 0 stays
  kRaiseBetween,  // c + (a >= c and b > c)
  kLowerBetween,  // c - (c - 1 > a and b < c), c = 0 stays
};

// out[i] for i in [0, n) from c = in[i], b = in[i + o] and a = in[i - o] (the Between steps).
void SpeckleRow(SpeckleStep step, uint8_t* out, const uint8_t* in, ptrdiff_t o, int n);

// n interleaved 3-byte pixels into the planes p[0..2], and back.
void SplitChannels(const uint8_t* pixels, size_t n, uint8_t* const (&p)[3]);
void JoinChannels(const uint8_t* const (&p)[3], size_t n, uint8_t* pixels);

}  // namespace orv
