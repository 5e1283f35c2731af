// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/DryRun.h"
#include "engine/OutputSaver.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct OutputNames : ::testing::Test {
  TempDir dir;
  Settings s;
  OutputNames() {
    s.ApplyKeyDefaults();
    s.Output.Type = 1;
    s.Output.SimDir = dir / "out";
    s.Output.MirrorFolders = 0;
    s.Output.Replace = 0;
    s.Output.FileType = 1;  // JPEG
    std::filesystem::create_directories(dir / "out");
  }
};

TEST_F(OutputNames, NumberingFollowsWhatIsTakenAndReplacingKeepsTheName) {
  std::set<std::string> taken = {dir / "out/a_ORV.jpg", dir / "out/a1_ORV.jpg"};
  auto exists = [&](const std::string& p) { return taken.count(p) > 0; };
  OutputName name = DecideOutputName(s, "/photos/a.png", exists);
  EXPECT_EQ(name.unnumbered, dir / "out/a_ORV.jpg");
  EXPECT_EQ(name.path, dir / "out/a2_ORV.jpg");
  EXPECT_EQ(name.number, 2);
  EXPECT_FALSE(name.replace);
  EXPECT_EQ(NumberedOutputName(name, 7), dir / "out/a7_ORV.jpg");
  s.Output.Replace = 1;
  name = DecideOutputName(s, "/photos/a.png", exists);
  EXPECT_EQ(name.path, dir / "out/a_ORV.jpg");
  EXPECT_TRUE(name.replace);
}

TEST_F(OutputNames, SameAsSourceKeepsTheWholeExtension) {
  auto none = [](const std::string&) { return false; };
  s.Output.FileType = 0;
  // The long and the three-letter names alike keep what they had; numbering goes before "_ORV".
  for (const char* ext : {".jpeg", ".JPEG", ".jpe", ".tiff", ".jpg", ".TIF", ".heic"}) {
    OutputName name = DecideOutputName(s, std::string("/photos/IMG") + ext, none);
    EXPECT_EQ(name.unnumbered, dir / (std::string("out/IMG_ORV") + ext));
    EXPECT_EQ(NumberedOutputName(name, 3), dir / (std::string("out/IMG3_ORV") + ext));
  }
  s.Output.FileType = 1;
  EXPECT_EQ(DecideOutputName(s, "/photos/IMG.jpeg", none).unnumbered, dir / "out/IMG_ORV.jpg");
  EXPECT_EQ(DecideOutputName(s, "/photos/scan.TIFF", none).unnumbered, dir / "out/scan_ORV.jpg");
}

TEST_F(OutputNames, DryRunPlansTheNumbersTheRunWillGiveAndTheSkips) {
  std::filesystem::create_directories(dir / "in");
  WriteText(dir / "out/c_ORV.jpg", "earlier run");
  std::vector<CueItem> cue = {{dir / "in/a.jpg"}, {dir / "in/a.png"}, {dir / "in/b.bmp", false},
                              {dir / "in/c.tif"}};
  std::vector<PlannedOutput> plan = PlanOutputs(s, cue, false);
  ASSERT_EQ(plan.size(), 3u);  // the unchecked item is not taken up
  EXPECT_EQ(plan[0].output, dir / "out/a_ORV.jpg");
  EXPECT_EQ(plan[1].output, dir / "out/a1_ORV.jpg");  // a.jpg's output will be there by then
  EXPECT_EQ(plan[2].output, dir / "out/c1_ORV.jpg");
  plan = PlanOutputs(s, cue, true);
  EXPECT_FALSE(plan[0].skipped);
  // A source sharing its output name with an earlier photo of the same run is not taken for
  // done: that output is the run's own, so the photo gets the next number.
  EXPECT_FALSE(plan[1].skipped);
  EXPECT_EQ(plan[1].output, dir / "out/a1_ORV.jpg");
  EXPECT_TRUE(plan[2].skipped);
  EXPECT_EQ(plan[2].output, dir / "out/c_ORV.jpg");
  EXPECT_EQ(ExistingOutput(s, dir / "in/c.tif"), dir / "out/c_ORV.jpg");
  EXPECT_EQ(ExistingOutput(s, dir / "in/a.jpg"), "");
  EXPECT_EQ(Listing(dir / "out"), std::vector<std::string>{"c_ORV.jpg"});  // nothing written
}

}  // namespace
}  // namespace orv
