// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SafeWrite.h"
#include "platform/UserStore.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;

TEST(AppFolder, HomeOptionIsCreatedAndAbsolute) {
  TempDir dir;
  std::string folder, error;
  ASSERT_TRUE(ResolveAppFolder(dir / "a/b/./c", folder, error)) << error;
  EXPECT_EQ(folder, dir.path() + "/a/b/c");
  EXPECT_EQ(AbsolutePath("/x//y/./z/"), "/x/y/z");
  EXPECT_EQ(AbsolutePath("/"), "/");
  EXPECT_FALSE(ResolveAppFolder("/proc/orv-cannot-exist/x", folder, error));
  EXPECT_FALSE(error.empty());
}

TEST(AppFolder, FirstRunStartsFromTheDefaultProfile) {
  TempDir dir;
  const std::string app = dir / "app";
  std::filesystem::create_directories(app);
  test::WriteText(app + "/default.orv", "[Size]\r\nKeepEXIF=1\r\n");
  // Before seeding (a dry run writes nothing) the default profile stands in for current.orv.
  EXPECT_EQ(StartingProfileFor(app), app + "/default.orv");
  std::string folder, error;
  ASSERT_TRUE(ResolveAppFolder(app, folder, error)) << error;
  EXPECT_EQ(ReadText(app + "/current.orv"), "[Size]\r\nKeepEXIF=1\r\n");
  EXPECT_EQ(StartingProfileFor(app), app + "/current.orv");
  // The user's own current profile is never touched.
  test::WriteText(app + "/current.orv", "[Size]\r\nKeepEXIF=0\r\n");
  test::WriteText(app + "/default.orv", "[Size]\r\nPercent=50\r\n");
  ASSERT_TRUE(ResolveAppFolder(app, folder, error)) << error;
  EXPECT_EQ(ReadText(app + "/current.orv"), "[Size]\r\nKeepEXIF=0\r\n");
}

TEST(UserStore, ValuesSurviveInTheConfigFolder) {
  TempDir dir;
  test::ScopedEnv config("XDG_CONFIG_HOME", dir.path().c_str());
  EXPECT_EQ(ReadUserValue("Settings", "LastProfile", "none"), "none");
  EXPECT_TRUE(WriteUserValue("Settings", "LastProfile", "p.orv *"));
  EXPECT_TRUE(WriteUserValue("Load", "ImgPath", "/photos"));
  EXPECT_EQ(ReadUserValue("Settings", "LastProfile"), "p.orv *");
  EXPECT_EQ(ReadUserValue("Load", "ImgPath"), "/photos");
  EXPECT_EQ(UserStorePath(), dir.path() + "/ORVAutoImage/registry.ini");
}

TEST(SafeWrite, FailedWritesLeaveTheOldFile) {
  TempDir dir;
  ASSERT_TRUE(WriteFileAtomically(dir / "f", "one"));
  {
    TempFile t(dir / "f");
    ASSERT_TRUE(t.ok());
    std::fputs("half", t.file());
    // Dropped without Commit: the old content stays and no temporary is left behind.
  }
  EXPECT_EQ(ReadText(dir / "f"), "one");
  ASSERT_TRUE(WriteFileAtomically(dir / "f", "two"));
  EXPECT_EQ(ReadText(dir / "f"), "two");
  int entries = 0;
  for (auto it = std::filesystem::directory_iterator(dir.path());
       it != std::filesystem::directory_iterator(); ++it)
    ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace orv
