// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a resumed run (--skip-existing) may take as done, and what a run leaves behind for it: an
// output is done only as a regular, non-empty file with its companions; a photo whose correction
// could not run is never placed; an output folder that is a source folder by another path gets
// no marker.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine/OutputCompanions.h"
#include "engine/OutputName.h"
#include "engine/PhotoJob.h"
#include "engine/ProcessLog.h"
#include "settings/SettingValues.h"
#include "support/EngineFixture.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

struct ResumeFaults : test::EngineFixture {
  test::ResultCollector results;
  ResumeFaults() { engine.SetRunObserver(&results); }
  std::string Out(const std::string& name) const { return dir / ("in/ORV/" + name); }
  // Queues the "in" folder (afresh, every photo checked) and runs it.
  RunReport RunAgain() {
    if (engine.queue().Folders().empty()) {
      engine.queue().AddFolder(dir / "in");
    } else {
      engine.queue().RescanFolders();
      engine.queue().RebuildCueList();
    }
    return engine.RunAll();
  }
};

TEST_F(ResumeFaults, OnlyARegularNonEmptyFileIsADoneOutput) {
  const std::string source = Photo("p.jpg");
  const Settings& s = engine.settings();
  fs::create_directories(dir / "in/ORV");
  // A directory, a FIFO and an empty file at the output's name are not finished outputs.
  fs::create_directories(Out("p_ORV.jpg"));
  EXPECT_EQ(ExistingOutput(s, source), "");
  fs::remove(Out("p_ORV.jpg"));
  ASSERT_EQ(::mkfifo(Out("p_ORV.jpg").c_str(), 0600), 0);
  EXPECT_EQ(ExistingOutput(s, source), "");  // and it returns: the FIFO is never opened
  fs::remove(Out("p_ORV.jpg"));
  WriteText(Out("p_ORV.jpg"), "");
  EXPECT_EQ(ExistingOutput(s, source), "");

  // A resumed run redoes that photo (the empty file is replaced) and reports it saved.
  engine.SetSkipExisting(true);
  RunReport r = RunAgain();
  EXPECT_EQ(r.saved, 1);
  EXPECT_EQ(r.skipped, 0);
  EXPECT_GT(fs::file_size(Out("p_ORV.jpg")), 100u);
  EXPECT_EQ(ExistingOutput(s, source), Out("p_ORV.jpg"));
  // Once whole, it is skipped.
  EXPECT_EQ(RunAgain().skipped, 1);
}

TEST_F(ResumeFaults, AResumeCompletesTheSidecarsAndTimeOfAPlacedPhoto) {
  const std::string source = Photo("p.jpg");
  WriteText(dir / "in/p.xmp", "<x:xmpmeta/>");
  WriteText(dir / "in/p.jpg.xmp", "<x:xmpmeta id='2'/>");
  const struct timespec old[2] = {{0, UTIME_OMIT}, {1'000'000'000, 123'456'789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), old, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "in/p.xmp").c_str(), old, 0), 0);
  engine.SetKeepFileTime(true);
  ASSERT_EQ(RunAgain().saved, 1);
  const std::string clean = ReadText(Out("p_ORV.jpg"));

  // As a run stopped after placing the photo leaves it: no sidecars, a fresh time.
  fs::remove(Out("p_ORV.xmp"));
  fs::remove(Out("p_ORV.jpg.xmp"));
  ASSERT_EQ(::utimensat(AT_FDCWD, Out("p_ORV.jpg").c_str(), nullptr, 0), 0);
  engine.SetSkipExisting(true);
  RunReport r = RunAgain();
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(ReadText(Out("p_ORV.xmp")), "<x:xmpmeta/>");
  EXPECT_EQ(ReadText(Out("p_ORV.jpg.xmp")), "<x:xmpmeta id='2'/>");
  struct stat st {};
  ASSERT_EQ(::stat(Out("p_ORV.jpg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123'456'789);
  ASSERT_EQ(::stat(Out("p_ORV.xmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(ReadText(Out("p_ORV.jpg")), clean);  // the photo itself is left as it was

  // A sidecar already there is not written over.
  WriteText(Out("p_ORV.xmp"), "edited");
  CompleteMissingCompanions(host, source, Out("p_ORV.jpg"), false);
  EXPECT_EQ(ReadText(Out("p_ORV.xmp")), "edited");
}

TEST_F(ResumeFaults, APhotoWhoseCorrectionCouldNotRunIsNotPlacedAndIsRedone) {
  const std::string source = Photo("p.jpg");
  const Settings& s = engine.settings();
  ProcessLog log(dir / "help/log.html");
  RunReport report;
  PhotoSettling settling{s, host, log, &results, report};
  settling.skipExisting = true;
  WorkedPhoto item;
  item.end = WorkedPhoto::End::Encoded;
  item.failedStages = 1;
  item.type = ChooseOutputType(s, source);
  item.encoded.ok = true;
  item.bytes.assign(200, 0xff);
  bool saved = true;
  EXPECT_TRUE(SettlePhoto(settling, source, item, saved));
  EXPECT_FALSE(saved);
  EXPECT_FALSE(fs::exists(Out("p_ORV.jpg")));
  EXPECT_EQ(report.stageFailures, 1);
  EXPECT_EQ(report.saved, 0);
  ASSERT_EQ(results.results.size(), 1u);
  EXPECT_EQ(results.results[0].status, ItemResult::Status::Failed);
  EXPECT_TRUE(results.results[0].output.empty());
  EXPECT_NE(ReadText(dir / "help/log.html").find("(a correction could not run)"),
            std::string::npos);
  // Nothing stands under the name, so a resumed run does the photo.
  engine.SetSkipExisting(true);
  EXPECT_EQ(RunAgain().saved, 1);
}

TEST_F(ResumeFaults, AnOutputFolderThatIsASourceFolderByALinkGetsNoMarker) {
  Photo("a.jpg");
  fs::create_symlink(dir / "in", dir / "link");
  engine.settings().Output.Type = output_type::kFolder;
  engine.settings().Output.SimDir = dir / "link";
  ASSERT_EQ(RunAgain().saved, 1);
  EXPECT_TRUE(fs::exists(dir / "in/a_ORV.jpg"));
  EXPECT_FALSE(fs::exists(dir / "in/orvoutput.dir"));

  // Another queued folder reached through a link is a source folder too.
  fs::create_directories(dir / "other");
  test::WritePicture(dir / "other/b.jpg", 64, 48, kFormatJpeg);
  fs::create_symlink(dir / "other", dir / "otherlink");
  engine.settings().Output.SimDir = dir / "otherlink";
  engine.queue().AddFolder(dir / "other");
  EXPECT_GE(engine.RunAll().saved, 1);
  EXPECT_TRUE(fs::exists(dir / "other/b_ORV.jpg"));
  EXPECT_FALSE(fs::exists(dir / "other/orvoutput.dir"));

  // A later run still queues the new photos there.
  Photo("c.jpg");
  engine.queue().RescanFolders();
  engine.queue().RebuildCueList();
  bool queued = false;
  for (const CueItem& item : engine.queue().Cue()) queued |= item.path == dir / "in/c.jpg";
  EXPECT_TRUE(queued);

  // A separate output folder still gets its marker.
  engine.settings().Output.SimDir = dir / "out";
  fs::create_directories(dir / "out");
  EXPECT_GE(RunAgain().saved, 1);
  EXPECT_TRUE(fs::exists(dir / "out/orvoutput.dir"));
}

}  // namespace
}  // namespace orv
