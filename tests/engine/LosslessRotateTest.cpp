// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LosslessRotate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "imageio/ImageFile.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;

// A JPEG whose sides are whole coding blocks, carrying an EXIF segment.
void WriteJpegWithExif(const std::string& path, const std::vector<uint8_t>& exif) {
  Image img = test::GradientImage(64, 48);
  const JpegSegment segment{0xE1, exif};
  JpegEncodeOptions o;
  o.quality = 90;
  o.segments = {&segment, 1};
  ImageDest* d = OpenDestFile(path.c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_GT(WriteJpeg(d, img.pixels(), 64, 48, o), 0u);
  ASSERT_TRUE(CloseDest(d));
}

TEST(LosslessRotate, FourQuarterTurnsGiveBackTheFileContents) {
  TempDir dir;
  std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
  WriteJpegWithExif(dir / "photo.JPG", exif);
  CImageFile before;
  ASSERT_EQ(before.Load((dir / "photo.JPG").c_str()), 0u);
  for (int i = 0; i < 4; ++i) {
    RotateResult r = LosslessRotate(dir / "photo.JPG", RotateTurn::Clockwise);
    ASSERT_TRUE(r.rotated) << i;
    CImageFile now;
    ASSERT_EQ(now.Load((dir / "photo.JPG").c_str()), 0u);
    EXPECT_EQ(now.width(), i % 2 == 0 ? 48 : 64);
    EXPECT_EQ(now.exifBlock(), exif);
  }
  CImageFile after;
  ASSERT_EQ(after.Load((dir / "photo.JPG").c_str()), 0u);
  ASSERT_EQ(after.image().byteSize(), before.image().byteSize());
  EXPECT_EQ(
      0, std::memcmp(after.image().pixels(), before.image().pixels(), before.image().byteSize()));
  EXPECT_FALSE(std::filesystem::exists(dir / "photo.rot"));
}

TEST(LosslessRotate, OtherFormatsAndNamesTheButtonsLeaveAlone) {
  TempDir dir;
  ASSERT_TRUE(test::WritePicture(dir / "photo.tif", 40, 30, kFormatTiff));
  RotateResult r = LosslessRotate(dir / "photo.tif", RotateTurn::HalfTurn);
  EXPECT_TRUE(r.rotated);
  r = LosslessRotate(dir / "photo.tif", RotateTurn::CounterClockwise);
  ASSERT_TRUE(r.rotated);
  CImageFile t;
  ASSERT_EQ(t.Load((dir / "photo.tif").c_str()), 0u);
  EXPECT_EQ(t.width(), 30);
  EXPECT_EQ(t.format(), kFormatTiff);

  // The long JPEG names are queued, so they take the lossless path too; a name no format
  // claims is left untouched.
  ASSERT_TRUE(test::WritePicture(dir / "photo.jpeg", 48, 32, kFormatJpeg));
  r = LosslessRotate(dir / "photo.jpeg", RotateTurn::Clockwise);
  EXPECT_TRUE(r.rotated);
  CImageFile turned;
  ASSERT_EQ(turned.Load((dir / "photo.jpeg").c_str()), 0u);
  EXPECT_EQ(turned.width(), 32);
  EXPECT_EQ(turned.format(), kFormatJpeg);
  ASSERT_TRUE(test::WritePicture(dir / "photo.raw", 40, 30, kFormatJpeg));
  std::string before = ReadText(dir / "photo.raw");
  r = LosslessRotate(dir / "photo.raw", RotateTurn::Clockwise);
  EXPECT_FALSE(r.rotated);
  EXPECT_EQ(ReadText(dir / "photo.raw"), before);

  // A file under the old fixed temporary name (a user's own, or one a killed rotation left)
  // is never overwritten and no longer blocks the rotation: each one takes a name of its own.
  WriteJpegWithExif(dir / "keep.jpg", {'E', 'x', 'i', 'f', 0, 0});
  test::WriteText(dir / "keep.rot", "mine");
  r = LosslessRotate(dir / "keep.jpg", RotateTurn::Clockwise);
  EXPECT_TRUE(r.rotated) << r.message;
  EXPECT_EQ(ReadText(dir / "keep.rot"), "mine");
}

}  // namespace
}  // namespace orv
