// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputSaver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/ProcessLog.h"
#include "imageio/ImageFile.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::ReadText;
using test::RecordingHost;
using test::TempDir;
using test::WriteText;

TEST(OutputFolder, TypesMirrorAndFallbacks) {
  Settings s;
  const std::string src = "/Photos/Trip/a.jpg";
  s.Output.Type = 0;
  EXPECT_EQ(OutputFolderFor(s, src), "/Photos/Trip/ORV");
  s.Output.Type = 1;
  s.Output.SimDir = "/Out";
  s.Output.MirrorFolders = 1;
  EXPECT_EQ(OutputFolderFor(s, src), "/Out/Trip");
  s.Output.MirrorFolders = 0;
  EXPECT_EQ(OutputFolderFor(s, src), "/Out");
  s.Output.SimDir = "/Out/";
  EXPECT_EQ(OutputFolderFor(s, src), "/Out");
  s.Output.SimDir = "";
  EXPECT_EQ(OutputFolderFor(s, src), "/Photos/Trip/ORV");
  s.Output.Type = 2;
  EXPECT_EQ(OutputFolderFor(s, src), "/Photos/Trip");
  s.Output.Type = 9;
  EXPECT_EQ(OutputFolderFor(s, src), "/Photos/Trip");
  EXPECT_EQ(OutputFolderFor(s, "/a.jpg"), "/");
}

TEST(OutputFolder, WholeTreeMirrorKeepsThePathBelowTheQueuedRoot) {
  Settings s;
  s.Output.Type = 1;
  s.Output.SimDir = "/Out";
  s.Output.MirrorFolders = 1;
  s.Output.MirrorTree = 1;
  // Nested roots: the first one added that holds the photo decides, as its scan queued it.
  s.Output.TreeRoots = {"/lib/", "/lib/2021/"};
  EXPECT_EQ(OutputFolderFor(s, "/lib/2021/01/x.jpg"), "/Out/2021/01");
  EXPECT_EQ(OutputFolderFor(s, "/lib/2022/01/x.jpg"), "/Out/2022/01");
  EXPECT_EQ(OutputFolderFor(s, "/lib/x.jpg"), "/Out");
  // "/library" is not below "/lib".
  s.Output.TreeBase = "/data";
  EXPECT_EQ(OutputFolderFor(s, "/library/a/x.jpg"), "/Out/a");
  EXPECT_EQ(OutputFolderFor(s, "/data/2020/12/x.jpg"), "/Out/2020/12");
  s.Output.TreeRoots.clear();
  s.Output.TreeBase = "/";
  EXPECT_EQ(OutputFolderFor(s, "/lib/2021/01/x.jpg"), "/Out/lib/2021/01");
  // Only with an output folder; off, the one-level mirror is as it was.
  s.Output.MirrorTree = 0;
  EXPECT_EQ(OutputFolderFor(s, "/lib/2021/01/x.jpg"), "/Out/01");
  s.Output.MirrorTree = 1;
  s.Output.Type = 0;
  EXPECT_EQ(OutputFolderFor(s, "/lib/2021/01/x.jpg"), "/lib/2021/01/ORV");
}

TEST(EnsureFolder, ValidatesCreatesAndReports) {
  TempDir dir;
  RecordingHost host;
  EXPECT_EQ(EnsureFolder(&host, dir / "x/y/z", false), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "x/y/z"));
  EXPECT_EQ(EnsureFolder(&host, "relative/path", false), 1);
  EXPECT_TRUE(host.Saw("message The folder:\n\nrelative/path\n\nis invalid. Please reenter."));
  EXPECT_EQ(EnsureFolder(&host, dir / " lead", false), 1);
  EXPECT_EQ(EnsureFolder(&host, dir / "trail\t", false), 1);
  EXPECT_EQ(EnsureFolder(&host, dir / "a/../b", false), 1);
  EXPECT_EQ(EnsureFolder(&host, dir / "a//b", false), 1);
  EXPECT_EQ(EnsureFolder(&host, dir / "bell\x07", false), 1);
  EXPECT_EQ(EnsureFolder(&host, "/", false), 0);
  // Asked and declined: nothing is made.
  EXPECT_EQ(EnsureFolder(&host, dir / "asked", true), -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "asked"));
  // A regular file stands where a folder should go (permissions do not stop root).
  WriteText(dir / "file", "x");
  EXPECT_EQ(EnsureFolder(&host, dir / "file/sub", false), 2);
  EXPECT_TRUE(host.Saw("message The folder:\n\n" + dir.path() +
                       "/file/sub\n\ncan not be created. Please double check."));
}

TEST(FolderMarker, AppendsOneStarPerSave) {
  TempDir dir;
  WriteFolderMarker(dir.path());
  WriteFolderMarker(dir.path() + "/");
  EXPECT_EQ(ReadText(dir / "orvoutput.dir"), "**");
}

struct SaverFixture : ::testing::Test {
  TempDir dir;
  Settings settings;
  CameraSummary camera;
  Image picture = test::GradientImage(96, 64);
  RecordingHost host;
  ProcessLog log{dir / "log.html"};

  SaverFixture() {
    log.LogAppend("", true);
    settings.Output.Replace = 0;
  }
  SaveContext Context() {
    SaveContext c{settings, camera, picture};
    c.host = &host;
    c.log = &log;
    return c;
  }
  std::string Source(const std::string& name) {
    std::filesystem::create_directories(dir / "src");
    test::WritePicture(dir / ("src/" + name), picture, kFormatPng);
    return dir / ("src/" + name);
  }
};

TEST_F(SaverFixture, NumbersWhenOutputsExistAndNeverReplacesTheSource) {
  std::string src = Source("a.bmp");
  settings.Output.Type = 2;
  settings.Output.FileType = 1;
  WriteText(dir / "src/a_ORV.jpg", "old");
  WriteText(dir / "src/a1_ORV.jpg", "old");
  std::string out;
  ASSERT_EQ(SaveOutput(Context(), src, &out), SaveOutcome::Saved);
  EXPECT_EQ(out, dir / "src/a2_ORV.jpg");
  EXPECT_EQ(ReadText(dir / "src/a_ORV.jpg"), "old");
  std::string text = ReadText(dir / "log.html");
  EXPECT_NE(text.find("File already exist (No Replace): " + dir.path() +
                      "/src/a_ORV.jpg</font>"
                      "<br>\r\n=>"),
            std::string::npos);
  EXPECT_NE(text.find("a2_ORV.jpg ("), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "src/orvoutput.dir"));  // type 2: no marker

  // Replacing on: the existing output is overwritten.
  settings.Output.Replace = 1;
  ASSERT_EQ(SaveOutput(Context(), src, &out), SaveOutcome::Saved);
  EXPECT_EQ(out, dir / "src/a_ORV.jpg");
  EXPECT_NE(ReadText(dir / "src/a_ORV.jpg"), "old");

  // A source whose output name is its own path is numbered, never overwritten.
  std::string processed = dir / "src/b_ORV.png";
  test::WritePicture(processed, picture, kFormatPng);
  std::string before = ReadText(processed);
  settings.Output.FileType = 0;
  std::filesystem::rename(processed, dir / "src/b.png");
  std::filesystem::create_symlink(dir / "src/b.png", dir / "src/b_ORV.png");
  ASSERT_EQ(SaveOutput(Context(), dir / "src/b.png", &out), SaveOutcome::Saved);
  EXPECT_EQ(out, dir / "src/b1_ORV.png");
  EXPECT_EQ(ReadText(dir / "src/b.png"), before);
  EXPECT_NE(ReadText(dir / "log.html").find("NEVER ALLOWED"), std::string::npos);
}

TEST_F(SaverFixture, FileTypesAndTheSourceFormatPath) {
  settings.Output.Type = 0;
  std::string out;
  settings.Output.FileType = 2;
  ASSERT_EQ(SaveOutput(Context(), Source("p.bmp"), &out), SaveOutcome::Saved);
  EXPECT_EQ(out, dir / "src/ORV/p_ORV.png");
  EXPECT_EQ(ReadText(dir / "src/ORV/orvoutput.dir"), "*");
  settings.Output.FileType = 3;
  ASSERT_EQ(SaveOutput(Context(), Source("q.png"), &out), SaveOutcome::Saved);
  EXPECT_EQ(out, dir / "src/ORV/q_ORV.bmp");

  // "Same as Source" for a TIFF: written in the source's format, found from its content.
  settings.Output.FileType = 0;
  test::WritePicture(dir / "src/t.tif", picture, kFormatTiff);
  ASSERT_EQ(SaveOutput(Context(), dir / "src/t.tif", &out), SaveOutcome::Saved);
  CImageFile back;
  ASSERT_EQ(back.Load(out.c_str()), 0u);
  EXPECT_EQ(back.format(), kFormatTiff);
  EXPECT_EQ(back.width(), 96);
  // A TGA source (recognised by two zero bytes and its extension) is saved as TGA.
  test::WritePicture(dir / "src/g.tga", picture, kFormatTga);
  ASSERT_EQ(SaveOutput(Context(), dir / "src/g.tga", &out), SaveOutcome::Saved);
  ASSERT_EQ(back.Load(out.c_str()), 0u);
  EXPECT_EQ(back.format(), kFormatTga);
  EXPECT_EQ(back.height(), 64);
  // A TGA whose content is not recognised: its extension names the format.
  WriteText(dir / "src/junk.tga", std::string(100, '\x01'));
  ASSERT_EQ(SaveOutput(Context(), dir / "src/junk.tga", &out), SaveOutcome::Saved);
  ASSERT_EQ(back.Load(out.c_str()), 0u);
  EXPECT_EQ(back.format(), kFormatTga);
  // A source of no known format is not saved, and the log says why.
  WriteText(dir / "src/junk.xyz", std::string(100, '\x01'));
  EXPECT_EQ(SaveOutput(Context(), dir / "src/junk.xyz", &out), SaveOutcome::NotSaved);
  EXPECT_NE(ReadText(dir / "log.html").find("junk_ORV.xyz: the format of the source is not known"),
            std::string::npos);
}

TEST_F(SaverFixture, UncreatableFolderIsLoggedAndNothingSaved) {
  WriteText(dir / "blocker", "x");
  settings.Output.Type = 1;
  settings.Output.SimDir = dir / "blocker/out";
  EXPECT_EQ(SaveOutput(Context(), Source("a.jpg")), SaveOutcome::NotSaved);
  EXPECT_NE(ReadText(dir / "log.html").find("Can't create path: " + dir.path() + "/blocker/out"),
            std::string::npos);
}

TEST_F(SaverFixture, QualitySearchMeasuresWhatIsWritten) {
  settings.Output.FileType = 1;
  settings.Output.Type = 2;
  settings.Quality.CQ = 88;
  settings.Quality.MinQ = 45;
  SaveContext ctx = Context();
  int64_t at60 = MeasureJpegSize(ctx, 60);
  int64_t at87 = MeasureJpegSize(ctx, 87);
  ASSERT_GT(at87, at60);
  // Every size fits: the search ends one below CQ, never testing CQ itself.
  EXPECT_EQ(FindJpegQuality(ctx, int64_t(1) << 40, 45), 87);
  // Nothing fits: MinQ, even though the file then exceeds the limit.
  EXPECT_EQ(FindJpegQuality(ctx, 10, 45), 45);
  // MinQ at or above CQ: no test encoding.
  settings.Quality.MinQ = 90;
  EXPECT_EQ(FindJpegQuality(ctx, 10, 90), 90);
  settings.Quality.CQ = 150;  // above 99 acts as 99 in the search
  EXPECT_EQ(FindJpegQuality(ctx, int64_t(1) << 40, 45), 98);
  settings.Quality.CQ = 88;
  settings.Quality.MinQ = 45;

  settings.Quality.Type = 1;
  settings.Quality.MaxKB = double(at60) / 1000.0;
  std::string out;
  ASSERT_EQ(SaveOutput(Context(), Source("m.png"), &out), SaveOutcome::Saved);
  EXPECT_LE(int64_t(std::filesystem::file_size(out)), at60);
  EXPECT_NE(ReadText(dir / "log.html").find("Determined Quality: "), std::string::npos);
  // The logged size is the written file's size.
  std::string text = ReadText(dir / "log.html");
  EXPECT_NE(text.find(out + " (" + std::to_string(std::filesystem::file_size(out)) + ")"),
            std::string::npos);
}

TEST_F(SaverFixture, ExifIsCarriedForJpegOnlyAndWhenKept) {
  camera.ExifBlock = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
  settings.Size.KeepEXIF = 1;
  settings.Output.Type = 2;
  settings.Output.FileType = 1;
  settings.Output.Replace = 1;
  std::string out;
  ASSERT_EQ(SaveOutput(Context(), Source("e.png"), &out), SaveOutcome::Saved);
  CImageFile back;
  ASSERT_EQ(back.Load(out.c_str()), 0u);
  EXPECT_EQ(back.exifBlock(), camera.ExifBlock);
  settings.Size.KeepEXIF = 0;
  ASSERT_EQ(SaveOutput(Context(), Source("e.png"), &out), SaveOutcome::Saved);
  ASSERT_EQ(back.Load(out.c_str()), 0u);
  EXPECT_TRUE(back.exifBlock().empty());
}

}  // namespace
}  // namespace orv
