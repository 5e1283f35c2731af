// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

CIniFile Parse(const TempDir& dir, const std::string& text) {
  WriteText(dir / "p.orv", text);
  CIniFile ini(dir / "p.orv");
  EXPECT_TRUE(ini.ReadFile());
  return ini;
}

TEST(IniFile, ParsesLinesByTheirFirstCharacters) {
  TempDir dir;
  CIniFile ini = Parse(dir,
                       "Advanced=1\r\n"
                       "[Balance]\n"
                       "   Data0 = 200  \r\n"
                       "; a comment\n"
                       "#hash=3\n"
                       "\t\n"
                       "Data0=201\n"
                       "String=a=b\n"
                       "no equals here \n"
                       "[Balance] \n"
                       "Data1=5\n"
                       "[[ Odd ]]\n"
                       "x=1\n");
  // Before any header: the section with the empty name.
  EXPECT_EQ(ini.GetValue("", "Advanced"), "1");
  EXPECT_EQ(ini.GetValue("Mode", "Advanced", "none"), "none");
  EXPECT_EQ(ini.LastError(), "Unable to locate specified key.");
  EXPECT_EQ(ini.GetValueI("Balance", "Data0", -1), 201);  // blanks trimmed, last one counts
  EXPECT_EQ(ini.GetValue("Balance", "#hash"), "3");
  EXPECT_EQ(ini.GetValue("Balance", "String"), "a=b");
  // A line without '=' has the empty name; the header with a blank after ']' is such a line
  // too, and replaces the earlier one.
  EXPECT_EQ(ini.GetValue("Balance", ""), "[Balance]");
  EXPECT_EQ(ini.GetValue("Balance", "Data1"), "5");
  EXPECT_EQ(ini.GetValue(" Odd ", "x"), "1");  // only the brackets are stripped
  EXPECT_EQ(ini.GetValue("Balance", "data0", "?"), "?");
  EXPECT_EQ(ini.LastError(), "Unable to locate specified value.");
}

TEST(IniFile, TrailingBlankHeaderFeedsThePreviousSection) {
  TempDir dir;
  CIniFile ini = Parse(dir, "[Mode]\nAdvanced=1\n[Balance] \nData0=7\n");
  EXPECT_EQ(ini.GetValue("Mode", "Data0"), "7");
  EXPECT_EQ(ini.FindSection("Balance"), -1);
}

TEST(IniFile, NumbersFallBackOnEmptyValues) {
  TempDir dir;
  CIniFile ini = Parse(dir, "[Q]\nMaxKB=1.500000e+002\nTwo=1.5e+02\nEmpty=\nBad=12abc\n");
  EXPECT_DOUBLE_EQ(ini.GetValueF("Q", "MaxKB", 0), 150.0);
  EXPECT_DOUBLE_EQ(ini.GetValueF("Q", "Two", 0), 150.0);
  EXPECT_EQ(ini.GetValueI("Q", "Empty", 42), 42);
  EXPECT_EQ(ini.GetValueI("Q", "Bad", 42), 12);
}

TEST(IniFile, WritesOnlySectionsWithValuesWithCrLf) {
  TempDir dir;
  CIniFile ini(dir / "w.orv");
  EXPECT_FALSE(ini.SetValue("A", "k", "v", false));
  EXPECT_TRUE(ini.SetValue("A", "k", "v"));
  EXPECT_TRUE(ini.SetValueI("A", "n", -3));
  EXPECT_TRUE(ini.SetValueF("B", "r", 23.0));
  EXPECT_TRUE(ini.SetValue("Empty", "x", "1"));
  EXPECT_TRUE(ini.DeleteValue("Empty", "x"));
  EXPECT_FALSE(ini.DeleteValue("Empty", "x"));
  EXPECT_EQ(ini.ValueCount("Empty"), 0);
  EXPECT_EQ(ini.ValueCount("Nope"), -1);
  EXPECT_EQ(ini.FindValue(-1, "k"), -1);
  ASSERT_TRUE(ini.WriteFile());
  EXPECT_EQ(ReadText(dir / "w.orv"), "[A]\r\nk=v\r\nn=-3\r\n\r\n[B]\r\nr=2.300000e+001\r\n\r\n");
  EXPECT_TRUE(ini.DeleteSection("A"));
  EXPECT_FALSE(ini.DeleteSection("A"));
  EXPECT_EQ(ini.SectionCount(), 2);
}

TEST(IniFile, MissingFileAndLongLines) {
  TempDir dir;
  CIniFile missing(dir / "none.orv");
  EXPECT_FALSE(missing.ReadFile());
  EXPECT_EQ(missing.LastError(), "");
  // A line far longer than any line buffer stays one entry.
  std::string longValue(5000, 'x');
  CIniFile ini = Parse(dir, "[S]\nlong=" + longValue + "\nafter=1\n");
  EXPECT_EQ(ini.GetValue("S", "long"), longValue);
  EXPECT_EQ(ini.GetValue("S", "after"), "1");
  EXPECT_EQ(ini.ValueCount("S"), 2);
}

TEST(IniFile, UnwritablePathLeavesNoFile) {
  TempDir dir;
  CIniFile ini(dir / "missing-folder/x.orv");
  ini.SetValue("A", "k", "v");
  EXPECT_FALSE(ini.WriteFile());
}

}  // namespace
}  // namespace orv
