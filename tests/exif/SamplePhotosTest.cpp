// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The real camera files in samples/: what their EXIF records actually hold.
#include <gtest/gtest.h>

#include "exif/CameraSummary.h"
#include "exif/ExifReader.h"
#include "exif/JpegSegments.h"

namespace orv {
namespace {

struct Sample {
  const char* file;
  int width, height;
  bool bigEndian;
  const char* displayModel;
  const char* dateTime;
  const char* shutter;
  const char* fNumber;
  int iso, flash;
  const char* program;
  const char* metering;
  const char* exifVersion;
  const char* html;
};

const Sample kSamples[] = {
    {"test1.jpg", 180, 135, true, "Apple iPhone 4S", "2013:02:06 16:00:03", "1/4608", "2.4", 50, 0,
     "program normal", "multi-segment", "0221",
     "<b>Apple iPhone 4S</b><br>Shutter: 1/4608 | F: 2.4 | No Flash | ISO: 50  | "},
    {"test2.jpg", 180, 142, true, "Apple iPhone 4S", "2012:12:23 14:47:49", "1/120", "2.4", 80, 0,
     "program normal", "multi-segment", "0221",
     "<b>Apple iPhone 4S</b><br>Shutter: 1/120 | F: 2.4 | No Flash | ISO: 80  | "},
    {"test3.jpg", 180, 135, true, "Apple iPhone 4S", "2012:12:22 19:40:02", "1/15", "2.4", 500, 0,
     "program normal", "multi-segment", "0221",
     "<b>Apple iPhone 4S</b><br>Shutter: 1/15 | F: 2.4 | No Flash | ISO: 500  | "},
    // Despite its name this file's record is little-endian; its Model "S40" sits inline. The
    // camera keeps ISO in its maker note only, so the standard tag is absent.
    {"short-ascii-MM.jpg", 480, 360, false, "Canon S40", "2003:12:14 12:01:44", "1/500", "4.9", 0,
     0, "", "center weighted", "0220",
     "<b>Canon S40</b><br>Shutter: 1/500 | F: 4.9 | No Flash |  | "},
    {"right.jpg", 640, 480, true, "", "", "", "", 0, -1, "", "", "<57>", "<b></b><br> |  |  |  | "},
};

TEST(SamplePhotos, CameraSummaryMatchesTheRecords) {
  for (const Sample& x : kSamples) {
    SCOPED_TRACE(x.file);
    const std::vector<uint8_t> file = test::ReadFileBytes(test::SamplePath(x.file));
    ASSERT_FALSE(file.empty());
    const test::JpegSegments seg = test::ScanJpegSegments(file);
    ASSERT_EQ(seg.app1.size(), 1u);
    const std::vector<uint8_t>& block = seg.app1.back();

    int error = -1;
    ExifHandle h = ParseExifBlock(block.data(), block.size(), error);
    ASSERT_TRUE(h);
    EXPECT_EQ(error, kExifOk);
    EXPECT_EQ(h->bigEndian, x.bigEndian);
    std::string version;
    const int rc = GetExifTagText(h.get(), 0x9000, kExifMaskAll, version);
    EXPECT_EQ(rc == kExifOk ? version : test::ResultCode(rc), x.exifVersion);

    const CameraSummary s = ExtractCameraValues({block, seg.firstComment, x.width, x.height});
    EXPECT_TRUE(s.HasExif);
    EXPECT_EQ(s.ExifBlock, block);
    EXPECT_EQ(s.DisplayModel, x.displayModel);
    EXPECT_EQ(s.DateTime, x.dateTime);
    EXPECT_EQ(s.ShutterText, x.shutter);
    EXPECT_EQ(s.FNumberText, x.fNumber);
    EXPECT_EQ(s.Iso, x.iso);
    EXPECT_EQ(s.Flash, x.flash);
    EXPECT_EQ(s.ExposureProgramText, x.program);
    EXPECT_EQ(s.MeteringModeText, x.metering);
    EXPECT_EQ(s.InfoSummaryHtml, x.html);
    EXPECT_EQ(s.ColorSpace, x.flash < 0 ? 0 : 1);
  }
}

TEST(SamplePhotos, ExposureValuesAreExact) {
  const std::vector<uint8_t> file = test::ReadFileBytes(test::SamplePath("short-ascii-MM.jpg"));
  const test::JpegSegments seg = test::ScanJpegSegments(file);
  ASSERT_EQ(seg.app1.size(), 1u);
  const CameraSummary s = ExtractCameraValues({seg.app1[0], "", 480, 360});
  EXPECT_EQ(s.Make, "Canon");
  EXPECT_EQ(s.ExposureTime, 1.0 / 500);
  EXPECT_EQ(s.EffectiveShutter, 1.0 / 500);
  EXPECT_EQ(s.FNumber, 4.9);
  EXPECT_EQ(s.SubjectDistance, 0);
}

}  // namespace
}  // namespace orv
