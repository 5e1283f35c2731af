// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The text of the progress line of `orv run` on a terminal, fitted to the terminal's width:
//   [#####.....] 3/10  42%  elapsed 0:12, about 0:28 left  IMG_0001.jpg: Auto Balance
// the bar and DONE/TOTAL count the photos finished, PERCENT is how far the photos in work are,
// then the time so far and the estimate left, then what is being worked on. Parts that do not
// fit are shortened or left out whole (never cut in the middle of a field), names are cut in
// the middle so their ends stay readable.
#pragma once

#include <string>
#include <string_view>

namespace orv::cli {

struct ProgressFields {
  int finished = 0;
  int total = 0;
  std::string percent;  // "42%", empty for none
  std::string elapsed;  // "0:12"
  std::string left;     // "0:28", empty before the first photo finished
  std::string work;     // "IMG_0001.jpg: Auto Balance", or several names
};

// The line for a terminal `columns` wide: at most columns - 1 display columns (the last one would
// wrap on some terminals), control characters of names escaped.
std::string FitProgressLine(const ProgressFields& fields, int columns);

// The display columns of UTF-8 text (one a code point).
size_t DisplayWidth(std::string_view text);

// Text cut to at most `width` display columns by taking out its middle ("IMG_0...2.jpg"); a cut
// never leaves a separator (", ") dangling at either side of the gap.
std::string CutInMiddle(std::string_view text, size_t width);

}  // namespace orv::cli
