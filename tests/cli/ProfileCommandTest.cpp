// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/Profile.h"
#include "settings/SettingKeys.h"
#include "support/RunOrv.h"

namespace orv {
namespace {

using test::AppFolder;
using test::OrvResult;
using test::ReadText;
using test::RunOrv;
using test::TempDir;
using test::WriteText;

TEST(ProfileCommand, StartsFromCurrentThenAppliesProfileAndSets) {
  AppFolder app;
  WriteText(app / "current.orv", "[Size]\r\nPercent=33\r\nWidth=10\r\n");
  test::TempDir work;
  WriteText(work / "named.orv", "[Size]\r\nWidth=640\r\n");
  OrvResult r = RunOrv({"--home", app.path(), "profile", "--profile", work / "named.orv", "--set",
                        "Size.Height=480", "--set=HotPixels.ExList=a,b", "--set",
                        "Quality.MaxKB=99.5", "--write", work / "out.orv"});
  ASSERT_EQ(r.status, 0) << r.err;
  Settings s;
  ASSERT_TRUE(LoadProfile(s, work / "out.orv"));
  // A named profile is loaded over the current one: keys it lacks take their defaults.
  EXPECT_EQ(s.Size.Percent, 50);
  EXPECT_EQ(s.Size.Width, 640);
  EXPECT_EQ(s.Size.Height, 480);
  EXPECT_EQ(s.HotPixels.ExList, "a\r\nb");
  EXPECT_DOUBLE_EQ(s.Quality.MaxKB, 99.5);
}

TEST(ProfileCommand, SetFontSizeIsLimitedButAProfileIsTakenAsItIs) {
  AppFolder app;
  test::TempDir work;
  WriteText(work / "big.orv", "[Text]\r\nFontSize=200\r\n");
  auto written = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", app.path(), "profile"});
    args.insert(args.end(), {"--write", work / "out.orv"});
    OrvResult r = RunOrv(args);
    EXPECT_EQ(r.status, 0) << r.err;
    Settings s;
    EXPECT_TRUE(LoadProfile(s, work / "out.orv"));
    return s.Text.FontSize;
  };
  EXPECT_EQ(written({"--set", "Text.FontSize=200"}), 80);
  EXPECT_EQ(written({"--set", "Text.FontSize=-1"}), 80);
  EXPECT_EQ(written({"--set", "Text.FontSize=0"}), 0);
  EXPECT_EQ(written({"--profile", work / "big.orv"}), 200);
  // The quality rule belongs to a run: a profile keeps what it is given.
  WriteText(work / "match.orv", "[Size]\r\nType=1\r\n[Quality]\r\nType=2\r\n");
  OrvResult r = RunOrv({"--home", app.path(), "profile", "--profile", work / "match.orv", "--write",
                        work / "same.orv"});
  ASSERT_EQ(r.status, 0) << r.err;
  Settings s;
  ASSERT_TRUE(LoadProfile(s, work / "same.orv"));
  EXPECT_EQ(s.Quality.Type, 2);
}

TEST(ProfileCommand, DefaultsWriteTheShippedProfile) {
  AppFolder app;
  WriteText(app / "current.orv", "[Mode]\r\nAdvanced=1\r\n");
  OrvResult r =
      RunOrv({"--home", app.path(), "profile", "--defaults", "--write", app / "copy.orv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(app / "copy.orv"), ReadText(ORV_SOURCE_DIR "/data/default.orv"));
}

TEST(ProfileCommand, UsageErrorsNameTheArgument) {
  AppFolder app;
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--set", "Size.Nope=1"}, "Size.Nope"},
      {{"--set", "size.Percent=1"}, "size.Percent"},
      {{"--set", "Size.Percent"}, "Size.Percent"},
      {{"--set", "Size.Percent=ten"}, "ten"},
      {{"--set", "Quality.MaxKB=1,5"}, "1,5"},
      {{"--profile", "no-such-profile"}, "no-such-profile"},
      {{"--profile", "x.orv", "--defaults"}, "--defaults"},
      {{"--bogus"}, "--bogus"},
      {{}, "--write"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--home", app.path(), "profile"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (c.message != "--write") args.insert(args.end(), {"--write", app / "x.orv"});
    OrvResult r = RunOrv(args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunOrv({"--home", app.path(), "profile", "--write", "/no/such/dir/x.orv"}).status, 1);
}

TEST(Cli, HelpVersionAndUnknownCommands) {
  OrvResult help = RunOrv({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("profile"), std::string::npos);
  OrvResult version = RunOrv({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find("ORV Lumitra"), std::string::npos);
  EXPECT_EQ(RunOrv({"frobnicate"}).status, 2);
  EXPECT_EQ(RunOrv({}).status, 2);
  OrvResult sub = RunOrv({"profile", "--help"});
  EXPECT_EQ(sub.status, 0);
  EXPECT_NE(sub.out.find("--write FILE"), std::string::npos);
}

TEST(ProfileCommand, ListKeysPrintsWhatSetTakesWithoutAnAppFolder) {
  TempDir home;
  // No app folder is made: shell completion calls this on every Tab.
  OrvResult r = RunOrv({"--home", home / "app", "profile", "--list-keys"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines;
  for (size_t pos = 0, end; (end = r.out.find('\n', pos)) != std::string::npos; pos = end + 1)
    lines.push_back(r.out.substr(pos, end - pos));
  ASSERT_EQ(lines.size(), SettingKeys().size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], QualifiedName(SettingKeys()[i]));
  EXPECT_FALSE(std::filesystem::exists(home / "app"));
  OrvResult mixed = RunOrv({"profile", "--list-keys", "--write", home / "x.orv"});
  EXPECT_EQ(mixed.status, 2);
  EXPECT_NE(mixed.err.find("--list-keys"), std::string::npos);
}

TEST(Cli, HelpAllHoldsEveryCommandsHelp) {
  OrvResult all = RunOrv({"--help-all"});
  ASSERT_EQ(all.status, 0);
  for (const char* command : {"run", "info", "exif", "rotate", "profile"}) {
    // Under its heading, each line of the command's help indented by two spaces.
    OrvResult one = RunOrv({command, "--help"});
    std::string indented = std::string("Command ") + command + ":\n";
    for (size_t pos = 0, end; (end = one.out.find('\n', pos)) != std::string::npos; pos = end + 1)
      indented += (end == pos ? "" : "  ") + one.out.substr(pos, end - pos + 1);
    EXPECT_NE(all.out.find(indented), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace orv
