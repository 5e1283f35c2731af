// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Antialiased text drawing into a picture: the text is rendered at a multiple of its size,
// reduced by block averaging to a coverage mask and blended in the text colour.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/FontRaster.h"

namespace orv {

// The size in pixels of the text set on one line in the font; 0 x 0 for an empty text. False
// when the font cannot be made.
bool MeasureText(std::string_view text, const FontDescription& font, int& width, int& height);

// Draws the text, rendered in font (its height is already scale times the wanted size) and
// reduced by scale, with its top left at (x, y) in colour 0x00BBGGRR. Parts outside the picture
// are clipped. False on bad arguments, a font that cannot be made or memory shortage (nothing is
// drawn then); true with nothing drawn when the reduced text is empty.
bool DrawTextSmooth(uint8_t* pixels, int width, int height, std::string_view text,
                    const FontDescription& font, int scale, int64_t x, int64_t y, uint32_t colour);

}  // namespace orv
