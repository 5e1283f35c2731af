// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Batches of HEIC and AVIF photos through `orv run`, `orv info` and `orv exif`: saving as the
// source's format with its EXIF and profile, upright JPEG outputs, damaged files.
#include <gtest/gtest.h>

#include <filesystem>

#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "support/HeifFiles.h"

namespace orv {
namespace {

using test::HeifEnc;
using test::OrvResult;
using test::ReadText;
using test::RunOrv;
using test::SamplePath;
using test::TempDir;
using test::WriteText;

struct HeifRun : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  OrvResult Run(std::vector<std::string> args) { return RunOrv(test::RunArgs(app.path(), args)); }
  static std::string ExifListing(const std::string& path) {
    OrvResult r = RunOrv({"exif", path});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
};

int ContentOf(const std::string& path) {
  ImageSource* src = OpenSourceFile(path.c_str());
  int code = GuessSourceFormat(src);
  CloseSource(src);
  return code;
}

TEST_F(HeifRun, SameAsSourceKeepsFormatExifAndProfile) {
  // An AVIF described as Display P3 by its nclx box, and a HEIC carrying that profile as ICC.
  ASSERT_TRUE(test::WriteHeifFile(SamplePath("test3.jpg"), photos / "IMG_0002.avif",
                                  {heif_compression_AV1, heif_orientation_normal, 12, 13}));
  CImageFile p3;
  ASSERT_EQ(p3.Load((photos / "IMG_0002.avif").c_str()), 0u);
  ASSERT_FALSE(p3.iccProfile().empty());
  CImageFile jpeg;
  ASSERT_EQ(jpeg.Load(SamplePath("test1.jpg").c_str()), 0u);
  jpeg.SetMetadata(jpeg.exifBlock(), p3.iccProfile(), {});
  ASSERT_EQ(jpeg.Save((photos / "IMG_0001.HEIC").c_str(), kFormatHeic), 0u);

  OrvResult r = Run({"--set", "Size.KeepEXIF=1", "--set", "Quality.CQ=60", photos.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string heic = photos / "ORV/IMG_0001_ORV.HEIC", avif = photos / "ORV/IMG_0002_ORV.avif";
  ASSERT_TRUE(std::filesystem::exists(heic));
  ASSERT_TRUE(std::filesystem::exists(avif));
  EXPECT_EQ(ContentOf(heic), kContentHeic);
  EXPECT_EQ(ContentOf(avif), kContentAvif);
  EXPECT_EQ(ExifListing(heic), ExifListing(SamplePath("test1.jpg")));
  EXPECT_EQ(ExifListing(avif), ExifListing(SamplePath("test3.jpg")));
  for (const std::string& out : {heic, avif}) {
    CImageFile file;
    ASSERT_EQ(file.Load(out.c_str()), 0u);
    EXPECT_EQ(file.iccProfile(), p3.iccProfile()) << out;
  }

  // The size limit searches the HEIC encoder's quality and logs it.
  r = Run({"--yes", "--set", "Quality.Type=1", "--set", "Quality.MaxKB=3", "--set",
           "Quality.MinQ=5", "--set", "Size.KeepEXIF=0", "--set", "Output.Replace=1",
           photos / "IMG_0001.HEIC"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadText(app / "help/log.html").find("Determined Quality: "), std::string::npos);
  EXPECT_LE(std::filesystem::file_size(heic), 3000u);

  // info reads the HEIC's camera record like the JPEG's.
  OrvResult a = RunOrv({"info", photos / "IMG_0001.HEIC"});
  OrvResult b = RunOrv({"info", SamplePath("test1.jpg")});
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out.substr(0, a.out.find("FileSize")), b.out.substr(0, b.out.find("FileSize")));
}

TEST_F(HeifRun, SidewaysPhotoGivesUprightJpegWithOrientationOne) {
  const std::string turned = photos / "turned.heic";
  ASSERT_TRUE(test::WriteHeifFile(SamplePath("right.jpg"), turned,
                                  {.orientation = heif_orientation_rotate_270_cw}));
  const std::string before = ExifListing(turned);
  EXPECT_NE(before.find("Orientation\t3\t1\t8"), std::string::npos);  // read as stored
  OrvResult r = Run({"--set", "Output.FileType=1", "--set", "Size.KeepEXIF=1", turned});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string jpeg = photos / "ORV/turned_ORV.jpg";
  CImageFile out;
  ASSERT_EQ(out.Load(jpeg.c_str()), 0u);
  EXPECT_EQ(out.width(), 480);
  EXPECT_EQ(out.height(), 640);
  std::string after = ExifListing(jpeg);
  EXPECT_NE(after.find("Orientation\t3\t1\t1"), std::string::npos) << after;
  // Nothing else of the record changed.
  std::string expected = before;
  expected.replace(expected.find("Orientation\t3\t1\t8"), 17, "Orientation\t3\t1\t1");
  EXPECT_EQ(after, expected);
}

TEST_F(HeifRun, RotateKeepsTheRecordAndTheFormat) {
  const std::string heic = photos / "r.heic";
  ASSERT_TRUE(HeifEnc({"-q", "60", "-o", heic, SamplePath("test2.jpg")}));
  const std::string before = ExifListing(heic);
  OrvResult r = RunOrv({"rotate", "cw", heic});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ContentOf(heic), kContentHeic);
  EXPECT_EQ(ExifListing(heic), before);
  CImageFile file;
  ASSERT_EQ(file.Load(heic.c_str()), 0u);
  EXPECT_EQ(file.width(), 142);
  EXPECT_EQ(file.height(), 180);
}

TEST_F(HeifRun, DamagedFilesFailAloneAndTheBatchGoesOn) {
  ASSERT_TRUE(HeifEnc({"-q", "50", "-o", photos / "good.heic", SamplePath("test2.jpg")}));
  const std::string bytes = ReadText(photos / "good.heic");
  WriteText(photos / "cut.heic", bytes.substr(0, bytes.size() / 3));
  std::string flipped = bytes;
  for (size_t i = 24; i < flipped.size(); i += 97) flipped[i] = char(flipped[i] ^ 0x5A);
  WriteText(photos / "flipped.heic", flipped);
  OrvResult r = Run({"--set", "Output.FileType=1", photos.path()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(std::filesystem::exists(photos / "ORV/good_ORV.jpg"));
  EXPECT_FALSE(std::filesystem::exists(photos / "ORV/cut_ORV.jpg"));
  const std::string log = ReadText(app / "help/log.html");
  EXPECT_NE(log.find("Can't load: " + photos / "cut.heic" + " bad HEIF file: "), std::string::npos)
      << log;
}

}  // namespace
}  // namespace orv
