// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>

namespace orv {
namespace {

TEST(NumberText, IntegersReadLikeAtoi) {
  EXPECT_EQ(ParseProfileInt("12abc"), 12);
  EXPECT_EQ(ParseProfileInt("  \t-4"), -4);
  EXPECT_EQ(ParseProfileInt("+7"), 7);
  EXPECT_EQ(ParseProfileInt("abc"), 0);
  EXPECT_EQ(ParseProfileInt(""), 0);
  EXPECT_EQ(ParseProfileInt("- 3"), 0);
  EXPECT_EQ(ParseProfileInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseProfileInt("-99999999999999999999"), -2147483647 - 1);
}

TEST(NumberText, RealsReadLikeAtofInAnyLocale) {
  EXPECT_DOUBLE_EQ(ParseProfileReal("1.500000e+002"), 150.0);
  EXPECT_DOUBLE_EQ(ParseProfileReal(" 23.5kB"), 23.5);
  EXPECT_DOUBLE_EQ(ParseProfileReal("+2e1"), 20.0);
  EXPECT_DOUBLE_EQ(ParseProfileReal("-0.5"), -0.5);
  EXPECT_DOUBLE_EQ(ParseProfileReal("x"), 0.0);
  EXPECT_DOUBLE_EQ(ParseProfileReal("1e-999"), 0.0);
  EXPECT_TRUE(std::isinf(ParseProfileReal("1e999")));
  EXPECT_EQ(FormatProfileReal(150.0), "1.500000e+002");
  EXPECT_EQ(FormatProfileReal(23.0), "2.300000e+001");
  EXPECT_EQ(FormatProfileReal(-0.001), "-1.000000e-003");
  EXPECT_EQ(FormatProfileReal(1e300), "1.000000e+300");
  // A decimal-comma locale must not change what profiles read or write.
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
    EXPECT_EQ(FormatProfileReal(150.0), "1.500000e+002");
    EXPECT_DOUBLE_EQ(ParseProfileReal("1.5"), 1.5);
    std::setlocale(LC_NUMERIC, "C");
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(NumberText, FormatGMatchesPrintf) {
  for (double v : {0.0, 1.0, 0.5, 215.0 / 255.0, 0.002, 1e-5, 123456789.0, -2.5, 1.0 / 3}) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    EXPECT_EQ(FormatG(v), buf) << v;
  }
}

}  // namespace
}  // namespace orv
