// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
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
  EXPECT_EQ(queue.ClassifyFile("/a/picture.jpeg"), 1);
  EXPECT_EQ(queue.ClassifyFile("/a/PICTURE.JPE"), 1);
  EXPECT_EQ(queue.ClassifyFile("/a/scan.tiff"), 1);
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

  Make("in/readme.txt");
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

TEST_F(QueueFixture, MissingPathsAreRefusedWithTheReason) {
  std::string a = Make("in/a.jpg");
  queue.AddPaths({a, dir / "in/gone.jpg", dir / "nowhere", dir / "in/gone.txt"});
  EXPECT_EQ(CuePaths(), std::vector<std::string>{"in/a.jpg"});
  EXPECT_EQ(queue.TotalCount(), 1);
  for (const char* name : {"in/gone.jpg", "nowhere", "in/gone.txt"})
    EXPECT_NE(queue.Warnings().find(dir / name + " Excluded! No such file or directory\r\n"),
              std::string::npos)
        << queue.Warnings();
  queue.ClearWarnings();
  queue.AddPath(dir / "in/gone.jpg");
  EXPECT_EQ(queue.Warnings(), dir / "in/gone.jpg" + " Excluded! No such file or directory\r\n");
  queue.AddFile(dir / "in/gone.jpg");  // the dialog's path refuses it without a word
  EXPECT_EQ(queue.Cue().size(), 1u);
}

TEST_F(QueueFixture, LongPhotoExtensionsAreScanned) {
  Make("in/IMG_1.jpeg");
  Make("in/IMG_2.JPEG");
  Make("in/IMG_3.jpe");
  Make("in/scan.tiff");
  queue.AddFolder(dir / "in");
  EXPECT_EQ(CuePaths(), (std::vector<std::string>{"in/IMG_1.jpeg", "in/IMG_2.JPEG",
                                                  "in/IMG_3.jpe", "in/scan.tiff"}));
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

TEST_F(QueueFixture, SeveralCueEntriesJoinInOrderWithTheirTwinsMarked) {
  const std::string jpeg = Make("in/IMG_1.JPG");
  const std::string notes = Make("in/notes.txt");
  const std::string raw = Make("in/IMG_1.CR2");
  queue.AddToCue(std::vector<std::string>{jpeg, notes, raw});
  EXPECT_EQ(CuePaths(), (std::vector<std::string>{"in/IMG_1.JPG", "in/IMG_1.CR2"}));
  // The pair arrived together: the RAW is taken (the default), its JPEG left out for it.
  EXPECT_EQ(queue.Cue()[0].twin, raw);
  EXPECT_TRUE(queue.Cue()[1].twin.empty());
  queue.AddToCue(std::vector<std::string>{notes});  // nothing the queue takes: no change
  EXPECT_EQ(queue.Cue().size(), 2u);
}

}  // namespace
}  // namespace orv
