// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/ExifTextNumbers.h"

#include <cmath>
#include <limits>

namespace orv {

int64_t ReadLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number so that INT64_MIN is reachable without overflow.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t acc = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (acc < (kMin + digit) / 10) {
      acc = kMin;
    } else {
      acc = acc * 10 - digit;
    }
  }
  if (negative) return acc;
  return acc == kMin ? std::numeric_limits<int64_t>::max() : -acc;
}

int ReadLeadingInt(std::string_view text) {
  const int64_t v = ReadLeadingInteger(text);
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return int(v);
}

bool ReadRationalParts(std::string_view text, int64_t& numerator, int64_t& denominator) {
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos || slash == 0) return false;
  numerator = ReadLeadingInteger(text.substr(0, slash));
  denominator = ReadLeadingInteger(text.substr(slash + 1));
  return true;
}

bool ReadRationalValue(std::string_view text, double& value) {
  int64_t n = 0, d = 0;
  if (!ReadRationalParts(text, n, d) || d <= 0) return false;
  value = double(n) / double(d);
  return true;
}

int64_t TruncToInt64(double value) {
  // 2^63 is exactly representable; anything at or beyond it clamps.
  constexpr double kLimit = 9223372036854775808.0;
  if (std::isnan(value)) return 0;
  if (value >= kLimit) return std::numeric_limits<int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<int64_t>::min();
  return int64_t(value);
}

}  // namespace orv
