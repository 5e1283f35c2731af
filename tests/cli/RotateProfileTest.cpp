// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv rotate` on several files, links and files that change under it; `orv profile --write` with
// a bare name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/RunOrv.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::OrvResult;
using test::ReadText;
using test::RunOrv;
using test::TempDir;
using test::WriteText;

TEST(RotateFiles, TurnsSeveralSaysWhatWasTrimmedAndKeepsLinks) {
  TempDir dir;
  std::filesystem::copy_file(ORV_SOURCE_DIR "/samples/test1.jpg", dir / "t.jpg");  // 180 x 135
  ASSERT_TRUE(test::WritePicture(dir / "whole.jpg", 64, 48, kFormatJpeg));
  std::filesystem::create_symlink("t.jpg", dir / "link.jpg");
  // A temporary file a killed rotation left behind blocks nothing.
  WriteText(dir / "t.rot", "left over");
  OrvResult r = RunOrv({"rotate", "cw", dir / "link.jpg", dir / "missing.jpg", dir / "whole.jpg"});
  EXPECT_EQ(r.status, 1);  // one file could not be turned; the others were
  EXPECT_NE(r.err.find("link.jpg: 7 rows at the edge trimmed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("missing.jpg: Can't open source"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("whole.jpg"), std::string::npos) << r.err;  // nothing to say
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.jpg"));
  EXPECT_NE(RunOrv({"info", dir / "t.jpg"}).out.find("Width: 128\n"), std::string::npos);
  EXPECT_NE(RunOrv({"info", dir / "whole.jpg"}).out.find("Width: 48\n"), std::string::npos);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.exists();
  EXPECT_EQ(files, 4u);  // the three and the old t.rot: no temporary file of this run stays
}

TEST(RotateFiles, ACutShortSourceIsAFailureNotACrash) {
  TempDir dir;
  std::string whole = ReadText(ORV_SOURCE_DIR "/samples/test1.jpg");
  WriteText(dir / "cut.jpg", whole.substr(0, whole.size() / 3));
  std::string before = ReadText(dir / "cut.jpg");
  OrvResult r = RunOrv({"rotate", "ccw", dir / "cut.jpg"});
  EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status;
  if (r.status == 1) {
    EXPECT_EQ(ReadText(dir / "cut.jpg"), before);
  }
  // Cut while it is being turned: a file shrinking under the rotation ends in a status, never a
  // signal (it used to be mapped into memory, which a truncation turns into SIGBUS).
  for (int i = 0; i < 20; ++i) {
    WriteText(dir / "race.jpg", whole);
    OrvResult raced = test::RunCaptured("(" + test::OrvCommandLine({"rotate", "cw", dir / "race.jpg"}) +
                                        ") & : > " + test::ShellQuote(dir / "race.jpg") + "; wait $!");
    EXPECT_TRUE(raced.status == 0 || raced.status == 1) << raced.status << raced.err;
  }
}

TEST(ProfileWrite, ABareNameIsANamedProfileAndFailuresSayWhy) {
  test::AppFolder app;
  TempDir elsewhere;
  OrvResult r = test::RunCaptured("cd " + test::ShellQuote(elsewhere.path()) + " && " +
                                  test::OrvCommandLine({"--home", app.path(), "profile",
                                                        "--defaults", "--set", "Size.Type=1",
                                                        "--write", "web"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(app / "Profiles/web.orv"));
  EXPECT_FALSE(std::filesystem::exists(elsewhere / "web"));
  // --profile NAME reads what --write NAME wrote.
  OrvResult dry = RunOrv({"--home", app.path(), "profile", "--profile", "web", "--write",
                          elsewhere / "copy.orv"});
  ASSERT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(ReadText(elsewhere / "copy.orv").find("Type=1"), std::string::npos);
  OrvResult fail = RunOrv({"--home", app.path(), "profile", "--write", "/no/such/dir/x.orv"});
  EXPECT_EQ(fail.status, 1);
  EXPECT_NE(fail.err.find("No such file or directory"), std::string::npos) << fail.err;
}

}  // namespace
}  // namespace orv
