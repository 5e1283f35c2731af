// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop program opens from its command line (a file manager's "Open with"): profiles
// first, then photos and folders queued as a drop queues them.
#include <QListWidget>
#include <cstdio>
#include <filesystem>

#include "settings/Profile.h"
#include "support/TestPictures.h"
#include "ui/LaunchPaths.h"
#include "ui/UiTestSupport.h"

namespace orv::test {
namespace {

class LaunchPathsTest : public UiFixture {};

TEST_F(LaunchPathsTest, LoadsProfilesBeforeQueueingInTheGivenOrder) {
  std::string single = Photo("single.jpg", kFormatJpeg, 32, 24);
  std::string top = Photo("in/top.jpg", kFormatJpeg, 32, 24);
  std::string deep = Photo("in/sub/deep.jpg", kFormatJpeg, 32, 24);
  // The profile turns sub-folders on, which the folder's scan must already see.
  Settings recursive;
  recursive.Files.Recursive = 1;
  ASSERT_TRUE(SaveProfile(recursive, Data("deep.ORV")));
  ui::CMainWindow& w = Open();
  w.engine().settings().Files.Recursive = 0;  // a first start has the default profile's 1

  ui::OpenLaunchPaths(w, {single, Data("in"), Data("gone.jpg"), Data("deep.ORV")}, true);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - deep.ORV"));
  // A rebuilt Cue List holds the folder's files (sub-folders where met) before single files.
  EXPECT_EQ(CueTexts(), (QStringList{QString::fromStdString(deep), QString::fromStdString(top),
                                     QString::fromStdString(single)}));
  EXPECT_FALSE(prompts_->Saw("message"));
}

TEST_F(LaunchPathsTest, AnUnreadableProfileIsReportedAndChangesNothing) {
  ui::CMainWindow& w = Open();
  w.engine().settings().Files.Recursive = 1;
  std::string unreadable = Data("locked.orv");
  WriteText(unreadable, "[Files]\r\nRecursive=0\r\n");
  std::filesystem::permissions(unreadable, std::filesystem::perms::none);
  if (std::FILE* probe = std::fopen(unreadable.c_str(), "rb")) {
    std::fclose(probe);
    GTEST_SKIP() << "running with rights that read any file";
  }
  ui::OpenLaunchPaths(w, {unreadable}, true);
  EXPECT_EQ(w.engine().settings().Files.Recursive, 1);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0"));
  EXPECT_TRUE(
      prompts_->Saw("message Can't load the settings from " + QString::fromStdString(unreadable)));
}

TEST_F(LaunchPathsTest, AFolderNamedLikeAProfileIsQueued) {
  std::string photo = Photo("set.orv/a.jpg", kFormatJpeg, 32, 24);
  ui::CMainWindow& w = Open();
  ui::OpenLaunchPaths(w, {Data("set.orv")}, false);
  EXPECT_EQ(CueTexts(), QStringList{QString::fromStdString(photo)});
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0"));
}

}  // namespace
}  // namespace orv::test
