// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The metadata beside the pixels: JPEG segment layout and reassembly, the PNG and TIFF writers
// and readers, and the damaged cases that must be dropped without failing anything.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>

#include "CodecTestSupport.h"
#include "imageio/Codecs.h"
#include "imageio/IccProfile.h"
#include "imageio/ImageIo.h"
#include "imageio/JpegMetadataSegments.h"
#include "imageio/MetadataReaders.h"
#include "imageio/PhotoshopResources.h"
#include "imageio/PixelBuffer.h"
#include "imageio/XmpPacket.h"
#include "support/MetadataSamples.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::TestIccProfile;
using test::TestIptc;
using test::TestXmp;

// Drops the last n bytes of a payload longer than that. Written as a copy of the rest: GCC 12
// warns (wrongly) about a resize to size() - n, which it cannot see stays above zero.
void CutShort(std::vector<uint8_t>& payload, size_t n) {
  ASSERT_GT(payload.size(), n);
  payload = std::vector<uint8_t>(payload.begin(), payload.begin() + ptrdiff_t(payload.size() - n));
}

const std::string kGuid = "0123456789ABCDEF0123456789ABCDEF";

PhotoMetadata FullMetadata(size_t iccSize) {
  PhotoMetadata m;
  m.icc = TestIccProfile(iccSize, "Wide Gamut Test");
  m.xmp = TestXmp(2000);
  m.iptc = TestIptc();
  return m;
}

TEST(JpegMetadataSegments, LargeProfileIsChunkedAndReassembledInAnyOrder) {
  const PhotoMetadata meta = FullMetadata(150000);
  std::vector<JpegMarker> segments = JpegMetadataSegments(meta, false);
  // XMP, three profile chunks, IPTC.
  ASSERT_EQ(segments.size(), 5u);
  EXPECT_EQ(segments[0].code, 0xE1);
  for (int i = 0; i < 3; ++i) {
    const JpegMarker& chunk = segments[size_t(1 + i)];
    EXPECT_EQ(chunk.code, 0xE2);
    EXPECT_EQ(chunk.payload[12], i + 1);
    EXPECT_EQ(chunk.payload[13], 3);
    EXPECT_LE(chunk.payload.size(), 65533u);
  }
  EXPECT_EQ(segments[1].payload.size(), 14 + kIccBytesPerSegment);
  EXPECT_EQ(segments[3].payload.size(), 14 + 150000 - 2 * kIccBytesPerSegment);
  EXPECT_EQ(segments[4].code, 0xED);

  std::reverse(segments.begin(), segments.end());  // chunk numbers, not file order, decide
  const PhotoMetadata back = MetadataFromJpegSegments(segments);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_EQ(back.iptc, meta.iptc);
  EXPECT_EQ(IccProfileDescription(back.icc), "Wide Gamut Test");
}

TEST(JpegMetadataSegments, DamagedProfileAndXmpAreDroppedTheRestKept) {
  const PhotoMetadata meta = FullMetadata(100000);
  const std::vector<JpegMarker> good = JpegMetadataSegments(meta, false);
  auto without = [&](auto damage) {
    std::vector<JpegMarker> s = good;
    damage(s);
    return MetadataFromJpegSegments(s);
  };
  // Chunk numbers: a repeated number, a count that disagrees, a missing chunk, number 0.
  EXPECT_TRUE(without([](auto& s) { s[2].payload[12] = 1; }).icc.empty());
  EXPECT_TRUE(without([](auto& s) { s[2].payload[13] = 3; }).icc.empty());
  EXPECT_TRUE(without([](auto& s) { s.erase(s.begin() + 2); }).icc.empty());
  EXPECT_TRUE(without([](auto& s) { s[1].payload[12] = 0; }).icc.empty());
  // A chunk cut short: the profile no longer has the length its header states.
  PhotoMetadata cut = without([](auto& s) { CutShort(s[2].payload, 100); });
  EXPECT_TRUE(cut.icc.empty());
  EXPECT_EQ(cut.xmp, meta.xmp);
  EXPECT_EQ(cut.iptc, meta.iptc);
  // An XMP packet cut short is dropped; the profile stays.
  PhotoMetadata noXmp = without([](auto& s) { CutShort(s[0].payload, 40); });
  EXPECT_TRUE(noXmp.xmp.empty());
  EXPECT_EQ(noXmp.icc, meta.icc);
  // Damaged IPTC records are cut at the damage.
  PhotoMetadata badIptc = without([](auto& s) { s[3].payload[14 + 12 + 7] = 0x55; });
  EXPECT_TRUE(badIptc.iptc.size() < meta.iptc.size());
}

TEST(JpegMetadataSegments, ExtendedXmpRoundTripsAndAnIncompleteOneIsLeftOut) {
  PhotoMetadata meta;
  meta.xmp = TestXmp(1000, kGuid);
  meta.extendedXmp = TestXmp(150000, "", "extended part");
  meta.extendedXmpGuid = kGuid;
  std::vector<JpegMarker> segments = JpegMetadataSegments(meta, false);
  ASSERT_EQ(segments.size(), 4u);  // main packet and three extension chunks
  EXPECT_LE(segments[3].payload.size(), 65533u);
  std::swap(segments[1], segments[3]);
  PhotoMetadata back = MetadataFromJpegSegments(segments);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_EQ(back.extendedXmp, meta.extendedXmp);
  EXPECT_EQ(back.extendedXmpGuid, kGuid);
  // A missing chunk leaves the main packet only.
  segments.erase(segments.begin() + 2);
  back = MetadataFromJpegSegments(segments);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_TRUE(back.extendedXmp.empty());
  // When the EXIF path already writes the main packet's APP1, only the chunks are added.
  EXPECT_EQ(JpegMetadataSegments(meta, true).size(), 3u);
  // Formats without the segment limit get one packet holding both parts.
  const std::vector<uint8_t> whole = WholeXmpPacket(meta);
  const std::string text(whole.begin(), whole.end());
  EXPECT_NE(text.find("Harbour at dawn"), std::string::npos);
  EXPECT_LT(text.find("extended part"), text.find("</rdf:RDF>"));
  EXPECT_TRUE(PlausibleXmpPacket(whole));
}

TEST(JpegMetadataSegments, WhatCannotFitItsSegmentsIsLeftOut) {
  PhotoMetadata meta;
  meta.xmp = TestXmp(70000);  // over one APP1 and without an extension id
  meta.icc = TestIccProfile(256 * kIccBytesPerSegment + 4, "Huge");  // over 255 chunks
  EXPECT_TRUE(JpegMetadataSegments(meta, false).empty());
}

struct FileCodecs : ::testing::Test {
  test::TempDir dir;
  Image picture = test::GradientImage(40, 30);

  std::vector<uint8_t> Encode(const std::string& name, bool png, const PhotoMetadata* meta) {
    ImageDest* dest = OpenDestFile((dir / name).c_str());
    EXPECT_NE(dest, nullptr);
    const Image& p = picture;
    PngEncodeOptions options;
    options.metadata = meta;
    bool ok = png ? WritePng(dest, p.pixels(), p.width(), p.height(), options)
                  : WriteTiff(dest, p.pixels(), p.width(), p.height(), 24, meta);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(CloseDest(dest));
    return test::ReadFileBytes(dir / name);
  }
  PhotoMetadata ReadBack(const std::string& name, bool png) {
    ImageSource* src = OpenSourceFile((dir / name).c_str());
    PhotoMetadata m = png ? ReadPngMetadata(src) : ReadTiffMetadata(src);
    // The pixels still decode.
    int w = 0, h = 0;
    SeekSource(src, 0, SEEK_SET);
    uint8_t* pixels = png ? ReadPng(src, 24, &w, &h) : ReadTiff(src, 24, &w, &h);
    EXPECT_NE(pixels, nullptr);
    EXPECT_EQ(w, 40);
    FreeLibraryBuffer(pixels);
    CloseSource(src);
    return m;
  }
};

TEST_F(FileCodecs, PngAndTiffCarryProfileXmpAndTheirOwnExtras) {
  PhotoMetadata meta = FullMetadata(70000);
  meta.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  meta.extendedXmp = TestXmp(5000, "", "from the extension");
  meta.extendedXmpGuid = kGuid;
  // An odd length: TIFF pads the records to whole numbers, and the reader drops the padding.
  meta.iptc.insert(meta.iptc.end(), {0x1C, 2, 120, 0, 1, 'x'});

  Encode("a.png", true, &meta);
  PhotoMetadata png = ReadBack("a.png", true);
  EXPECT_EQ(png.icc, meta.icc);
  EXPECT_EQ(png.exif, meta.exif);
  EXPECT_EQ(png.xmp, WholeXmpPacket(meta));
  EXPECT_TRUE(png.iptc.empty());  // PNG has no IPTC chunk
  // Each chunk once: nothing is written again after the pixels.
  std::string bytes = test::ReadText(dir / "a.png");
  for (const char* type : {"eXIf", "iCCP", "iTXt"}) {
    size_t first = bytes.find(type);
    ASSERT_NE(first, std::string::npos) << type;
    EXPECT_EQ(bytes.find(type, first + 1), std::string::npos) << type << " written twice";
    EXPECT_LT(first, bytes.find("IDAT")) << type;
  }

  Encode("a.tif", false, &meta);
  PhotoMetadata tiff = ReadBack("a.tif", false);
  EXPECT_EQ(tiff.icc, meta.icc);
  EXPECT_EQ(tiff.xmp, WholeXmpPacket(meta));
  EXPECT_EQ(tiff.iptc, meta.iptc);
}

TEST_F(FileCodecs, WithoutMetadataTheBytesAreUnchangedAndNonRgbProfilesStayOut) {
  const PhotoMetadata empty;
  const std::vector<uint8_t> before(picture.pixels(), picture.pixels() + picture.byteSize());
  EXPECT_EQ(Encode("plain.png", true, nullptr), Encode("empty.png", true, &empty));
  EXPECT_EQ(Encode("plain.tif", false, nullptr), Encode("again.tif", false, nullptr));
  // The encoders leave the caller's picture as it was (TIFF's predictor works on a copy).
  EXPECT_EQ(std::vector<uint8_t>(picture.pixels(), picture.pixels() + picture.byteSize()), before);
  EXPECT_EQ(Encode("plain.tif", false, nullptr), Encode("empty.tif", false, &empty));
  PhotoMetadata grey;
  grey.icc = TestIccProfile(1024, "Grey");
  for (int i = 0; i < 4; ++i) grey.icc[16 + size_t(i)] = uint8_t("GRAY"[i]);
  EXPECT_EQ(Encode("grey.png", true, &grey), Encode("plain.png", true, nullptr));
  EXPECT_TRUE(ReadBack("grey.png", true).icc.empty());
}

TEST_F(FileCodecs, PngChunksFailingTheirCheckAreSkipped) {
  PhotoMetadata meta = FullMetadata(2000);
  std::vector<uint8_t> file = Encode("c.png", true, &meta);
  const std::string text(file.begin(), file.end());
  const size_t icc = text.find("iCCP");
  ASSERT_NE(icc, std::string::npos);
  file[icc + 20] ^= 0xFF;  // inside the compressed profile: the CRC no longer matches
  const std::string bytes(file.begin(), file.end());
  test::WriteText(dir / "c.png", bytes);
  PhotoMetadata back = ReadBack("c.png", true);
  EXPECT_TRUE(back.icc.empty());
  EXPECT_EQ(back.xmp, meta.xmp);
}

TEST(PngMetadata, OnlyTheFirstXmpChunkIsInflatedWithinABudget) {
  // Chunks of XMP that each inflate to over 64 MB from about 64 KB, then a sound one.
  auto chunk = [](const char* type, const std::vector<uint8_t>& body) {
    testing::Bytes c;
    c.be32(uint32_t(body.size())).str(type).raw(body);
    uLong crc = crc32(0, c.v.data() + 4, uInt(c.v.size() - 4));
    return c.be32(uint32_t(crc)).v;
  };
  auto itxt = [](const std::vector<uint8_t>& text, bool compress) {
    // The keyword with its terminating zero, the compression flag and method, two empty texts.
    const std::string keyword = "XML:com.adobe.xmp";
    std::vector<uint8_t> body(keyword.begin(), keyword.end());
    for (uint8_t b : {uint8_t(0), uint8_t(compress ? 1 : 0), uint8_t(0), uint8_t(0), uint8_t(0)})
      body.push_back(b);
    if (!compress) {
      body.insert(body.end(), text.begin(), text.end());
      return body;
    }
    uLongf size = compressBound(uLong(text.size()));
    std::vector<uint8_t> packed(size);
    EXPECT_EQ(compress2(packed.data(), &size, text.data(), uLong(text.size()), 9), Z_OK);
    body.insert(body.end(), packed.begin(), packed.begin() + ptrdiff_t(size));
    return body;
  };
  const std::vector<uint8_t> bomb = itxt(std::vector<uint8_t>((64u << 20) + 4096, ' '), true);
  testing::Bytes png;
  png.u8(0x89).str("PNG\r\n").u8(0x1A).str("\n");
  for (int i = 0; i < 6; ++i) png.raw(chunk("iTXt", bomb));
  png.raw(chunk("iTXt", itxt(TestXmp(500), false))).raw(chunk("IEND", {}));
  ImageSource* src = OpenSourceMemory(png.v.data(), png.v.size());
  PhotoMetadata meta = ReadPngMetadata(src);
  CloseSource(src);
  // The first XMP chunk decides: the later ones, the sound one too, are never inflated.
  EXPECT_TRUE(meta.xmp.empty());
}

TEST(PsdMetadata, ProfileXmpAndIptcResourcesAreRead) {
  const PhotoMetadata meta = FullMetadata(3000);
  std::vector<uint8_t> resources;
  for (const auto& [id, data] : {std::pair{kResourceIcc, meta.icc}, {kResourceXmp, meta.xmp},
                                 {kResourceIptc, meta.iptc}}) {
    const std::vector<uint8_t> r = PhotoshopResource(id, data);
    resources.insert(resources.end(), r.begin(), r.end());
  }
  std::vector<uint8_t> file = {'8', 'B', 'P', 'S', 0, 1};
  file.resize(26 + 4, 0);  // rest of the header, no colour mode data
  file.resize(file.size() + 4);
  test::PutBe32(file, 30, uint32_t(resources.size()));
  file.insert(file.end(), resources.begin(), resources.end());
  ImageSource* src = OpenSourceMemory(file.data(), file.size());
  PhotoMetadata back = ReadPsdMetadata(src);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_EQ(back.iptc, meta.iptc);
  CloseSource(src);
  // A resource section longer than the file gives nothing, and no failure.
  test::PutBe32(file, 30, uint32_t(resources.size() + 1));
  src = OpenSourceMemory(file.data(), file.size());
  EXPECT_TRUE(ReadPsdMetadata(src).icc.empty());
  CloseSource(src);
}

TEST(IccProfile, DescriptionFromVersion4Text) {
  std::vector<uint8_t> p = TestIccProfile(512, "x");
  // Replace the 'desc' tag by an 'mluc' one holding "Display P3" in UTF-16.
  const size_t at = 156;
  const std::u16string text = u"Display P3";
  std::fill(p.begin() + at, p.begin() + at + 100, 0);
  for (int i = 0; i < 4; ++i) p[at + size_t(i)] = uint8_t("mluc"[i]);
  test::PutBe32(p, at + 8, 1);
  test::PutBe32(p, at + 12, 12);
  test::PutBe32(p, at + 20, uint32_t(text.size() * 2));
  test::PutBe32(p, at + 24, 28);
  for (size_t i = 0; i < text.size(); ++i) p[at + 28 + 2 * i + 1] = uint8_t(text[i]);
  test::PutBe32(p, 140, 28 + uint32_t(text.size() * 2));
  EXPECT_EQ(IccProfileDescription(p), "Display P3");
  p.pop_back();  // the size field no longer matches
  EXPECT_FALSE(PlausibleIccProfile(p));
  EXPECT_EQ(IccProfileDescription(p), "");
}

TEST(IccProfile, OnlyProfilesWhoseTagsLieInsideAreCarried) {
  std::vector<uint8_t> p = TestIccProfile(1024, "x");
  EXPECT_TRUE(IsRgbIccProfile(p));
  // The second tag's data is said to run past the profile's end.
  std::vector<uint8_t> outside = p;
  test::PutBe32(outside, 148, 1000);
  test::PutBe32(outside, 152, 400);
  EXPECT_TRUE(PlausibleIccProfile(outside));
  EXPECT_FALSE(IsRgbIccProfile(outside));
  // An offset that wraps around when the size is added.
  test::PutBe32(outside, 148, 0xFFFFFFF0u);
  test::PutBe32(outside, 152, 0x20);
  EXPECT_FALSE(IsRgbIccProfile(outside));
  // A tag table Little CMS refuses to read: more tags than any profile has (over 100), each of
  // them inside the profile.
  std::vector<uint8_t> crowded = TestIccProfile(2048, "x");
  test::PutBe32(crowded, 128, 101);
  for (uint32_t i = 0; i < 101; ++i) {
    const size_t entry = 132 + size_t(i) * 12;
    test::PutBe32(crowded, entry, 0x7A000000u + i);
    test::PutBe32(crowded, entry + 4, 1400);
    test::PutBe32(crowded, entry + 8, 16);
  }
  EXPECT_TRUE(PlausibleIccProfile(crowded));
  EXPECT_FALSE(IsRgbIccProfile(crowded));
}

}  // namespace
}  // namespace orv
