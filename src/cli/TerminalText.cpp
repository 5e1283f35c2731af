// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalText.h"

#include <cstdio>

namespace orv::cli {

namespace {

// The escapes of both forms; escName writes ESC as "\e" rather than "\x1b".
std::string Escaped(std::string_view text, KeepLineEnds keep, bool escName) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if ((keep == KeepLineEnds::CrLf && crlf) || (keep == KeepLineEnds::Lf && c == '\n')) {
      out += char(c);
      if (crlf) out += text[++i];
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == 0x1b && escName) {
      out += "\\e";
    } else if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out;
}

}  // namespace

std::string TerminalSafe(std::string_view text, KeepLineEnds keep) {
  return Escaped(text, keep, true);
}

std::string OneLineText(std::string_view text) {
  return Escaped(text, KeepLineEnds::None, false);
}

}  // namespace orv::cli
