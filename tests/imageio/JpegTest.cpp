// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG read and write through libjpeg: segments kept and written, sampling, density, decode
// scale, grey and damaged input.
#include <gtest/gtest.h>

#include <cstring>

#include "CodecTestSupport.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"

namespace orv {
namespace {

using testing::Bytes;
using testing::Pattern;

struct Segment {
  int marker;
  std::vector<uint8_t> payload;
};

// The segments between SOI and the first SOS, in file order.
std::vector<Segment> Segments(const std::vector<uint8_t>& f) {
  std::vector<Segment> out;
  size_t at = 2;
  while (at + 4 <= f.size() && f[at] == 0xFF) {
    int marker = f[at + 1];
    size_t len = size_t(f[at + 2]) << 8 | f[at + 3];
    if (at + 2 + len > f.size()) break;
    out.push_back(
        {marker, std::vector<uint8_t>(f.begin() + long(at) + 4, f.begin() + long(at + 2 + len))});
    if (marker == 0xDA) break;
    at += 2 + len;
  }
  return out;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& px, int w, int h, int quality = 90,
                            int bits = 24, JpegEncodeOptions o = {}) {
  std::vector<uint8_t> buf(size_t(w) * size_t(h) * 3 + 100000);
  ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
  o.quality = quality;
  o.bits = bits;
  uint64_t size = WriteJpeg(dest, px.data(), w, h, o);
  CloseDest(dest);
  buf.resize(size_t(size));
  return buf;
}

// Inserts a segment right after SOI (and the JFIF APP0 when after_app0).
std::vector<uint8_t> WithSegment(std::vector<uint8_t> f, int marker, const std::vector<uint8_t>& p,
                                 bool afterApp0 = true) {
  size_t at = 2;
  if (afterApp0 && f[3] == 0xE0) at += 2 + (size_t(f[4]) << 8 | f[5]);
  Bytes s;
  s.u8(0xFF).u8(unsigned(marker)).be16(unsigned(p.size() + 2)).raw(p);
  f.insert(f.begin() + long(at), s.v.begin(), s.v.end());
  return f;
}

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetJpegDecodeScale(1, 1);
  }
};

TEST_F(JpegTest, RoundTripKeepsSizeAndIsClose) {
  auto px = Pattern(64, 48);
  for (auto& v : px) v = uint8_t(v / 4 + 100);  // smooth enough for a close comparison
  auto file = Encode(px, 64, 48, 95);
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(GetLastLibraryError(), 0u);
  auto d = testing::DecodeMemory(ReadJpeg, file);
  ASSERT_TRUE(d.pixels);
  EXPECT_EQ(d.width, 64);
  EXPECT_EQ(d.height, 48);
  EXPECT_EQ(GetLastLibraryError(), 0u);
}

TEST_F(JpegTest, SegmentsFollowApp0InTheirOrderAndOnlyForThatCall) {
  const std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3, 0xFF, 0xD9};
  const std::string comment = "sRGB Matched";
  const JpegSegment segments[] = {
      {kJpegComment, {reinterpret_cast<const uint8_t*>(comment.data()), comment.size()}},
      {0xE1, exif}};
  JpegEncodeOptions o;
  o.segments = segments;
  auto file = Encode(Pattern(16, 16), 16, 16, 90, 24, o);
  auto segs = Segments(file);
  ASSERT_GE(segs.size(), 3u);
  EXPECT_EQ(segs[0].marker, 0xE0);
  EXPECT_EQ(segs[1].marker, 0xFE);
  EXPECT_EQ(std::string(segs[1].payload.begin(), segs[1].payload.end()), "sRGB Matched");
  EXPECT_EQ(segs[2].marker, 0xE1);
  EXPECT_EQ(segs[2].payload, exif);
  // Nothing of one call reaches the next.
  auto next = Segments(Encode(Pattern(8, 8), 8, 8));
  EXPECT_NE(next[1].marker, 0xFE);
  EXPECT_NE(next[1].marker, 0xE1);
  // A segment that is neither a comment nor APPn, or too long for one segment, is refused.
  const std::vector<uint8_t> huge(kMaxJpegSegmentPayload + 1, 'x');
  for (JpegSegment bad : {JpegSegment{0xC4, exif}, JpegSegment{0xE2, huge}}) {
    std::vector<uint8_t> buf(100000);
    ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
    JpegEncodeOptions refused;
    refused.segments = {&bad, 1};
    EXPECT_EQ(WriteJpeg(dest, Pattern(8, 8).data(), 8, 8, refused), 0u);
    EXPECT_EQ(GetLastLibraryError(), 5u);
    CloseDest(dest);
  }
}

TEST_F(JpegTest, ReadKeepsCommentsAndAppSegmentsButNotApp0OrApp15) {
  auto file = Encode(Pattern(8, 8), 8, 8);
  file = WithSegment(file, 0xEF, {9, 9});
  file = WithSegment(file, 0xE2, {7, 7, 7});
  file = WithSegment(file, 0xE1, {'E', 'x', 'i', 'f', 0, 0, 2});
  file = WithSegment(file, 0xFE, {'s', 'R', 'G', 'B', ' ', 'M', 'a', 't', 'c', 'h', 'e', 'd'});
  JpegHeaderInfo info;
  ImageSource* src = OpenSourceMemory(file.data(), file.size());
  ASSERT_TRUE(ReadJpegHeader(src, &info));
  CloseSource(src);
  EXPECT_EQ(info.width, 8);
  EXPECT_EQ(info.bitsPerPixel, 24);
  ASSERT_EQ(GetJpegInputCommentCount(), 1);
  char* text = GetJpegInputComment(0);
  EXPECT_STREQ(text, "sRGB Matched");
  FreeLibraryBuffer(reinterpret_cast<uint8_t*>(text));
  EXPECT_EQ(GetJpegInputComment(1), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 5u);
  ASSERT_EQ(GetJpegInputMarkerCount(), 2);  // APP1 and APP2; APP0 and APP15 are not kept
  size_t len = 0;
  int code = 0;
  uint8_t* m = GetJpegInputMarker(0, &len, &code);
  EXPECT_EQ(code, 0xE1);
  EXPECT_EQ(len, 7u);
  FreeLibraryBuffer(m);
  m = GetJpegInputMarker(1, &len, &code);
  EXPECT_EQ(code, 0xE2);
  FreeLibraryBuffer(m);
  EXPECT_EQ(GetJpegInputMarker(2, &len, &code), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 5u);
}

TEST_F(JpegTest, ImageFileKeepsFirstCommentAndLastApp1) {
  testing::TempDir dir;
  auto file = Encode(Pattern(8, 8), 8, 8);
  file = WithSegment(file, 0xE1, {'s', 'e', 'c', 'o', 'n', 'd'});
  file = WithSegment(file, 0xE1, {'f', 'i', 'r', 's', 't'});
  file = WithSegment(file, 0xFE, {'l', 'a', 't', 'e', 'r'});
  file = WithSegment(file, 0xFE, {'s', 'R', 'G', 'B', ' ', 'M', 'a', 't', 'c', 'h', 'e', 'd'});
  testing::WriteFileBytes(dir.File("two.jpg"), file);
  CImageFile img;
  ASSERT_EQ(img.Load(dir.File("two.jpg").c_str()), 0u);
  EXPECT_EQ(img.firstComment(), "sRGB Matched");
  EXPECT_EQ(std::string(img.exifBlock().begin(), img.exifBlock().end()), "second");
  EXPECT_EQ(GetLastLibraryError(), 0u);
}

TEST_F(JpegTest, ExifApp1WinsOverALaterXmpApp1) {
  testing::TempDir dir;
  auto file = Encode(Pattern(8, 8), 8, 8);
  // WithSegment puts each new segment first: the XMP block ends up after the EXIF one.
  file = WithSegment(file, 0xE1, {'h', 't', 't', 'p', ':', '/', '/', 'n', 's'});
  file = WithSegment(file, 0xE1, {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'});
  testing::WriteFileBytes(dir.File("xmp.jpg"), file);
  CImageFile img;
  ASSERT_EQ(img.Load(dir.File("xmp.jpg").c_str()), 0u);
  ASSERT_EQ(img.exifBlock().size(), 8u);
  EXPECT_EQ(img.exifBlock()[0], 'E');
}

TEST_F(JpegTest, SamplingFactorsReachTheFrameHeader) {
  auto sof = [](const std::vector<uint8_t>& f) {
    for (auto& s : Segments(f))
      if (s.marker == 0xC0) return s.payload;
    return std::vector<uint8_t>();
  };
  auto plain = sof(Encode(Pattern(16, 16), 16, 16));
  ASSERT_EQ(plain.size(), 15u);
  EXPECT_EQ(plain[7], 0x22);  // luminance 2 x 2 by default
  JpegEncodeOptions full;
  full.fullChroma = true;
  auto flat = sof(Encode(Pattern(16, 16), 16, 16, 90, 24, full));
  EXPECT_EQ(flat[7], 0x11);
  EXPECT_EQ(flat[10], 0x11);
  EXPECT_EQ(flat[13], 0x11);
  // The next call without the option is subsampled again.
  EXPECT_EQ(sof(Encode(Pattern(16, 16), 16, 16))[7], 0x22);
}

TEST_F(JpegTest, DensityAndBitDepthsAndParameters) {
  auto px = Pattern(10, 6);
  std::vector<uint8_t> buf(100000);
  ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
  JpegEncodeOptions o;
  o.quality = 80;
  o.progressive = true;
  o.density = JpegDensity{300, 150, 1};
  uint64_t size = WriteJpeg(dest, px.data(), 10, 6, o);
  CloseDest(dest);
  ASSERT_GT(size, 0u);
  buf.resize(size_t(size));
  ImageSource* src = OpenSourceMemory(buf.data(), buf.size());
  JpegHeaderInfo info;
  ASSERT_TRUE(ReadJpegHeader(src, &info));
  CloseSource(src);
  EXPECT_EQ(info.densityUnit, 1);
  EXPECT_EQ(info.xDensity, 300);
  EXPECT_EQ(info.yDensity, 150);

  // Bad parameters fail with 5 and write nothing.
  std::vector<uint8_t> small(100);
  dest = OpenDestMemory(small.data(), small.size());
  JpegEncodeOptions q80;
  q80.quality = 80;
  EXPECT_EQ(WriteJpeg(dest, px.data(), 0, 6, q80), 0u);
  EXPECT_EQ(GetLastLibraryError(), 5u);
  JpegEncodeOptions bits16 = q80;
  bits16.bits = 16;
  EXPECT_EQ(WriteJpeg(dest, px.data(), 10, 6, bits16), 0u);
  EXPECT_EQ(GetLastLibraryError(), 5u);
  // A memory block too small for the file.
  EXPECT_EQ(WriteJpeg(dest, px.data(), 10, 6, q80), 0u);
  EXPECT_EQ(GetLastLibraryError(), 30u);
  CloseDest(dest);

  src = OpenSourceMemory(buf.data(), buf.size());
  int w = 0, h = 0;
  EXPECT_EQ(ReadJpeg(src, 16, &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 5u);
  CloseSource(src);
}

TEST_F(JpegTest, GreyAndColourConversions) {
  // A flat grey picture written as 8 bits reads back at 24 bits with R = G = B.
  std::vector<uint8_t> grey(32 * 16, 140);
  auto file = Encode(grey, 32, 16, 100, 8);
  ASSERT_FALSE(file.empty());
  auto d = testing::DecodeMemory(ReadJpeg, file);
  ASSERT_TRUE(d.pixels);
  for (int i = 0; i < 32 * 16; ++i) {
    EXPECT_EQ(d.pixels[size_t(i) * 3], d.pixels[size_t(i) * 3 + 1]);
    EXPECT_EQ(d.pixels[size_t(i) * 3], d.pixels[size_t(i) * 3 + 2]);
  }
  EXPECT_NEAR(d.pixels[0], 140, 1);
  // A white colour picture read at 8 bits stays 255: 0.299 + 0.587 + 0.114 is exactly 1.
  std::vector<uint8_t> white(16 * 16 * 3, 255);
  file = Encode(white, 16, 16, 100);
  ImageSource* src = OpenSourceMemory(file.data(), file.size());
  int w = 0, h = 0;
  LibraryBuffer g(ReadJpeg(src, 8, &w, &h));
  CloseSource(src);
  ASSERT_TRUE(g);
  EXPECT_EQ(g[0], 255);
}

TEST_F(JpegTest, DecodeScaleAndPreviewRule) {
  auto file = Encode(Pattern(160, 96), 160, 96);
  ASSERT_TRUE(SetJpegDecodeScale(1, 4));
  auto d = testing::DecodeMemory(ReadJpeg, file);
  EXPECT_EQ(d.width, 40);
  EXPECT_EQ(d.height, 24);
  SetJpegDecodeScale(1, 1);

  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("p.jpg"), file);
  struct Case {
    int tw, th, w;
  } cases[] = {{19, 11, 20}, {20, 11, 40}, {39, 23, 40}, {79, 47, 80}, {80, 40, 160}, {0, 5, 160}};
  for (const Case& c : cases) {
    CImageFile img;
    img.SetPreviewSize(c.tw, c.th);
    ASSERT_EQ(img.Load(dir.File("p.jpg").c_str()), 0u);
    EXPECT_EQ(img.width(), c.w) << c.tw << "x" << c.th;
  }
  // The scale is reset after the load.
  auto again = testing::DecodeMemory(ReadJpeg, file);
  EXPECT_EQ(again.width, 160);
}

TEST_F(JpegTest, DamagedAndTruncatedFiles) {
  auto file = Encode(Pattern(64, 64), 64, 64);
  // Cut in the middle of the entropy-coded data: rows that are there decode, the rest is filled.
  std::vector<uint8_t> cut(file.begin(), file.begin() + long(file.size() / 2));
  auto d = testing::DecodeMemory(ReadJpeg, cut);
  ASSERT_TRUE(d.pixels);
  EXPECT_EQ(d.width, 64);
  EXPECT_TRUE(JpegInputWasTruncated());
  auto whole = testing::DecodeMemory(ReadJpeg, file);
  EXPECT_FALSE(JpegInputWasTruncated());
  // Cut inside the headers: no picture at all.
  std::vector<uint8_t> header(file.begin(), file.begin() + 30);
  d = testing::DecodeMemory(ReadJpeg, header);
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 9u);
  // A frame header declaring 0 x 0.
  auto zero = file;
  for (size_t i = 2; i + 9 < zero.size(); ++i)
    if (zero[i] == 0xFF && zero[i + 1] == 0xC0) {
      zero[i + 5] = zero[i + 6] = zero[i + 7] = zero[i + 8] = 0;
      break;
    }
  d = testing::DecodeMemory(ReadJpeg, zero);
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 9u);
  // Past the pixel cap: refused before decoding.
  auto huge = file;
  for (size_t i = 2; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0x9C;  // 40000 x 40000
      huge[i + 6] = huge[i + 8] = 0x40;
      break;
    }
  d = testing::DecodeMemory(ReadJpeg, huge);
  EXPECT_FALSE(d.pixels);
  EXPECT_EQ(d.error, 1u);
}

TEST_F(JpegTest, ProgressCallbackAbortsWithoutOutput) {
  auto px = Pattern(32, 32);
  std::vector<uint8_t> buf(100000);
  ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
  SetLibraryProgressCallback([](void*, int row, int) { return row < 5; }, nullptr);
  EXPECT_EQ(WriteJpeg(dest, px.data(), 32, 32, JpegEncodeOptions{}), 0u);
  EXPECT_EQ(GetLastLibraryError(), 14u);
  SetLibraryProgressCallback(nullptr, nullptr);
  EXPECT_GT(WriteJpeg(dest, px.data(), 32, 32, JpegEncodeOptions{}), 0u);
  CloseDest(dest);
}

TEST_F(JpegTest, SamplePhotographsLoadWithExif) {
  for (const char* name :
       {"test1.jpg", "test2.jpg", "test3.jpg", "short-ascii-MM.jpg", "right.jpg"}) {
    CImageFile img;
    ASSERT_EQ(img.Load(testing::SamplePath(name).c_str()), 0u) << name;
    EXPECT_GT(img.width(), 0);
    ASSERT_GE(img.exifBlock().size(), 6u) << name;
    EXPECT_EQ(std::memcmp(img.exifBlock().data(), "Exif\0\0", 6), 0) << name;
  }
  CImageFile img;
  ASSERT_EQ(img.Load(testing::SamplePath("short-ascii-MM.jpg").c_str()), 0u);
  EXPECT_EQ(img.width(), 480);
  EXPECT_EQ(img.height(), 360);
}

}  // namespace
}  // namespace orv
