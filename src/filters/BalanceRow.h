// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Auto balance's move and mix of a run of pixels, in vectors. A pixel of luma y has each byte c
// moved by the change of its luma, m = clamp(c - d(y), 0, 255), and mixed with it: the byte
// becomes (c (255 - k) + m k) / 255, the mix of strength k / 255 in whole numbers. For the
// strengths whose double mix gives those same bytes for every c and m (CImageFilters checks
// all 65536 pairs first), this is the balance pass without its 64 KB table: the table's three
// reads a pixel cannot be vectors, this arithmetic can. The scalar steps here are the reference
// only for those strengths; the oracle of the vector code is the table pass.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

struct BalanceMix {
  uint8_t stretched[256] = {};  // y - d(y): the luma the levels stretch y to (y when they don't)
  int strength = 0;             // k, 0..255
};

// The bytes of the mix of c with m at strength k, as above.
inline uint8_t MixBytes(int c, int m, int k) {
  return uint8_t((c * (255 - k) + m * k) / 255);
}

// Moves and mixes count pixels (three bytes each) in place, each as above, on the widest vector
// target the processor runs. False, and nothing done, when the reference code is forced or the
// target's vectors are narrower than 32 bytes (SSE4, NEON, SVE on 128 bits), where the table's
// reads were faster (75 against 79 ms a 24-megapixel balance on SSE4).
bool BalanceRowVector(uint8_t* rgb, size_t count, const BalanceMix& mix);

}  // namespace orv
