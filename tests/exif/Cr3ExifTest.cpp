// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The EXIF record of a CR3 file: an ISO base media file of brand 'crx ' made here, whose Canon
// box holds IFD0 (CMT1) and the Exif directory (CMT2) as TIFF data, gives the same camera summary
// as a JPEG's EXIF block holding the same two directories.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "exif/CameraSummary.h"
#include "imageio/RawCodec.h"

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

struct Tag {
  uint16_t tag, type;
  uint32_t count;
  Bytes value;  // little-endian
};

void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF), Put16(b, v >> 16);
}
void PutBe32(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

Tag Ascii(uint16_t tag, const std::string& text) {
  Bytes v(text.begin(), text.end());
  v.push_back(0);
  return {tag, 2, uint32_t(v.size()), v};
}
Tag Short(uint16_t tag, uint16_t value) {
  Bytes v;
  Put16(v, value);
  return {tag, 3, 1, v};
}
Tag Long(uint16_t tag, uint32_t value) {
  Bytes v;
  Put32(v, value);
  return {tag, 4, 1, v};
}
Tag Rational(uint16_t tag, uint32_t num, uint32_t den) {
  Bytes v;
  Put32(v, num), Put32(v, den);
  return {tag, 5, 1, v};
}

// Appends a directory at the end of `tiff` (offsets count from the TIFF header at 0), its longer
// values right after it, and no next directory.
void AppendIfd(Bytes& tiff, const std::vector<Tag>& tags) {
  const uint32_t start = uint32_t(tiff.size());
  uint32_t data = start + 2 + uint32_t(tags.size()) * 12 + 4;
  Bytes values;
  Put16(tiff, uint32_t(tags.size()));
  for (const Tag& t : tags) {
    Put16(tiff, t.tag), Put16(tiff, t.type), Put32(tiff, t.count);
    if (t.value.size() <= 4) {
      Bytes inline4 = t.value;
      inline4.resize(4, 0);
      tiff.insert(tiff.end(), inline4.begin(), inline4.end());
    } else {
      Put32(tiff, data + uint32_t(values.size()));
      values.insert(values.end(), t.value.begin(), t.value.end());
      if (values.size() % 2) values.push_back(0);
    }
  }
  Put32(tiff, 0);
  tiff.insert(tiff.end(), values.begin(), values.end());
}

Bytes TiffHeader() {
  return {'I', 'I', 42, 0, 8, 0, 0, 0};
}

const std::vector<Tag> kIfd0 = {Ascii(0x010F, "Canon"), Ascii(0x0110, "Canon EOS R5"),
                                Short(0x0112, 1), Ascii(0x0132, "2026:03:01 10:20:30")};
const std::vector<Tag> kExif = {
    Rational(0x829A, 1, 250),   Rational(0x829D, 56, 10), Short(0x8822, 3),
    Short(0x8827, 800),         Ascii(0x9003, "2026:03:01 10:20:30"),
    Rational(0x9206, 35, 10),   Short(0x9207, 5),         Short(0x9209, 16),
    Rational(0x920A, 50, 1),    Short(0xA001, 1)};

// The JPEG's form: IFD0 pointing to the Exif directory, in one TIFF block.
Bytes JpegExifBlock() {
  Bytes tiff = TiffHeader();
  std::vector<Tag> ifd0 = kIfd0;
  // IFD0: count, entries, next pointer and its values; the Exif directory follows.
  Bytes probe = TiffHeader();
  ifd0.push_back(Long(0x8769, 0));
  AppendIfd(probe, ifd0);
  ifd0.back() = Long(0x8769, uint32_t(probe.size()));
  AppendIfd(tiff, ifd0);
  AppendIfd(tiff, kExif);
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

Bytes Box(const char* type, const Bytes& body) {
  Bytes box;
  PutBe32(box, uint32_t(8 + body.size()));
  box.insert(box.end(), type, type + 4);
  box.insert(box.end(), body.begin(), body.end());
  return box;
}

// ftyp 'crx ', then moov holding Canon's uuid box with CMT1 (IFD0) and CMT2 (the Exif directory).
Bytes Cr3File() {
  Bytes ftyp = {'c', 'r', 'x', ' ', 0, 0, 0, 1, 'c', 'r', 'x', ' ', 'i', 's', 'o', 'm'};
  Bytes cmt1 = TiffHeader(), cmt2 = TiffHeader();
  AppendIfd(cmt1, kIfd0);
  AppendIfd(cmt2, kExif);
  Bytes canon = {0x85, 0xC0, 0xB6, 0x87, 0x82, 0x0F, 0x11, 0xE0,
                 0x81, 0x11, 0xF4, 0xCE, 0x46, 0x2B, 0x6A, 0x48};
  for (const Bytes& b : {Box("CMT1", cmt1), Box("CMT2", cmt2)})
    canon.insert(canon.end(), b.begin(), b.end());
  Bytes file = Box("ftyp", ftyp);
  const Bytes moov = Box("moov", Box("uuid", canon));
  file.insert(file.end(), moov.begin(), moov.end());
  return file;
}

TEST(Cr3Exif, TheCameraSummaryEqualsThatOfTheSameTagsInAJpeg) {
  const Bytes cr3 = Cr3File();
  // LibRaw's own reading is left empty: everything must come from exiv2's reading of the boxes.
  const RawShotValues none;
  const Bytes block = BuildRawExifBlock(cr3.data(), cr3.size(), none, 600, 400, nullptr);
  ASSERT_GT(block.size(), 6u);
  const Bytes jpegBlock = JpegExifBlock();
  const CameraSummary raw = ExtractCameraValues({block, {}, 600, 400});
  const CameraSummary jpeg = ExtractCameraValues({jpegBlock, {}, 600, 400});
  ASSERT_TRUE(jpeg.HasExif);
  EXPECT_TRUE(raw.HasExif);
  EXPECT_EQ(raw.Make, "Canon");
  EXPECT_EQ(raw.Make, jpeg.Make);
  EXPECT_EQ(raw.DisplayModel, jpeg.DisplayModel);
  EXPECT_EQ(raw.DateTime, jpeg.DateTime);
  EXPECT_DOUBLE_EQ(raw.ExposureTime, 1.0 / 250);
  EXPECT_DOUBLE_EQ(raw.ExposureTime, jpeg.ExposureTime);
  EXPECT_EQ(raw.ShutterText, jpeg.ShutterText);
  EXPECT_DOUBLE_EQ(raw.FNumber, jpeg.FNumber);
  EXPECT_EQ(raw.Iso, 800);
  EXPECT_EQ(raw.Iso, jpeg.Iso);
  EXPECT_EQ(raw.Flash, jpeg.Flash);
  EXPECT_DOUBLE_EQ(raw.SubjectDistance, jpeg.SubjectDistance);
  EXPECT_EQ(raw.ExposureProgramText, jpeg.ExposureProgramText);
  EXPECT_EQ(raw.MeteringModeText, jpeg.MeteringModeText);
  EXPECT_EQ(raw.InfoSummaryHtml, jpeg.InfoSummaryHtml);
}

}  // namespace
}  // namespace orv
