// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Text from file names and photos made safe for a terminal: control characters are shown as
// escapes, so a name cannot move the cursor, recolour the terminal or fake a line of output.
#pragma once

#include <string>
#include <string_view>

namespace orv::cli {

// Which line ends of the text are the program's own and stay as they are.
enum class KeepLineEnds { None, CrLf, Lf };

// "\n", "\r", "\t" and "\e" style escapes, other control bytes as "\x01".
std::string TerminalSafe(std::string_view text, KeepLineEnds keep = KeepLineEnds::None);

// `text` with control characters written as \n, \r, \t or \xHH (ESC too), so one value stays
// on one line: the info and EXIF listings.
std::string OneLineText(std::string_view text);

}  // namespace orv::cli
