// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NumberText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

namespace orv {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipSpace(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  return text.substr(i);
}

}  // namespace

int ParseProfileInt(std::string_view text) {
  text = SkipSpace(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > int64_t{INT_MAX} + 1) magnitude = int64_t{INT_MAX} + 1;  // saturate
  }
  int64_t v = negative ? -magnitude : magnitude;
  if (v > INT_MAX) v = INT_MAX;
  return int(v);
}

double ParseProfileReal(std::string_view text) {
  text = SkipSpace(text);
  bool negative = false;
  // from_chars takes a minus but not a plus; atof takes both.
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
  } else if (!text.empty() && text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) return 0.0;
  double v = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (end == text.data()) return 0.0;
  if (ec == std::errc::result_out_of_range) {
    // from_chars gives no value out of range; atof gives 0 for underflow, HUGE_VAL for overflow.
    std::string_view parsed(text.data(), size_t(end - text.data()));
    size_t e = parsed.find_first_of("eE");
    bool tiny = e != std::string_view::npos && e + 1 < parsed.size() && parsed[e + 1] == '-';
    v = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -v : v;
}

std::string FormatProfileReal(double value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
  if (ec != std::errc()) return "0.000000e+000";
  std::string s(buf, end);
  size_t e = s.find('e');
  if (e == std::string::npos) return s;  // inf or nan
  // to_chars writes at least two exponent digits; profiles carry three.
  size_t digits = s.size() - (e + 2);
  if (digits < 3) s.insert(e + 2, 3 - digits, '0');
  return s;
}

std::string FormatG(double value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  if (ec != std::errc()) return "0";
  return std::string(buf, end);
}

}  // namespace orv
