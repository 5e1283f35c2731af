// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InfoFormat.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/ExifListing.h"
#include "cli/JsonText.h"
#include "exif/ExifBlockBuilder.h"
#include "exif/ExifReader.h"

namespace orv::cli {
namespace {

CameraSummary SampleSummary() {
  test::ExifBlockBuilder b(false);
  b.ifd0 = {test::Ascii(0x010F, "Canon"), test::Ascii(0x0110, "S40\n\"x\"")};
  b.subIfd = {test::Rational(0x829A, 1, 60), test::Rational(0x829D, 28, 10),
              test::Short(0x9209, 1)};
  const std::vector<uint8_t> block = b.Build();
  return ExtractCameraValues({block, "sRGB Matched", 480, 360});
}

TEST(InfoFormat, TextListsEveryFieldOnItsOwnLine) {
  const CameraSummary s = SampleSummary();
  const std::string text = FormatCameraInfoText(s, {480, 360, 31818});
  EXPECT_EQ(text,
            "HasExif: true\n"
            "Make: Canon\n"
            "DisplayModel: Canon S40\\n\"x\"\n"
            "DateTime: \n"
            "ExposureTime: 0.016666666666666666\n"
            "EffectiveShutter: 0.016666666666666666\n"
            "ShutterText: 1/60\n"
            "FNumber: 2.8\n"
            "FNumberText: 2.8\n"
            "ExposureProgramText: \n"
            "MeteringModeText: \n"
            "Flash: 1\n"
            "Iso: 0\n"
            "IsoText: \n"
            "SubjectDistance: 0\n"
            "ColorSpace: 0\n"
            "JpegComment: sRGB Matched\n"
            "InfoSummaryHtml: <b>Canon S40\\n&quot;x&quot;</b><br>Shutter: 1/60 | F: 2.8 | "
            "Flash Used |  | \n"
            "Width: 480\n"
            "Height: 360\n"
            "FileSize: 31818\n"
            "ExifLength: " +
                std::to_string(s.ExifBlock.size()) +
                "\n"
                "HasIccProfile: false\n"
                "IccDescription: \n"
                "HasXmp: false\n"
                "HasIptc: false\n");
}

TEST(InfoFormat, JsonUsesTheSameNamesWithTypedValues) {
  const std::string json = FormatCameraInfoJson(CameraSummary{}, {1, 2, 3});
  EXPECT_EQ(json.rfind("{\n  \"HasExif\": false,\n  \"Make\": \"\",\n", 0), 0u);
  EXPECT_NE(json.find(",\n  \"Flash\": -1,\n"), std::string::npos);
  EXPECT_NE(json.find(",\n  \"InfoSummaryHtml\": \"<b>No EXIF Data</b>\",\n"), std::string::npos);
  const std::string tail =
      "\"Width\": 1,\n  \"Height\": 2,\n  \"FileSize\": 3,\n  \"ExifLength\": 0,\n"
      "  \"HasIccProfile\": false,\n  \"IccDescription\": \"\",\n  \"HasXmp\": false,\n"
      "  \"HasIptc\": false\n}";
  EXPECT_EQ(json.substr(json.size() - tail.size()), tail);
  const std::string withExif = FormatCameraInfoJson(SampleSummary(), {480, 360, 1});
  EXPECT_NE(withExif.find("\"DisplayModel\": \"Canon S40\\n\\\"x\\\"\",\n"), std::string::npos);
  EXPECT_NE(withExif.find("\"ExposureTime\": 0.016666666666666666,\n"), std::string::npos);
  ImageFacts withMetadata{1, 2, 3};
  withMetadata.hasIccProfile = withMetadata.hasXmp = withMetadata.hasIptc = true;
  withMetadata.iccDescription = "Display \"P3\"";
  const std::string json2 = FormatCameraInfoJson(CameraSummary{}, withMetadata);
  EXPECT_NE(json2.find("\"HasIccProfile\": true,\n  \"IccDescription\": \"Display \\\"P3\\\"\",\n"
                       "  \"HasXmp\": true,\n  \"HasIptc\": true\n}"),
            std::string::npos);
}

TEST(JsonText, EscapesControlsAndRepairsInvalidUtf8) {
  EXPECT_EQ(JsonString("a\"b\\c\n\t\x01\x7f"), "\"a\\\"b\\\\c\\n\\t\\u0001\x7f\"");
  EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xb7"),
            "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xb7\"");
  EXPECT_EQ(JsonString("\xe9t\xe9"), "\"\\ufffdt\\ufffd\"");           // Latin-1
  EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");             // overlong '/'
  EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // surrogate
  EXPECT_EQ(JsonString("\xe2\x82"), "\"\\ufffd\\ufffd\"");             // cut short
  EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(JsonNumber(0.0005), "0.0005");
  EXPECT_EQ(JsonNumber(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(JsonNumber(4294967295.0), "4294967295");
  EXPECT_EQ(JsonNumber(-2.5e-300), "-2.5e-300");
  EXPECT_EQ(JsonNumber(1e300), "1e+300");
}

TEST(ExifListing, ListsEveryEntryInReaderOrder) {
  test::ExifBlockBuilder b(true);
  b.ifd0 = {test::Ascii(0x010F, "Can\ton")};
  b.subIfd = {test::Rational(0x829A, 1, 60), test::Typed(0xA401, 3, 2, {0})};
  b.ifd1 = {test::Short(0x0103, 6)};
  const std::vector<uint8_t> block = b.Build();
  int error = -1;
  ExifHandle h = ParseExifBlock(block.data(), block.size(), error);
  ASSERT_TRUE(h);
  std::ostringstream text, json;
  WriteExifListingText(*h, text);
  WriteExifListingJson(*h, json);
  EXPECT_EQ(text.str(),
            "IFD0\t0x010f\tMake\t2\t7\tCan\\ton\n"
            "IFD0\t0x8769\tEXIFOffset\t4\t1\t" +
                std::to_string(b.subIfdOffset) +
                "\n"
                "SubIFD\t0x829a\tExposureTime\t5\t1\t1/60\n"
                "SubIFD\t0xa401\tunknown tag: 0xa401\t3\t1\t0\n"
                "IFD1\t0x0103\tCompression\t3\t1\t6\n");
  EXPECT_EQ(json.str(),
            "[\n"
            "  {\"ifd\": \"IFD0\", \"tag\": 271, \"name\": \"Make\", \"type\": 2, \"count\": 7, "
            "\"text\": \"Can\\ton\"},\n"
            "  {\"ifd\": \"IFD0\", \"tag\": 34665, \"name\": \"EXIFOffset\", \"type\": 4, "
            "\"count\": 1, \"text\": \"" +
                std::to_string(b.subIfdOffset) +
                "\"},\n"
                "  {\"ifd\": \"SubIFD\", \"tag\": 33434, \"name\": \"ExposureTime\", \"type\": 5, "
                "\"count\": 1, \"text\": \"1/60\"},\n"
                "  {\"ifd\": \"SubIFD\", \"tag\": 41985, \"name\": \"unknown tag: 0xa401\", "
                "\"type\": 3, \"count\": 1, \"text\": \"0\"},\n"
                "  {\"ifd\": \"IFD1\", \"tag\": 259, \"name\": \"Compression\", \"type\": 3, "
                "\"count\": 1, \"text\": \"6\"}\n"
                "]\n");
  std::ostringstream empty;
  WriteExifListingJson(CExifData{}, empty);
  EXPECT_EQ(empty.str(), "[]\n");
}

}  // namespace
}  // namespace orv::cli
