// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingRules.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(SettingRules, EnteredFontSizeKeepsZeroToEightyAndTurnsTheRestIntoEighty) {
  for (int kept : {0, 1, 8, 79, 80}) EXPECT_EQ(EnteredFontSize(kept), kept);
  for (int capped : {81, 200, 999, -1, -80, -999}) EXPECT_EQ(EnteredFontSize(capped), 80);
}

TEST(SettingRules, SourceSizeQualityFallsBackOnlyForAResizedOutput) {
  Settings s;
  for (int sizeType : {1, 2, 7}) {
    s.Size.Type = sizeType;
    s.Quality.Type = 2;
    EXPECT_TRUE(ApplyQualityFallback(s)) << sizeType;
    EXPECT_EQ(s.Quality.Type, 0);
    EXPECT_FALSE(ApplyQualityFallback(s));  // nothing left to change
  }
  s.Size.Type = 0;
  s.Quality.Type = 2;
  EXPECT_FALSE(ApplyQualityFallback(s));
  EXPECT_EQ(s.Quality.Type, 2);
  s.Size.Type = 1;
  s.Quality.Type = 1;  // the size limit is meant for any output size
  EXPECT_FALSE(ApplyQualityFallback(s));
  EXPECT_EQ(s.Quality.Type, 1);
}

}  // namespace
}  // namespace orv
