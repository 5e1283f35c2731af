// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector paths of turning a band of three-byte pixels on its side and of putting destination
// lines back as columns (BandTurn.h): blocks of four pixels of four rows (or lines) are turned in
// registers instead of one pixel at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Turns `rows` rows of w three-byte pixels (the first at `first`, one after another) into band,
// line x starting at band + x x rows x 3, as TurnBand<3> does. False, and nothing done, when the
// reference code is forced or the processor has no vector target.
bool TurnRgbBandVector(const uint8_t* first, int w, int rows, uint8_t* band);

// Puts four lines of `rows` three-byte pixels (line j at lines + j x lineStride, each readable
// for 16 bytes from any of its pixels but the last three) back as four neighbouring columns:
// pixel r of line j goes to out + r x stride + 3 j. With roomAfter, the two columns after these
// are written later, and the stores may spill four bytes onto them. False, and nothing done, as
// for TurnRgbBandVector.
bool PutRgbColumnsVector(const uint8_t* lines, size_t lineStride, int rows, uint8_t* out,
                         size_t stride, bool roomAfter);

}  // namespace orv
