// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's command line: its own options, Qt's left alone, and the mistakes.
#include <gtest/gtest.h>

#include "ui/LaunchOptions.h"

namespace orv::ui {
namespace {

TEST(LaunchOptionsTest, ReadsTheScreenshotOptionsAndLeavesQtOptionsToQt) {
  LaunchOptions o;
  std::string error;
  ASSERT_TRUE(ParseLaunchOptions({"-style", "fusion", "--home", "/h", "--screenshot", "s.png",
                                  "--tab", "7", "--image", "p.jpg"},
                                 o, error))
      << error;
  EXPECT_EQ(o.home, "/h");
  EXPECT_EQ(o.screenshot, "s.png");
  EXPECT_EQ(o.tab, 7);
  EXPECT_EQ(o.image, "p.jpg");
}

TEST(LaunchOptionsTest, TakesPathsInOrderAndEverythingAfterTheDoubleDash) {
  LaunchOptions o;
  std::string error;
  ASSERT_TRUE(ParseLaunchOptions({"a.jpg", "--home", "/h", "Trip", "--", "--odd.jpg", "p.ORV"}, o,
                                 error))
      << error;
  EXPECT_EQ(o.home, "/h");
  EXPECT_EQ(o.paths, (std::vector<std::string>{"a.jpg", "Trip", "--odd.jpg", "p.ORV"}));
  EXPECT_TRUE(IsProfilePath("p.ORV"));
  EXPECT_TRUE(IsProfilePath("/x/night.orv"));
  EXPECT_FALSE(IsProfilePath("night.orv.jpg"));
  EXPECT_FALSE(IsProfilePath("orv"));
}

TEST(LaunchOptionsTest, RejectsWhatItCannotUse) {
  struct Case {
    std::vector<std::string> args;
    const char* error;
  };
  const Case cases[] = {
      {{"--screenshot"}, "--screenshot needs a value"},
      {{"--screenshot", "s.png", "--tab", "10"},
       "--tab takes a tab number from 0 to 9, not \"10\""},
      {{"--screenshot", "s.png", "--tab", "2x"},
       "--tab takes a tab number from 0 to 9, not \"2x\""},
      {{"--tab", "3"}, "--tab and --image go with --screenshot"},
      {{"--colour"}, "unknown option --colour"},
  };
  for (const Case& c : cases) {
    LaunchOptions o;
    std::string error;
    EXPECT_FALSE(ParseLaunchOptions(c.args, o, error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace orv::ui
