// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Camera RAW decoding: the format table's RAW rows, a DNG made from a sample JPEG decoding to the
// same picture, half-size decoding, and damaged or hostile files failing alone.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "CodecTestSupport.h"
#include "imageio/Codecs.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/RawCodec.h"
#include "support/DngFiles.h"
#include "support/TempDir.h"

namespace orv {
namespace {

constexpr char kSample[] = ORV_SOURCE_DIR "/samples/test1.jpg";

TEST(RawFormats, EveryKindIsQueuedInAnyCaseAndNeverWritten) {
  for (const char* kind : {"DNG", "CR2", "CR3", "NEF", "NRW", "ARW", "SR2", "ORF", "RW2", "PEF",
                           "RAF", "SRW", "3FR", "IIQ", "ERF", "MRW"}) {
    SCOPED_TRACE(kind);
    std::string lower = kind;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(IsQueuedImagePath(std::string("/p/IMG_0001.") + kind));
    EXPECT_TRUE(IsQueuedImagePath("/p/IMG_0001." + lower));
    EXPECT_TRUE(IsCameraRawPath("/p/x." + lower));
    const ImageFormat format = FormatFromExtension(("x." + lower).c_str());
    ASSERT_TRUE(IsCameraRawFormat(format));
    EXPECT_STREQ(FormatName(format), kind);
    EXPECT_EQ(FindFormat(format)->encode, nullptr);
  }
  EXPECT_FALSE(IsCameraRawPath("/p/IMG_0001.JPG"));
  EXPECT_FALSE(IsCameraRawFormat(kFormatTiff));
}

TEST(RawFormats, ContentAndNameTellRawFromTiff) {
  auto guess = [](const std::vector<uint8_t>& head, const char* name) {
    std::vector<uint8_t> bytes = head;
    bytes.resize(64, 0);
    ImageSource* src = OpenSourceMemory(bytes.data(), bytes.size());
    (void)name;
    const int content = GuessSourceFormat(src);
    CloseSource(src);
    return FormatFromContent(content);
  };
  // Signatures of their own, whatever the name.
  EXPECT_EQ(guess({'I', 'I', '*', 0, 0x10, 0, 0, 0, 'C', 'R'}, "a.cr2"), kFormatRawCr2);
  EXPECT_EQ(guess({'I', 'I', 'R', 'O'}, "a"), kFormatRawOrf);
  EXPECT_EQ(guess({0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'c', 'r', 'x', ' '}, "a"), kFormatRawCr3);
  EXPECT_EQ(guess({'I', 'I', '*', 0, 8, 0, 0, 0}, "a"), kFormatTiff);

  // A TIFF file is a RAW when its name says so (DNG, NEF, ARW, ...).
  test::TempDir dir;
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, dir / "a.NEF"));
  ImageSource* src = OpenSourceFile((dir / "a.NEF").c_str());
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(FormatFromContent(GuessSourceFormat(src)), kFormatRawNef);
  CloseSource(src);
}

TEST(RawDecode, ADngDecodesToThePictureItWasMadeFrom) {
  test::TempDir dir;
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, dir / "shot.dng"));
  CImageFile jpeg, raw;
  ASSERT_EQ(jpeg.Load(kSample), 0u);
  ASSERT_EQ(raw.Load((dir / "shot.dng").c_str()), 0u);
  EXPECT_EQ(raw.format(), kFormatRawDng);
  ASSERT_EQ(raw.width(), jpeg.width() & ~1);
  ASSERT_EQ(raw.height(), jpeg.height() & ~1);
  EXPECT_TRUE(raw.pixelsUpright());
  // Demosaicing and the colour conversion round: the picture is close, not equal. Mean error
  // per channel, away from the border rows the demosaic cannot fill from both sides.
  double error = 0;
  int count = 0;
  for (int y = 4; y < raw.height() - 4; ++y)
    for (int x = 4; x < raw.width() - 4; ++x)
      for (int c = 0; c < 3; ++c) {
        error += std::abs(int(raw.image().pixels()[(size_t(y) * raw.width() + x) * 3 + c]) -
                          int(jpeg.image().pixels()[(size_t(y) * jpeg.width() + x) * 3 + c]));
        ++count;
      }
  EXPECT_LT(error / count, 12.0);
  // The EXIF block comes back from the decoding child.
  EXPECT_GT(raw.exifBlock().size(), 6u);
  EXPECT_EQ(std::string(raw.exifBlock().begin(), raw.exifBlock().begin() + 4), "Exif");
}

TEST(RawDecode, HalfSizeWhenThatCoversTheTarget) {
  test::TempDir dir;
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, dir / "shot.dng"));
  CImageFile full;
  ASSERT_EQ(full.Load((dir / "shot.dng").c_str()), 0u);
  CImageFile half;
  half.SetPreviewSize(full.width() / 3, full.height());  // fits at a third of the width
  ASSERT_EQ(half.Load((dir / "shot.dng").c_str()), 0u);
  EXPECT_EQ(half.width(), full.width() / 2);
  EXPECT_EQ(half.height(), full.height() / 2);
  EXPECT_EQ(half.fullWidth(), full.width());
  EXPECT_EQ(half.fullHeight(), full.height());
  CImageFile needsFull;
  needsFull.SetPreviewSize(full.width() * 2 / 3, full.height() * 2 / 3);
  ASSERT_EQ(needsFull.Load((dir / "shot.dng").c_str()), 0u);
  EXPECT_EQ(needsFull.width(), full.width());
  EXPECT_EQ(needsFull.fullWidth(), full.width());

  // A percent resize of 50 or less decodes at half size too, and knows the full size.
  for (int percent : {50, 51}) {
    SCOPED_TRACE(percent);
    CImageFile scaled;
    scaled.SetRawFitPercent(percent);
    ASSERT_EQ(scaled.Load((dir / "shot.dng").c_str()), 0u);
    EXPECT_EQ(scaled.width(), percent <= 50 ? full.width() / 2 : full.width());
    EXPECT_EQ(scaled.fullWidth(), full.width());
    EXPECT_EQ(scaled.fullHeight(), full.height());
  }
}

TEST(RawDecode, DamagedAndHostileFilesFailAlone) {
  test::TempDir dir;
  ASSERT_TRUE(test::MakeDngFromJpeg(kSample, dir / "good.dng"));
  const std::vector<uint8_t> good = test::ReadFileBytes(dir / "good.dng");
  ASSERT_GT(good.size(), 1000u);

  // Cut short: the directory, written last, is gone.
  testing::WriteFileBytes(dir / "truncated.dng",
                          {good.begin(), good.begin() + ptrdiff_t(good.size() * 3 / 5)});
  // Bits flipped all through the tags and the directory.
  std::vector<uint8_t> flipped = good;
  for (size_t i = good.size() - 600; i < good.size(); i += 3) flipped[i] ^= 0x5A;
  for (size_t i = 8; i < 200; i += 7) flipped[i] ^= 0xA5;
  testing::WriteFileBytes(dir / "flipped.dng", flipped);
  // A directory claiming 100000 x 100000 photosites over the data of a small picture.
  testing::WriteFileBytes(dir / "huge.dng", good);
  ASSERT_TRUE(test::ClaimDngSize(dir / "huge.dng", 100000, 100000));
  // Not a RAW at all, but named like one.
  testing::WriteFileBytes(dir / "text.nef", std::vector<uint8_t>(4096, 'x'));

  for (const char* name : {"truncated.dng", "flipped.dng", "huge.dng", "text.nef"}) {
    SCOPED_TRACE(name);
    CImageFile file;
    EXPECT_NE(file.Load((dir / name).c_str()), 0u);
    EXPECT_EQ(file.width(), 0);
  }
  // This process decodes on.
  CImageFile again;
  EXPECT_EQ(again.Load((dir / "good.dng").c_str()), 0u);
}

TEST(RawDecode, AnUnknownCameraSaysSo) {
  // An RGB TIFF from a camera maker, named like that maker's RAW: LibRaw knows the maker but
  // finds no sensor data of a model it knows.
  test::TempDir dir;
  const std::vector<uint8_t> pattern = testing::Pattern(64, 48);
  TIFF* tif = TIFFOpen((dir / "DSC_0001.NEF").c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 64);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 48);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_MAKE, "NIKON CORPORATION");
  TIFFSetField(tif, TIFFTAG_MODEL, "NIKON Z 99");
  for (uint32_t y = 0; y < 48; ++y)
    ASSERT_EQ(TIFFWriteScanline(tif, const_cast<uint8_t*>(&pattern[y * 64 * 3]), y, 0), 1);
  TIFFClose(tif);
  CImageFile file;
  const unsigned code = file.Load((dir / "DSC_0001.NEF").c_str());
  EXPECT_EQ(code, kErrRawCamera);
  EXPECT_STREQ(LibraryErrorText(code), "camera not supported by this LibRaw version");
  // A file that is no RAW at all says what LibRaw said of it.
  testing::WriteFileBytes(dir / "junk.nef", std::vector<uint8_t>(4096, 'x'));
  EXPECT_EQ(file.Load((dir / "junk.nef").c_str()), kErrBadRaw);
  EXPECT_STREQ(LibraryErrorText(kErrBadRaw), "bad RAW file: Unsupported file format or not RAW file");
}

}  // namespace
}  // namespace orv
