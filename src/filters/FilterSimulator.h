// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// SimulateFilter: imitates a coloured glass or gelatin filter in front of the lens, optionally
// on black-and-white film.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

// Multiplies every pixel by the named filter's transmission colour. keepHighlights keeps bright
// pixels closer to their unfiltered colour; strength (0..255, clamped) mixes the result with the
// original; blackWhite turns it into grey. An unknown name leaves the picture unchanged (true).
// False for a null picture or a non-positive or too large size.
bool SimulateFilter(uint8_t* pixels, int width, int height, std::string_view filterName,
                    int strength, int keepHighlights, int blackWhite);

}  // namespace orv
