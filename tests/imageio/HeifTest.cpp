// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC and AVIF decoding: pixels against libheif's own decode, EXIF against the source JPEG,
// rotation, deep samples, alpha, colour profiles, hostile sizes and format recognition.
#include <gtest/gtest.h>

#include <cstdlib>

#include "exif/CameraSummary.h"
#include "exif/ExifOrientation.h"
#include "imageio/ImageFormat.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "support/HeifFiles.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using test::HeifConvert;
using test::HeifEnc;
using test::LoadPicture;
using test::Picture;
using test::SamplePath;
using test::TempDir;

TEST(HeifDecode, ExifAndSummaryEqualTheSourceJpegs) {
  TempDir dir;
  for (const char* name : {"test1.jpg", "test2.jpg", "test3.jpg", "right.jpg", "short-ascii-MM.jpg"}) {
    SCOPED_TRACE(name);
    const std::string heic = dir / (std::string(name) + ".heic");
    ASSERT_TRUE(HeifEnc({"-q", "50", "-o", heic, SamplePath(name)}));
    CImageFile jpeg, heif;
    ASSERT_EQ(jpeg.Load(SamplePath(name).c_str()), 0u);
    ASSERT_EQ(heif.Load(heic.c_str()), 0u);
    EXPECT_EQ(heif.format(), kFormatHeic);
    EXPECT_EQ(heif.exifBlock(), jpeg.exifBlock());
    EXPECT_TRUE(heif.pixelsUpright());
    CameraSummary a = ExtractCameraValues({jpeg.exifBlock(), "", jpeg.width(), jpeg.height()});
    CameraSummary b = ExtractCameraValues({heif.exifBlock(), "", heif.width(), heif.height()});
    EXPECT_EQ(b.InfoSummaryHtml, a.InfoSummaryHtml);
    EXPECT_EQ(b.DateTime, a.DateTime);
    EXPECT_EQ(b.Iso, a.Iso);
  }
}

TEST(HeifDecode, PixelsEqualLibheifsDecodeAndRotationIsApplied) {
  TempDir dir;
  const std::string plain = dir / "plain.heic", avif = dir / "plain.avif";
  const std::string turned = dir / "turned.heic";
  ASSERT_TRUE(HeifEnc({"-q", "60", "-o", plain, SamplePath("test1.jpg")}));
  ASSERT_TRUE(HeifEnc({"-q", "60", "-o", avif, SamplePath("test2.jpg")}));
  ASSERT_TRUE(test::WriteHeifFile(SamplePath("right.jpg"), turned,
                                  {.orientation = heif_orientation_rotate_270_cw}));
  for (const std::string& file : {plain, avif, turned}) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(HeifConvert(file, file + ".png"));
    Picture ours = LoadPicture(file), theirs = LoadPicture(file + ".png");
    ASSERT_FALSE(ours.pixels.empty());
    EXPECT_EQ(ours.width, theirs.width);
    EXPECT_EQ(ours.height, theirs.height);
    EXPECT_TRUE(ours.pixels == theirs.pixels);
  }
  // The sideways photo stands up: 640 x 480 stored, 480 x 640 shown.
  CImageFile file;
  ASSERT_EQ(file.Load(turned.c_str()), 0u);
  EXPECT_EQ(file.width(), 480);
  EXPECT_EQ(file.height(), 640);
}

TEST(HeifDecode, DeepSamplesRoundAndAlphaGoesOverWhite) {
  TempDir dir;
  // A 16-bit PNG of full-range ramps, encoded at 10 and 12 bits.
  Image ramp;
  ASSERT_TRUE(ramp.Allocate(64, 16));
  std::vector<uint8_t> deep(size_t(64) * 16 * 6);
  for (size_t i = 0; i < deep.size() / 2; ++i) {
    const unsigned v = unsigned(i * 997 % 65536);
    deep[2 * i] = uint8_t(v >> 8), deep[2 * i + 1] = uint8_t(v);
  }
  ImageDest* dest = OpenDestFile((dir / "deep.png").c_str());
  PngEncodeOptions rgb16;
  rgb16.bitDepth = 16;
  ASSERT_TRUE(WritePng(dest, deep.data(), 64, 16, rgb16));
  ASSERT_TRUE(CloseDest(dest));
  const std::string avif10 = dir / "deep10.avif", heic12 = dir / "deep12.heic";
  // libaom in this libheif only writes 10-bit AV1 at 4:2:2.
  ASSERT_TRUE(HeifEnc({"-q", "90", "-b", "10", "-p", "chroma=422", "-o", avif10, dir / "deep.png"}));
  ASSERT_TRUE(HeifEnc({"-q", "90", "-b", "12", "-o", heic12, dir / "deep.png"}));
  for (const std::string& file : {avif10, heic12}) {
    SCOPED_TRACE(file);
    // libheif's own decode at full depth, rounded to 8 bits, is what the program must show.
    heif_context* ctx = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    ASSERT_EQ(heif_context_read_from_file(ctx, file.c_str(), nullptr).code, 0);
    ASSERT_EQ(heif_context_get_primary_image_handle(ctx, &handle).code, 0);
    ASSERT_EQ(heif_decode_image(handle, &image, heif_colorspace_RGB,
                                heif_chroma_interleaved_RRGGBB_LE, nullptr).code, 0);
    const unsigned bits = unsigned(heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved));
    EXPECT_EQ(bits, file == avif10 ? 10u : 12u);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    Picture ours = LoadPicture(file);
    ASSERT_EQ(ours.width, 64);
    const unsigned max = (1u << bits) - 1;
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 64 * 3; ++x) {
        const uint8_t* s = plane + size_t(y) * size_t(stride) + size_t(x) * 2;
        const unsigned v = unsigned(s[0]) | unsigned(s[1]) << 8;
        wrong += ours.pixels[size_t(y) * 64 * 3 + size_t(x)] != (v * 255 + max / 2) / max;
      }
    EXPECT_EQ(wrong, 0);
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
  }

  // Lossless RGBA: alpha runs from 0 at the left to 255 at the right.
  std::vector<uint8_t> rgba(size_t(32) * 8 * 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 32; ++x) {
      uint8_t* p = &rgba[(size_t(y) * 32 + size_t(x)) * 4];
      p[0] = 200, p[1] = 40, p[2] = uint8_t(x * 8), p[3] = uint8_t(x * 255 / 31);
    }
  dest = OpenDestFile((dir / "alpha.png").c_str());
  PngEncodeOptions rgba8;
  rgba8.colourType = 6;
  ASSERT_TRUE(WritePng(dest, rgba.data(), 32, 8, rgba8));
  ASSERT_TRUE(CloseDest(dest));
  const std::string alpha = dir / "alpha.heic";
  ASSERT_TRUE(HeifEnc({"-L", "-p", "chroma=444", "--matrix_coefficients=0", "-o", alpha,
                       dir / "alpha.png"}));
  Picture over = LoadPicture(alpha), png = LoadPicture(dir / "alpha.png");
  ASSERT_EQ(over.width, 32);
  ASSERT_EQ(png.width, 32);
  // Lossless coding still rounds once through its colour transform: within 2 of the PNG, whose
  // decoder composites over white the same way; the fully transparent column is exactly white.
  int far = 0;
  for (size_t i = 0; i < png.pixels.size(); ++i)
    far += std::abs(int(over.pixels[i]) - int(png.pixels[i])) > 2;
  EXPECT_EQ(far, 0);
  EXPECT_EQ(over.pixels[0], 255);
  EXPECT_EQ(over.pixels[1], 255);
  EXPECT_EQ(over.pixels[2], 255);
}

TEST(HeifDecode, ColourDescriptionsBecomeProfilesAndHostileFilesFail) {
  TempDir dir;
  // libheif writes the nclx box into AVIF files (HEIC keeps it in the HEVC stream).
  const std::string p3 = dir / "p3.avif";
  ASSERT_TRUE(test::WriteHeifFile(SamplePath("test3.jpg"), p3,
                                  {heif_compression_AV1, heif_orientation_normal, 12, 13}));
  CImageFile file;
  ASSERT_EQ(file.Load(p3.c_str()), 0u);
  const std::vector<uint8_t>& icc = file.iccProfile();
  ASSERT_GT(icc.size(), 128u);
  EXPECT_EQ(std::string(icc.begin() + 36, icc.begin() + 40), "acsp");
  // The description tag names it, in UTF-16 as version 4 profiles store text.
  std::string utf16;
  for (char c : std::string("Display P3")) utf16 += std::string(1, '\0') + c;
  EXPECT_NE(std::string(icc.begin(), icc.end()).find(utf16), std::string::npos);
  EXPECT_LT(icc.size(), 1000u);

  // A picture claiming 30000 x 30000 (900 megapixels) is refused before libheif decodes it.
  std::vector<uint8_t> bytes = test::ReadFileBytes(ORV_SOURCE_DIR "/fuzz/corpus/heic/rgb8.heic");
  const std::string text(bytes.begin(), bytes.end());
  ASSERT_NE(text.find("ispe"), std::string::npos);
  for (size_t ispe = text.find("ispe"); ispe != std::string::npos; ispe = text.find("ispe", ispe + 1))
    for (size_t at : {ispe + 8, ispe + 12})
      bytes[at] = 0, bytes[at + 1] = 0, bytes[at + 2] = 0x75, bytes[at + 3] = 0x30;
  test::WriteText(dir / "huge.heic", std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(file.Load((dir / "huge.heic").c_str()), unsigned(kErrNoMemory));

  // A file cut short fails with libheif's words in the error text.
  test::WriteText(dir / "cut.heic", text.substr(0, 200));
  EXPECT_EQ(file.Load((dir / "cut.heic").c_str()), unsigned(kErrBadHeif));
  EXPECT_EQ(std::string(LibraryErrorText(kErrBadHeif)).rfind("bad HEIF file: ", 0), 0u);
}

TEST(HeifFormat, BrandsExtensionsAndNames) {
  auto content = [](const std::string& head) {
    std::string probe = head;
    probe.resize(64, '\0');
    ImageSource* src = OpenSourceMemory(probe.data(), probe.size());
    int code = GuessSourceFormat(src);
    CloseSource(src);
    return code;
  };
  using namespace std::string_literals;
  EXPECT_EQ(content("\0\0\0\x18"s "ftypheic\0\0\0\0mif1heic"), kContentHeic);
  EXPECT_EQ(content("\0\0\0\x1c"s "ftypmif1\0\0\0\0mif1heicmiaf"), kContentHeic);
  EXPECT_EQ(content("\0\0\0\x1c"s "ftypmif1\0\0\0\0mif1avifmiaf"), kContentAvif);
  EXPECT_EQ(content("\0\0\0\x1c"s "ftypavis\0\0\0\0avismsf1miaf"), kContentAvif);
  // An AVIF brand past the end of the box does not count.
  EXPECT_EQ(content("\0\0\0\x10"s "ftypmif1\0\0\0\0avif"), kContentHeic);
  EXPECT_EQ(content("\0\0\0\x18"s "ftypisom\0\0\0\0"), kContentZeroPair);
  for (const char* name : {"a.heic", "a.HEIF", "a.Hif", "a.avif", "a.AVIF"})
    EXPECT_TRUE(IsQueuedImagePath(name)) << name;
  EXPECT_EQ(FormatFromExtension("x.hif"), kFormatHeic);
  EXPECT_STREQ(FormatName(kFormatAvif), "AVIF");
}

// EXIF blocks in both byte orders with Orientation 6 as the second IFD0 entry.
std::vector<uint8_t> ExifWithOrientation(bool bigEndian, uint16_t value) {
  std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
  auto u16 = [&](unsigned v) {
    if (bigEndian) b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v));
    else b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    if (bigEndian) u16(v >> 16), u16(v & 0xFFFF);
    else u16(v & 0xFFFF), u16(v >> 16);
  };
  b.push_back(bigEndian ? 'M' : 'I'), b.push_back(bigEndian ? 'M' : 'I');
  u16(42), u32(8), u16(2);
  u16(0x010F), u16(2), u32(4), b.insert(b.end(), {'A', 'b', 'c', 0});
  u16(0x0112), u16(3), u32(1), u16(value), u16(0);
  u32(0);
  return b;
}

// The chroma_format_idc of the first hvcC box (1: 4:2:0, 3: 4:4:4); -1 when there is none.
int HevcChromaFormat(const std::string& file) {
  const size_t box = file.find("hvcC");
  // After the type: version, profile (1 + 4 + 6 bytes), level, segmentation (2), parallelism.
  const size_t at = box + 4 + 16;
  if (box == std::string::npos || at >= file.size()) return -1;
  return static_cast<uint8_t>(file[at]) & 3;
}

// A HEIC saved at a quality is the size heif-enc -q gives the same pixels, and 4:2:0.
TEST(HeifEncode, QualityAndChromaAreThoseOfHeifEnc) {
  TempDir dir;
  CImageFile source;
  ASSERT_EQ(source.Load(SamplePath("test3.jpg").c_str()), 0u);
  ASSERT_EQ(source.Save((dir / "same.png").c_str(), kFormatPng), 0u);
  for (int quality : {50, 88}) {
    SCOPED_TRACE(quality);
    CImageFile out;
    ASSERT_EQ(out.SetPixels(source.image().pixels(), source.width(), source.height()), 0u);
    out.SetEncodeQuality(quality);
    ASSERT_EQ(out.Save((dir / "ours.heic").c_str(), kFormatHeic), 0u);
    ASSERT_TRUE(HeifEnc({"-q", std::to_string(quality), "-o", dir / "theirs.heic",
                         dir / "same.png"}));
    const std::string ours = test::ReadText(dir / "ours.heic");
    const std::string theirs = test::ReadText(dir / "theirs.heic");
    EXPECT_EQ(HevcChromaFormat(ours), 1);
    EXPECT_EQ(HevcChromaFormat(theirs), 1);
    // The coded picture is the same; the boxes around it may differ by a few bytes.
    EXPECT_NEAR(double(ours.size()), double(theirs.size()), 0.03 * double(theirs.size()));
  }
}

TEST(ExifOrientation, SetsOneInPlaceAndLeavesOtherBlocksAlone) {
  for (bool big : {false, true}) {
    std::vector<uint8_t> block = ExifWithOrientation(big, 6);
    const std::vector<uint8_t> upright = ExifWithOrientation(big, 1);
    EXPECT_TRUE(SetExifOrientationUpright(block));
    EXPECT_EQ(block, upright);
    EXPECT_FALSE(SetExifOrientationUpright(block));  // already 1
  }
  std::vector<uint8_t> block = ExifWithOrientation(false, 6);
  block.resize(block.size() - 8);  // the Orientation entry cut off
  std::vector<uint8_t> cut = block;
  EXPECT_FALSE(SetExifOrientationUpright(block));
  EXPECT_EQ(block, cut);
  std::vector<uint8_t> xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.', 'a', 'd', 'o', 'b'};
  EXPECT_FALSE(SetExifOrientationUpright(xmp));
}

}  // namespace
}  // namespace orv
