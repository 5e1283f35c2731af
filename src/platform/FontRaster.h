// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The font layer of the text stamp: a face chosen by name through fontconfig, set at a pixel
// cell height and rendered by FreeType as one line of white-on-black coverage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orv {

struct FontDescription {
  std::string face;  // family name; fontconfig picks the closest installed face (Arial resolves
                     // to a metric-compatible one)
  int height = 0;    // cell height in pixels: ascent plus descent of a line
  int weight = 400;  // 100..900 as in OpenType; 0 means regular
  bool italic = false;
  bool underline = false;
};

class CFontRaster {
 public:
  CFontRaster();
  ~CFontRaster();
  CFontRaster(const CFontRaster&) = delete;
  CFontRaster& operator=(const CFontRaster&) = delete;

  // Finds and sizes the face. False when no scalable face can be loaded at that height (a height
  // of 0 or less included). A bold or italic request the chosen face lacks is synthesised.
  bool Open(const FontDescription& font);

  // The size of the UTF-8 text set on one line: the sum of the advances by the cell height;
  // 0 x 0 for an empty text. False when no face is open.
  bool Measure(std::string_view utf8, int& width, int& height);

  // Draws the text with its cell's top left at (0, 0) into a width x height grey buffer as
  // coverage 0..255 (white text on black); what falls outside the buffer is clipped. The buffer is
  // cleared first.
  bool Render(std::string_view utf8, uint8_t* grey, int width, int height);

  // The file of the face Open chose (for tests and diagnostics).
  const std::string& FacePath() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv
