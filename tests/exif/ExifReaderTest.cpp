// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/ExifReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>

#include "exif/ExifBlockBuilder.h"
#include "exif/ExifTagName.h"
#include "exif/JpegSegments.h"

namespace orv {
namespace {

using test::Ascii;
using test::Bytes;
using test::ExifBlockBuilder;
using test::Long;
using test::Rational;
using test::Raw;
using test::Short;
using test::Shorts;
using test::SRational;
using test::Typed;

struct Parsed {
  ExifHandle handle;
  int error = -1;
};

Parsed Parse(const std::vector<uint8_t>& block) {
  Parsed p;
  static const uint8_t kNothing = 0;  // an empty vector may have no storage at all
  p.handle = ParseExifBlock(block.empty() ? &kNothing : block.data(), block.size(), p.error);
  return p;
}

// The text of a tag, or "<57>" style markers for the other results, so expectations read simply.
std::string Text(const Parsed& p, uint16_t tag, unsigned mask = kExifMaskAll) {
  std::string text = "stale";
  const int rc = GetExifTagText(p.handle.get(), tag, mask, text);
  if (rc != kExifOk) {
    EXPECT_TRUE(text.empty());
    return test::ResultCode(rc);
  }
  return text;
}

uint32_t FloatBits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}
uint64_t DoubleBits(double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return u;
}

// One block holding every type in the shapes that matter: inline and at an offset, one and
// several elements, signed values, and the UNDEFINED tags decoded by tag.
ExifBlockBuilder EveryTypeBlock(bool bigEndian) {
  ExifBlockBuilder b(bigEndian);
  b.ifd0 = {
      Ascii(0x010F, "Canon"),                   // at an offset
      Ascii(0x0110, "S40"),                     // count 4: inside the value field
      Typed(0x0001, 1, 1, {1, 2, 255}),         // BYTE
      Shorts(0x0102, {8, 65535}),               // SHORT count 2, inline
      Shorts(0x0212, {1, 2, 3}),                // SHORT count 3, at an offset
      Long(0x0100, 0xFFFFFFFFu),                // LONG printed signed
      Typed(0x0200, 6, 1, {0xFF, 0x80, 0x7F}),  // SBYTE
      Typed(0x0201, 8, 2, {0xFFFE, 0x8000}),    // SSHORT
      Typed(0x0202, 9, 4, {0x80000000u}),       // SLONG
      Typed(0x0203, 11, 4, {FloatBits(1.5f)}),  // FLOAT
      Typed(0x0204, 12, 8, {DoubleBits(-2.25), DoubleBits(1e20)}),  // DOUBLE
      Typed(0x0205, 3, 2, {}),                                      // no elements
      Ascii(0x0132, "2003:12:14 12:01:44"),
  };
  b.subIfd = {
      Rational(0x829A, 1, 60),
      test::Rationals(0x829D, 5, {{49, 10}, {4294967295u, 1}}),
      SRational(0x9201, -3, 1),
      Bytes(0x9000, 7, "0220"),
      Bytes(0xA300, 7, "\x03"),
      Bytes(0xA301, 7, "\x01"),
      Bytes(0x927C, 7, "maker note bytes"),
      Bytes(0x9286, 7, "ASCII\0\0\0hello"),
      Bytes(0x9101, 7, std::string("\x01\x02\x03\x00", 4)),
  };
  b.interop = {Ascii(0x0001, "R98"), Bytes(0x0002, 7, "0100")};
  b.ifd1 = {Short(0x0103, 6), Long(0x0201, 1234)};
  return b;
}

TEST(ExifReader, DecodesEveryTypeTheSameInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "MM" : "II");
    auto block = EveryTypeBlock(bigEndian).Build();
    Parsed p = Parse(block);
    ASSERT_TRUE(p.handle);
    EXPECT_EQ(p.error, kExifOk);
    EXPECT_EQ(p.handle->bigEndian, bigEndian);
    EXPECT_EQ(Text(p, 0x010F), "Canon");
    EXPECT_EQ(Text(p, 0x0110), "S40");
    EXPECT_EQ(Text(p, 0x0001, kExifMaskIfd0), "1, 2, 255");
    EXPECT_EQ(Text(p, 0x0102), "8, 65535");
    EXPECT_EQ(Text(p, 0x0212), "1, 2, 3");
    EXPECT_EQ(Text(p, 0x0100), "-1");
    EXPECT_EQ(Text(p, 0x0200), "-1, -128, 127");
    EXPECT_EQ(Text(p, 0x0201), "-2, -32768");
    EXPECT_EQ(Text(p, 0x0202), "-2147483648");
    EXPECT_EQ(Text(p, 0x0203), "1.5000");
    EXPECT_EQ(Text(p, 0x0204), "-2.2500, 100000000000000000000.0000");
    EXPECT_EQ(Text(p, 0x0205), "");
    EXPECT_EQ(Text(p, 0x829A), "1/60");
    EXPECT_EQ(Text(p, 0x829D), "49/10, 4294967295/1");
    EXPECT_EQ(Text(p, 0x9201), "-3/1");
    EXPECT_EQ(Text(p, 0x9000), "0220");
    EXPECT_EQ(Text(p, 0xA300), "3");
    EXPECT_EQ(Text(p, 0xA301), "1");
    EXPECT_EQ(Text(p, 0x927C), "Unknown Format");
    EXPECT_EQ(Text(p, 0x9286), "Unknown Format");
    EXPECT_EQ(Text(p, 0x9101), "Unknown Format");
    EXPECT_EQ(Text(p, 0x0001, kExifMaskInterop), "R98");
    EXPECT_EQ(Text(p, 0x0002), "0100");
    EXPECT_EQ(Text(p, 0x0103), "6");
    EXPECT_EQ(Text(p, 0x0201, kExifMaskIfd1), "1234");
    EXPECT_EQ(p.handle->List(ExifIfd::Ifd0).size(), 14u);  // with the EXIFOffset pointer
    EXPECT_EQ(p.handle->List(ExifIfd::SubIfd).size(), 10u);
    EXPECT_EQ(p.handle->List(ExifIfd::Interop).size(), 2u);
    EXPECT_EQ(p.handle->List(ExifIfd::Ifd1).size(), 2u);
  }
}

TEST(ExifReader, FloatTextsKeepTheirWidth) {
  ExifBlockBuilder b(false);
  b.ifd0 = {Typed(0x0203, 11, 4, {FloatBits(std::nanf(""))}),
            Typed(0x0204, 12, 8, {DoubleBits(-INFINITY)}), Typed(0x0205, 11, 4, {FloatBits(0)})};
  Parsed p = Parse(b.Build());
  EXPECT_EQ(Text(p, 0x0203), "   nan");
  EXPECT_EQ(Text(p, 0x0204), "  -inf");
  EXPECT_EQ(Text(p, 0x0205), "0.0000");
}

TEST(ExifReader, AsciiStopsAtTheFirstNulAndVersionTakesFourBytes) {
  ExifBlockBuilder b(true);
  b.ifd0 = {Bytes(0x010F, 2, std::string("Nik\0on", 6)), Bytes(0x0110, 2, "AB"),
            Bytes(0x0131, 2, "")};
  b.subIfd = {Bytes(0x9000, 7, std::string("02\0", 3)), Bytes(0xA000, 7, "010000")};
  Parsed p = Parse(b.Build());
  EXPECT_EQ(Text(p, 0x010F), "Nik");
  EXPECT_EQ(Text(p, 0x0110), "AB");  // no terminating NUL in the count
  EXPECT_EQ(Text(p, 0x0131), "");
  EXPECT_EQ(Text(p, 0x9000), "02");
  EXPECT_EQ(Text(p, 0xA000), "0100");
}

TEST(ExifReader, SkipsBadEntriesAndKeepsTheRest) {
  ExifBlockBuilder b(false);
  b.ifd0 = {
      Raw(0x0100, 3, 60000, 8),        // count not below the block length
      Raw(0x0101, 0, 1, 0),            // type 0
      Raw(0x0102, 13, 1, 0),           // type 13
      Raw(0x0103, 5, 1, 0xFFFFFFF0u),  // value data past the end (and offset wrap-around)
      Raw(0x0104, 4, 2, 0x7FFFFFF0u),  // likewise for a LONG pair
      Raw(0x0105, 7, 5, 0xFFFFFFFFu),  // UNDEFINED at an impossible offset
      Ascii(0x010F, "Canon"),
  };
  Parsed p = Parse(b.Build());
  EXPECT_EQ(p.error, kExifOk);
  ASSERT_EQ(p.handle->List(ExifIfd::Ifd0).size(), 1u);
  EXPECT_EQ(Text(p, 0x010F), "Canon");
  for (uint16_t tag = 0x0100; tag <= 0x0105; ++tag) EXPECT_EQ(Text(p, tag), "<57>");
}

TEST(ExifReader, RejectsWhatIsNotAnExifBlock) {
  const std::vector<uint8_t> good = EveryTypeBlock(false).Build();
  auto mutated = [&](size_t at, uint8_t value) {
    auto b = good;
    b[at] = value;
    return b;
  };
  const std::vector<std::vector<uint8_t>> bad = {
      {},
      std::vector<uint8_t>(good.begin(), good.begin() + 9),
      std::vector<uint8_t>(good.begin(), good.begin() + 13),  // no room for the IFD0 offset
      mutated(0, 'e'),
      mutated(7, 'M'),  // "IM"
      mutated(8, 0x2B),
  };
  for (const auto& block : bad) {
    Parsed p = Parse(block);
    ASSERT_TRUE(p.handle);
    EXPECT_EQ(p.error, kExifNotExif);
    for (int i = 0; i < kExifIfdCount; ++i) EXPECT_TRUE(p.handle->lists[size_t(i)].empty());
    EXPECT_EQ(Text(p, 0x010F), "<57>");
  }
  // Another kind of APP1 segment.
  const std::string xmp = "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>";
  Parsed p = Parse(std::vector<uint8_t>(xmp.begin(), xmp.end()));
  EXPECT_EQ(p.error, kExifNotExif);
  EXPECT_EQ(Text(p, 0x010F), "<57>");
}

TEST(ExifReader, AcceptsTheMagicInEitherOrder) {
  auto block = EveryTypeBlock(true).Build();
  std::swap(block[8], block[9]);  // 42 stored little-endian in an MM block
  Parsed p = Parse(block);
  EXPECT_EQ(p.error, kExifOk);
  EXPECT_EQ(Text(p, 0x010F), "Canon");
}

TEST(ExifReader, KeepsWhatWasDecodedBeforeADamagedIfd) {
  // Exif sub-IFD offset past the end: IFD0 and IFD1 survive.
  {
    ExifBlockBuilder b(true);
    b.ifd0 = {Ascii(0x010F, "Canon"), Ascii(0x0110, "Canon PowerShot G2")};
    b.subIfd = {Rational(0x829A, 1, 60)};
    b.ifd1 = {Short(0x0103, 6)};
    auto block = b.Build();
    const size_t pointerValue = 6 + b.ifd0Offset + 2 + 2 * 12 + 8;  // third entry: EXIFOffset
    ExifBlockBuilder::Patch(block, pointerValue, uint32_t(block.size()), 4, true);
    Parsed p = Parse(block);
    EXPECT_EQ(p.error, kExifNotExif);
    EXPECT_EQ(Text(p, 0x010F), "Canon");
    EXPECT_EQ(Text(p, 0x0110), "Canon PowerShot G2");
    EXPECT_EQ(Text(p, 0x0103), "6");
    EXPECT_EQ(Text(p, 0x829A), "<57>");
  }
  // A damaged IFD1 (its entry count runs past the end) does not hide the exposure data.
  {
    ExifBlockBuilder b(false);
    b.ifd0 = {Ascii(0x010F, "Canon")};
    b.subIfd = {Rational(0x829A, 1, 60)};
    b.interop = {Ascii(0x0001, "R98")};
    b.ifd1 = {Short(0x0103, 6)};
    auto block = b.Build();
    // The link names an IFD whose entry count cannot even be read.
    ExifBlockBuilder::Patch(block, b.ifd0LinkPosition, uint32_t(block.size() - 7), 4, false);
    Parsed p = Parse(block);
    EXPECT_EQ(p.error, kExifNotExif);
    EXPECT_EQ(Text(p, 0x829A), "1/60");
    EXPECT_EQ(Text(p, 0x0001), "R98");
    EXPECT_EQ(Text(p, 0x0103), "<57>");
  }
  // IFD0 cut short: the entries that fit are kept, the rest of the count fails the parse.
  {
    ExifBlockBuilder b(false);
    b.ifd0 = {Short(0x0112, 1), Ascii(0x0110, "S40")};
    auto block = b.Build();
    block.resize(6 + 8 + 2 + 12 + 5);
    Parsed p = Parse(block);
    EXPECT_EQ(p.error, kExifNotExif);
    EXPECT_EQ(Text(p, 0x0112), "1");
    EXPECT_EQ(Text(p, 0x0110), "<57>");
  }
}

TEST(ExifReader, FollowsOnlyTheStandardPointersAndEachOnce) {
  ExifBlockBuilder b(false);
  b.ifd0 = {Ascii(0x010F, "Canon"), Long(0x8825, 8), Long(0x014A, 8)};  // GPS and SubIFDs
  b.subIfd = {Rational(0x829A, 1, 60)};
  auto block = b.Build();
  // IFD1 is IFD0 itself, and the sub-IFD's own next link points back at IFD0 as well.
  ExifBlockBuilder::Patch(block, b.ifd0LinkPosition, b.ifd0Offset, 4, false);
  ExifBlockBuilder::Patch(block, 6 + b.subIfdOffset + 2 + 12, b.ifd0Offset, 4, false);
  Parsed p = Parse(block);
  EXPECT_EQ(p.error, kExifOk);
  EXPECT_EQ(p.handle->List(ExifIfd::Ifd0).size(), 4u);
  EXPECT_EQ(p.handle->List(ExifIfd::Ifd1).size(), 4u);
  EXPECT_EQ(p.handle->List(ExifIfd::SubIfd).size(), 1u);
  EXPECT_TRUE(p.handle->List(ExifIfd::Interop).empty());

  // An IFD1 link of 0 or beyond the block is no IFD1, and no error.
  for (uint32_t link : {0u, uint32_t(block.size())}) {
    ExifBlockBuilder::Patch(block, b.ifd0LinkPosition, link, 4, false);
    Parsed q = Parse(block);
    EXPECT_EQ(q.error, kExifOk);
    EXPECT_TRUE(q.handle->List(ExifIfd::Ifd1).empty());
  }
}

TEST(ExifReader, LookupSearchesTheSelectedListsInOrderAndTakesTheFirst) {
  ExifBlockBuilder b(false);
  b.ifd0 = {Ascii(0x010F, "first"), Ascii(0x010F, "second")};
  b.ifd1 = {Ascii(0x010F, "thumbnail"), Short(0x0103, 6)};
  Parsed p = Parse(b.Build());
  EXPECT_EQ(Text(p, 0x010F), "first");
  EXPECT_EQ(Text(p, 0x010F, kExifMaskIfd1), "thumbnail");
  EXPECT_EQ(Text(p, 0x010F, kExifMaskSubIfd | kExifMaskInterop), "<57>");
  EXPECT_EQ(Text(p, 0x0103, kExifMaskIfd0), "<57>");
  EXPECT_EQ(Text(p, 0x0103, 0), "<57>");

  std::string text = "stale";
  EXPECT_EQ(GetExifTagText(nullptr, 0x010F, kExifMaskAll, text), kExifBadParameter);
  EXPECT_TRUE(text.empty());
  int error = -1;
  EXPECT_EQ(ParseExifBlock(nullptr, 10, error), nullptr);
  EXPECT_EQ(error, kExifBadParameter);
  ExifHandle none;
  EXPECT_EQ(FreeExifData(none), kExifBadParameter);
  EXPECT_EQ(FreeExifData(p.handle), kExifOk);
  EXPECT_EQ(p.handle, nullptr);
}

TEST(ExifReader, ThousandsOfEntriesSharingOneLargeValueStayCheap) {
  // The largest APP1 payload: one IFD of 5000 RATIONAL entries, each claiming most of the block.
  constexpr size_t kLength = 65533;
  constexpr uint32_t kEntries = 5000;
  std::vector<uint8_t> block(kLength, 0x11);
  const char header[] = "Exif\0\0II\x2a\0\x08\0\0\0";
  std::memcpy(block.data(), header, 14);
  ExifBlockBuilder::Patch(block, 14, kEntries, 2, false);
  for (uint32_t i = 0; i < kEntries; ++i) {
    const size_t at = 16 + 12 * i;
    ExifBlockBuilder::Patch(block, at, 0x829A, 2, false);
    ExifBlockBuilder::Patch(block, at + 2, 5, 2, false);
    ExifBlockBuilder::Patch(block, at + 4, 8000, 4, false);
    ExifBlockBuilder::Patch(block, at + 8, 0, 4, false);
  }
  const auto start = std::chrono::steady_clock::now();
  Parsed p = Parse(block);
  EXPECT_EQ(p.error, kExifOk);  // the link after the last entry reads as 0x11111111: past the end
  EXPECT_EQ(p.handle->List(ExifIfd::Ifd0).size(), kEntries);
  EXPECT_EQ(p.handle->block.size(), kLength);
  const std::string text = Text(p, 0x829A);
  EXPECT_EQ(text.substr(0, 11), "2771273/8, ");  // "II", 42 and the IFD0 offset
  EXPECT_GT(text.size(), 8000u * 5);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ExifTagName, SharedNamesAndUnknownNumbers) {
  EXPECT_EQ(ExifTagName(0x828E), "CFAPattern");
  EXPECT_EQ(ExifTagName(0xA302), "CFAPattern");
  EXPECT_EQ(ExifTagName(0xA215), "ExposureIndex");
  EXPECT_EQ(ExifTagName(0xA401), "unknown tag: 0xa401");
  EXPECT_EQ(ExifTagName(0), "unknown tag: 0x0");
}

}  // namespace
}  // namespace orv
