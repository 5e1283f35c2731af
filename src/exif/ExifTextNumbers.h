// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Reading numbers back from tag texts, the way the camera summary converts EXIF values.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

// The leading decimal integer of `text` (blanks skipped, optional sign, stops at the first other
// character; 0 when there is none). Saturates instead of overflowing.
int64_t ReadLeadingInteger(std::string_view text);

// The same, clamped to the range of int.
int ReadLeadingInt(std::string_view text);

// Splits a rational text "n/d": true when a "/" follows the first character; numerator and
// denominator are the leading integers on either side of the first "/".
bool ReadRationalParts(std::string_view text, int64_t& numerator, int64_t& denominator);

// A rational text as a double: false (and `value` untouched) without a "/" or with a denominator
// that is not above 0, so no division by zero can happen.
bool ReadRationalValue(std::string_view text, double& value);

// Truncation toward zero of a finite or infinite double into int64, clamped at the ends.
int64_t TruncToInt64(double value);

}  // namespace orv
