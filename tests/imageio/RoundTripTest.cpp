// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Every encoder's output decodes back to the same pixels (JPEG is covered in JpegTest), through
// CImageFile's Save and Load as the program uses them.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "CodecTestSupport.h"
#include "imageio/Codecs.h"
#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

struct Case {
  ImageFormat format;
  const char* name;
};

class RoundTripTest : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTripTest, SaveThenLoadGivesThePixelsBack) {
  testing::TempDir dir;
  // Odd sizes exercise row padding; one size is a single row.
  for (auto [w, h] : {std::pair{7, 5}, std::pair{1, 1}, std::pair{130, 3}}) {
    auto px = testing::Pattern(w, h);
    CImageFile out;
    ASSERT_EQ(out.SetPixels(px.data(), w, h), 0u);
    const std::string path = dir.File(GetParam().name);
    ASSERT_EQ(out.Save(path.c_str(), GetParam().format), 0u);
    EXPECT_EQ(GetLastLibraryError(), 0u);
    CImageFile in;
    ASSERT_EQ(in.Load(path.c_str()), 0u) << GetParam().name;
    EXPECT_EQ(in.format(), GetParam().format);
    ASSERT_EQ(in.width(), w);
    ASSERT_EQ(in.height(), h);
    if (GetParam().format == kFormatWmf) {
      // libwmf resamples the bitmap while playing it back, which can shift detail by a pixel;
      // a flat picture must come back flat and in its colour.
      std::vector<uint8_t> flat(px.size());
      for (size_t i = 0; i < flat.size(); ++i) flat[i] = uint8_t(40 + 60 * (i % 3));
      ASSERT_EQ(out.SetPixels(flat.data(), w, h), 0u);
      ASSERT_EQ(out.Save(path.c_str(), kFormatWmf), 0u);
      ASSERT_EQ(in.Load(path.c_str()), 0u);
      for (size_t i = 0; i < flat.size(); ++i) ASSERT_NEAR(in.image().pixels()[i], flat[i], 2);
    } else {
      EXPECT_EQ(std::memcmp(in.image().pixels(), px.data(), px.size()), 0) << GetParam().name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest,
                         ::testing::Values(Case{kFormatPng, "a.png"}, Case{kFormatBmp, "a.bmp"},
                                           Case{kFormatTga, "a.tga"}, Case{kFormatPcx, "a.pcx"},
                                           Case{kFormatPsd, "a.psd"}, Case{kFormatTiff, "a.tif"},
                                           Case{kFormatEmf, "a.emf"}, Case{kFormatWmf, "a.wmf"}),
                         [](const auto& info) { return std::string(info.param.name).substr(2); });

TEST(PngTest, ColourTypesBitDepthsAndAlpha) {
  auto encode = [](const std::vector<uint8_t>& rows, int w, int h, int rowBytes, int depth,
                   int type, const std::vector<uint8_t>& palette = {}) {
    std::vector<uint8_t> out(4096);
    ImageDest* d = OpenDestMemory(out.data(), out.size());
    PngEncodeOptions o;
    o.colourType = type;
    o.bitDepth = depth;
    o.rowBytes = rowBytes;
    o.palette = palette;
    o.gamma = 0.45455;
    bool ok = WritePng(d, rows.data(), w, h, o);
    int64_t size = ok ? DestSize(d) : 0;
    CloseDest(d);
    out.resize(size_t(size));
    return out;
  };
  // 1-bit grey: 1010 0000 -> white, black, white, black.
  auto d = testing::DecodeMemory(ReadPng, encode({0xA0}, 4, 1, 1, 1, 0));
  ASSERT_TRUE(d.pixels);
  EXPECT_EQ(d.vec(), (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0}));
  // 16-bit grey with alpha: half-transparent black over white is mid grey.
  d = testing::DecodeMemory(ReadPng, encode({0, 0, 0x80, 0x00}, 1, 1, 4, 16, 4));
  ASSERT_TRUE(d.pixels);
  EXPECT_NEAR(d.pixels[0], 127, 1);
  // RGBA: fully transparent red shows white, opaque blue stays blue.
  d = testing::DecodeMemory(ReadPng, encode({255, 0, 0, 0, 0, 0, 255, 255}, 2, 1, 8, 8, 6));
  EXPECT_EQ(d.vec(), (std::vector<uint8_t>{255, 255, 255, 0, 0, 255}));
  // 2-bit palette.
  const std::vector<uint8_t> pal = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  d = testing::DecodeMemory(ReadPng, encode({0x24}, 3, 1, 1, 2, 3, pal));  // 00 10 01
  EXPECT_EQ(d.vec(), (std::vector<uint8_t>{10, 20, 30, 70, 80, 90, 40, 50, 60}));
  // An index past the three-entry palette (3 = 11b) is a damaged file.
  d = testing::DecodeMemory(ReadPng, encode({0x3C}, 3, 1, 1, 2, 3, pal));  // 00 11 11
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 15u);
  // Truncated file.
  auto full = encode(testing::Pattern(20, 20), 20, 20, 60, 8, 2);
  full.resize(full.size() - 20);
  d = testing::DecodeMemory(ReadPng, full);
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 15u);
}

TEST(PngTest, PictureBeyondThePixelCapIsRefusedBeforeDecoding) {
  // A signature, a well-formed IHDR declaring 100000 x 100000 pixels and an empty IDAT.
  testing::Bytes ihdr;
  ihdr.str("IHDR").be32(100000).be32(100000).u8(8).u8(2).u8(0).u8(0).u8(0);
  testing::Bytes file;
  file.u8(0x89).str("PNG\r\n").u8(0x1A).u8('\n').be32(13).raw(ihdr.v);
  file.be32(uint32_t(crc32(0, ihdr.v.data(), uInt(ihdr.v.size()))));
  file.be32(0).str("IDAT").be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>("IDAT"), 4)));
  auto d = testing::DecodeMemory(ReadPng, file.v);
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 1u);
}

TEST(TiffTest, HeaderAndDamage) {
  auto px = testing::Pattern(9, 4);
  auto file = testing::EncodeMemory(WriteTiff, px, 9, 4);
  ASSERT_FALSE(file.empty());
  ImageSource* s = OpenSourceMemory(file.data(), file.size());
  TiffHeaderInfo info;
  ASSERT_TRUE(ReadTiffHeader(s, &info));
  CloseSource(s);
  EXPECT_EQ(info.width, 9);
  EXPECT_EQ(info.height, 4);
  std::vector<uint8_t> junk = {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F};
  auto d = testing::DecodeMemory(ReadTiff, junk);
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 20u);
  file.resize(file.size() / 2);
  d = testing::DecodeMemory(ReadTiff, file);
  EXPECT_FALSE(d.pixels);
}

}  // namespace
}  // namespace orv
