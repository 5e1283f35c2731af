#include "engine/BatchQueue.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using test::RecordingHost;
using test::TempDir;
using test::WriteText;

struct QueueFixture : ::testing::Test {
  TempDir dir;
  Settings settings;
  RecordingHost host;
  BatchQueue queue{settings, host};

  QueueFixture() {
    settings.Files.Recursive = 1;
    settings.Files.ExcludeORV = 1;
  }
  std::string Make(const std::string& rel) {
    std::filesystem::create_directories(std::filesystem::path(dir / rel).parent_path());
    WriteText(dir / rel, "x");
    return dir / rel;
  }
  std::vector<std::string> CuePaths() const {
    std::vector<std::string> out;
    for (const CueItem& c : queue.Cue()) out.push_back(c.path.substr(dir.path().size() + 1));
    return out;
  }
};

TEST_F(QueueFixture, ClassifiesByExtensionAndProcessedNames) {
  EXPECT_EQ(queue.ClassifyFile("/a/b.JPG"), 1);
  EXPECT_EQ(queue.ClassifyFile("/a/b.tga"), 1);
  EXPECT_EQ(queue.ClassifyFile("/a/picture.jpeg"), 0);
  EXPECT_EQ(queue.ClassifyFile("/a/scan.tiff"), 0);
  EXPECT_EQ(queue.ClassifyFile("/a/anim.gif"), 0);
  EXPECT_EQ(queue.ClassifyFile("/a/photo_ORV.JPG"), -1);
  EXPECT_NE(queue.Warnings().find("/a/photo_ORV.JPG Excluded! This files was already processed "
                                  "(*_ORV.*)!\r\n"),
            std::string::npos);
  EXPECT_EQ(queue.ClassifyFile("_orv.jpg"), 1);  // only after the first character
  settings.Files.ExcludeORV = 0;
  EXPECT_EQ(queue.ClassifyFile("/a/photo_ORV.JPG"), 1);
}

TEST_F(QueueFixture, FoldersAreScannedDepthFirstAndOutputFoldersSkipped) {
  Make("in/b.jpg");
  Make("in/a.png");
  Make("in/sub/c.bmp");
  Make("in/sub/notes.txt");
  Make("in/z.tif");
  Make("in/ORV/a_ORV.png");
  Make("in/ORV/orvoutput.dir");
  queue.AddFolder(dir / "in");
  EXPECT_EQ(CuePaths(),
            (std::vector<std::string>{"in/a.png", "in/b.jpg", "in/sub/c.bmp", "in/z.tif"}));
  EXPECT_NE(queue.Warnings().find("ORV/ Excluded! It is used as ORV Output path (orvoutput.dir)"),
            std::string::npos);
  EXPECT_EQ(queue.FolderCount(), 4);

  settings.Files.Recursive = 0;
  queue.RecursiveToggled();
  EXPECT_EQ(CuePaths(), (std::vector<std::string>{"in/a.png", "in/b.jpg", "in/z.tif"}));

  // Turning the exclusion off asks; No keeps it on and the lists as they were.
  queue.ExcludeProcessedToggled(false);
  EXPECT_EQ(settings.Files.ExcludeORV, 1);
  EXPECT_TRUE(host.Saw("ask Processing already treated images"));
  settings.Files.Recursive = 1;
  host.answers.push_back(true);
  queue.ExcludeProcessedToggled(false);
  EXPECT_EQ(settings.Files.ExcludeORV, 0);
  EXPECT_EQ(CuePaths().size(), 5u);  // the output folder's file is queued too
}

TEST_F(QueueFixture, SingleFilesAppendWithoutRebuildAndDuplicatesStay) {
  std::string a = Make("in/a.jpg");
  queue.AddFolder(dir / "in");
  queue.Cue()[0].checked = false;
  queue.AddPath(a);  // dropped: appended, the existing check mark stays
  ASSERT_EQ(queue.Cue().size(), 2u);
  EXPECT_FALSE(queue.Cue()[0].checked);
  EXPECT_TRUE(queue.Cue()[1].checked);
  EXPECT_EQ(queue.TotalCount(), 2);

  queue.AddPath(dir / "in/readme.txt");
  EXPECT_NE(queue.Warnings().find("readme.txt Excluded! Not Supported file.\r\n"),
            std::string::npos);
  queue.AddFile(dir / "in/readme.txt");  // the dialog path warns nothing
  EXPECT_EQ(queue.Warnings(), "");

  queue.AddPath(dir / "in");  // the same folder twice: listed twice
  EXPECT_EQ(CuePaths(), (std::vector<std::string>{"in/a.jpg", "in/a.jpg", "in/a.jpg"}));
  for (const CueItem& c : queue.Cue()) EXPECT_TRUE(c.checked);  // a rebuild checks everything

  queue.RemoveAllFiles();
  queue.RemoveFolder(0);
  queue.RemoveFolder(7);
  EXPECT_EQ(queue.Cue().size(), 1u);
  EXPECT_EQ(queue.TotalCount(), 1);
}

TEST_F(QueueFixture, CheckMarksAreSetByIndexWithinTheList) {
  Make("in/a.jpg");
  Make("in/b.jpg");
  queue.AddFolder(dir / "in");
  ASSERT_EQ(queue.Cue().size(), 2u);
  EXPECT_TRUE(queue.SetChecked(1, false));
  EXPECT_TRUE(queue.Cue()[0].checked);
  EXPECT_FALSE(queue.Cue()[1].checked);
  EXPECT_TRUE(queue.SetChecked(1, true));
  EXPECT_TRUE(queue.Cue()[1].checked);
  EXPECT_FALSE(queue.SetChecked(2, false));
  EXPECT_FALSE(queue.SetChecked(-1, false));
  EXPECT_TRUE(queue.Cue()[0].checked && queue.Cue()[1].checked);
}

}  // namespace
}  // namespace orv
