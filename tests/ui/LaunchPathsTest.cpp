// What the desktop program opens from its command line (a file manager's "Open with"): profiles
// first, then photos and folders queued as a drop queues them.
#include <QListWidget>
#include <filesystem>

#include "settings/Profile.h"
#include "support/TestPictures.h"
#include "ui/LaunchPaths.h"
#include "ui/UiTestSupport.h"

namespace orv::test {
namespace {

class LaunchPathsTest : public UiFixture {
 protected:
  std::string Photo(const std::string& name) {
    std::string path = Data(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_TRUE(WritePicture(path, 32, 24, kFormatJpeg));
    return path;
  }
  QStringList CueTexts() const {
    QStringList texts;
    for (int i = 0; i < window_->cueList()->count(); ++i)
      texts << window_->cueList()->item(i)->text();
    return texts;
  }
};

TEST_F(LaunchPathsTest, LoadsProfilesBeforeQueueingInTheGivenOrder) {
  std::string single = Photo("single.jpg");
  std::string top = Photo("in/top.jpg"), deep = Photo("in/sub/deep.jpg");
  // The profile turns sub-folders on, which the folder's scan must already see.
  Settings recursive;
  recursive.Files.Recursive = 1;
  ASSERT_TRUE(SaveProfile(recursive, Data("deep.ORV")));
  ui::CMainWindow& w = Open();
  ASSERT_EQ(w.engine().settings().Files.Recursive, 0);

  ui::OpenLaunchPaths(w, {single, Data("in"), Data("deep.ORV"), Data("missing.orv")}, true);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - deep.ORV"));
  // A rebuilt Cue List holds the folder's files (sub-folders where met) before single files.
  EXPECT_EQ(CueTexts(), (QStringList{QString::fromStdString(deep), QString::fromStdString(top),
                                     QString::fromStdString(single)}));
  EXPECT_TRUE(prompts_->Saw("message Can't load the settings from " +
                            QString::fromStdString(Data("missing.orv"))));
}

TEST_F(LaunchPathsTest, AFolderNamedLikeAProfileIsQueued) {
  std::string photo = Photo("set.orv/a.jpg");
  ui::CMainWindow& w = Open();
  ui::OpenLaunchPaths(w, {Data("set.orv")}, false);
  EXPECT_EQ(CueTexts(), QStringList{QString::fromStdString(photo)});
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0"));
}

}  // namespace
}  // namespace orv::test
