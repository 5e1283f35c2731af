// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Escaping of texts that come from files (EXIF strings, paths) before they go into HTML.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// `text` with &, <, >, " and ' replaced by their character references.
std::string HtmlEscape(std::string_view text);

}  // namespace orv
