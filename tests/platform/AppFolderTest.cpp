#include "platform/AppFolder.h"

#include <gtest/gtest.h>

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
