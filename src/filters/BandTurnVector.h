// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of turning a band of three-byte pixels on its side (BandTurn.h): blocks of
// four pixels of four rows are turned in registers instead of one pixel at a time.
#pragma once

#include <cstdint>

namespace orv {

// Turns `rows` rows of w three-byte pixels (the first at `first`, one after another) into band,
// line x starting at band + x x rows x 3, as TurnBand<3> does. False, and nothing done, when the
// reference code is forced or the processor has no vector target.
bool TurnRgbBandVector(const uint8_t* first, int w, int rows, uint8_t* band);

}  // namespace orv
