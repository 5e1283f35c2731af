// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as profile files hold them, independent of the process locale (the desktop program
// runs under the user's locale, where a decimal comma must not leak into profiles).
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Like the C library's atoi: leading white space, an optional sign, decimal digits up to the
// first other character; no digits gives 0. Values beyond 32 bits saturate.
int ParseProfileInt(std::string_view text);

// Like atof: leading white space, then the longest prefix that reads as a decimal number
// (with optional exponent, "inf" or "nan"); nothing readable gives 0.
double ParseProfileReal(std::string_view text);

// "%e" with a three-digit exponent: 150 gives "1.500000e+002", 23 gives "2.300000e+001".
std::string FormatProfileReal(double value);

// printf's "%g" (six significant digits, trailing zeros dropped) with a decimal point whatever
// the locale: log lines show numbers this way.
std::string FormatG(double value);

}  // namespace orv
