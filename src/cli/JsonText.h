// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The small pieces of JSON output the commands need: strings and numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::cli {

// `text` as a quoted JSON string. Texts from files are not always UTF-8: a byte that does not
// start or continue a valid UTF-8 sequence becomes U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

// The shortest text that reads back as the same double, as a plain decimal unless the magnitude
// is extreme (JSON has no NaN or infinity; those give null).
std::string JsonNumber(double value);


}  // namespace orv::cli
