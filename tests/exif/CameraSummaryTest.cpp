// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/CameraSummary.h"

#include <gtest/gtest.h>

#include "exif/CameraPanel.h"
#include "exif/CameraTables.h"
#include "exif/ExifBlockBuilder.h"
#include "exif/ExifTextNumbers.h"

namespace orv {
namespace {

using test::Ascii;
using test::ExifBlockBuilder;
using test::Rational;
using test::Short;
using test::SRational;
using test::TestEntry;

// The summary of a block holding `ifd0` and `sub` entries, for a picture of the given size.
CameraSummary Summary(std::vector<TestEntry> ifd0, std::vector<TestEntry> sub, int width = 640,
                      int height = 480, bool bigEndian = false) {
  ExifBlockBuilder b(bigEndian);
  b.ifd0 = std::move(ifd0);
  b.subIfd = std::move(sub);
  const std::vector<uint8_t> block = b.Build();
  return ExtractCameraValues({block, "", width, height});
}

CameraSummary Exposure(std::vector<TestEntry> sub) {
  return Summary({}, std::move(sub));
}

TEST(CameraSummary, ShutterFromExposureTime) {
  struct Case {
    uint32_t n, d;
    double seconds;
    const char* text;
  };
  for (const Case& c :
       {Case{1, 60, 1.0 / 60, "1/60"}, Case{2, 1, 2, "2 \""}, Case{1, 1, 1, "1/1"},
        Case{10, 930, 10.0 / 930, "1/93"}, Case{13, 10, 1.3, "1 \""},
        Case{1, 4608, 1.0 / 4608, "1/4608"}, Case{4294967295u, 1, 4294967295.0, "4294967295 \""}}) {
    SCOPED_TRACE(c.text);
    const CameraSummary s = Exposure({Rational(0x829A, c.n, c.d)});
    EXPECT_DOUBLE_EQ(s.ExposureTime, c.seconds);
    EXPECT_DOUBLE_EQ(s.EffectiveShutter, c.seconds);
    EXPECT_EQ(s.ShutterText, c.text);
    EXPECT_EQ(MakeCameraPanel(s, 1, 1).shutter.text, std::string("Shutter: ") + c.text);
  }
}

TEST(CameraSummary, ApexShutterStandsInForAMissingExposureTime) {
  struct Case {
    int32_t n, d;
    double seconds;
  };
  for (const Case& c : {Case{6, 1, 1.0 / 60}, Case{65, 10, 1.0 / 60}, Case{-3, 1, 8},
                        Case{-5, 1, 30}, Case{-4, 1, 15}, Case{0, 1, 1}, Case{11, 1, 1.0 / 2000},
                        Case{1099, 100, 1.0 / 1000}, Case{4, 1, 1.0 / 15}, Case{7, 1, 0.008}}) {
    SCOPED_TRACE(testing::Message() << c.n << "/" << c.d);
    const CameraSummary s = Exposure({SRational(0x9201, c.n, c.d)});
    EXPECT_EQ(s.ExposureTime, 0);
    EXPECT_EQ(s.EffectiveShutter, c.seconds);
  }
  // A zero ExposureTime also defers to the APEX value; a valid one wins over it.
  EXPECT_EQ(Exposure({Rational(0x829A, 0, 1), SRational(0x9201, 6, 1)}).EffectiveShutter, 1.0 / 60);
  EXPECT_EQ(Exposure({Rational(0x829A, 1, 250), SRational(0x9201, 6, 1)}).ShutterText, "1/250");
  EXPECT_EQ(Exposure({SRational(0x9201, -3, 1)}).ShutterText, "8 \"");
  // A zero denominator counts as APEX 1: half a second.
  const CameraSummary zero = Exposure({SRational(0x9201, 5, 0)});
  EXPECT_EQ(zero.EffectiveShutter, 0.5);
  EXPECT_EQ(zero.ShutterText, "1/2");
  EXPECT_EQ(MakeCameraPanel(zero, 1, 1).shutter.text, "Shutter: 1/2");
}

TEST(CameraSummary, RationalTagsNeedASlashAndAPositiveDenominator) {
  const CameraSummary s =
      Exposure({Rational(0x829A, 1, 0), Rational(0x829D, 0, 0), Rational(0x9206, 0, 1)});
  EXPECT_EQ(s.ExposureTime, 0);
  EXPECT_EQ(s.FNumber, 0);
  EXPECT_EQ(s.FNumberText, "");
  EXPECT_EQ(s.SubjectDistance, 0);
  EXPECT_EQ(MakeCameraPanel(s, 1, 1).focus.text, "");

  // The text rule holds whatever the stored type: "1/250" in ASCII reads, a SHORT 60 does not.
  EXPECT_DOUBLE_EQ(Exposure({Ascii(0x829A, "1/250")}).ExposureTime, 0.004);
  EXPECT_EQ(Exposure({Short(0x829A, 60)}).ExposureTime, 0);
  EXPECT_EQ(Exposure({SRational(0x829D, -28, 10)}).FNumberText, "");

  int64_t n = 0, d = 0;
  EXPECT_FALSE(ReadRationalParts("/5", n, d));
  EXPECT_TRUE(ReadRationalParts("-3/1", n, d));
  EXPECT_EQ(n, -3);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(ReadLeadingInteger("  +12abc"), 12);
  EXPECT_EQ(ReadLeadingInteger("99999999999999999999"), INT64_MAX);
  EXPECT_EQ(ReadLeadingInteger("-99999999999999999999"), INT64_MIN);
  EXPECT_EQ(ReadLeadingInteger("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ReadLeadingInt("4294967295"), INT32_MAX);
  EXPECT_EQ(ReadLeadingInteger("x1"), 0);
}

TEST(CameraSummary, NumbersAndTheirTexts) {
  const CameraSummary s = Exposure({
      Rational(0x829D, 28, 10),
      Short(0x8822, 3),
      test::Shorts(0x8827, {100, 100}),
      Rational(0x9206, 37, 10),
      Short(0x9207, 255),
      Short(0x9209, 25),
      Short(0xA001, 65535),
  });
  EXPECT_DOUBLE_EQ(s.FNumber, 2.8);
  EXPECT_EQ(s.FNumberText, "2.8");
  EXPECT_EQ(s.ExposureProgramText, "aperture priority");
  EXPECT_EQ(s.MeteringModeText, "other");
  EXPECT_EQ(s.Iso, 100);
  EXPECT_EQ(s.IsoText, "100 ");
  EXPECT_DOUBLE_EQ(s.SubjectDistance, 3.7);
  EXPECT_EQ(s.Flash, 1);
  EXPECT_EQ(s.ColorSpace, 65535);
  const CameraPanel panel = MakeCameraPanel(s, 640, 480);
  EXPECT_EQ(panel.size.text, "640 x 480");
  EXPECT_EQ(panel.fNumber.text, "F: 2.8");
  EXPECT_EQ(panel.iso.text, "ISO: 100 ");
  EXPECT_EQ(panel.focus.text, "Focus: 3.7 m");
  EXPECT_EQ(panel.flash.text, "Flash Used");
  EXPECT_EQ(s.InfoSummaryHtml, "<b></b><br> | F: 2.8 | Flash Used | ISO: 100  | Focus: 3.7 m");

  for (auto [value, fired] : {std::pair{0, 0}, {1, 1}, {24, 0}, {25, 1}, {16, 0}}) {
    EXPECT_EQ(Exposure({Short(0x9209, uint16_t(value))}).Flash, fired) << value;
  }
  const CameraSummary none = Exposure({Rational(0x829A, 1, 60)});
  EXPECT_EQ(none.Flash, -1);
  EXPECT_EQ(none.Iso, 0);
  EXPECT_EQ(none.IsoText, "");
  EXPECT_EQ(none.ExposureProgramText, "");
  EXPECT_EQ(none.MeteringModeText, "");
  EXPECT_EQ(MakeCameraPanel(none, 1, 1).flash.text, "");
  EXPECT_EQ(none.InfoSummaryHtml, "<b></b><br>Shutter: 1/60 |  |  |  | ");

  EXPECT_STREQ(ExposureProgramName(0), "other");
  EXPECT_STREQ(ExposureProgramName(6), "program action(high-speed program)");
  EXPECT_STREQ(ExposureProgramName(9), "other");
  EXPECT_STREQ(MeteringModeName(5), "multi-segment");
  EXPECT_STREQ(MeteringModeName(0), "other");
}

TEST(CameraSummary, MakerRulesAndDisplayModel) {
  struct Case {
    const char* make;
    const char* model;
    const char* wantMake;
    const char* wantDisplay;
  };
  for (const Case& c : {
           Case{"Canon", "Canon PowerShot G2", "Canon", "Canon PowerShot G2"},
           Case{"Canon", "PowerShot G2", "Canon", "Canon PowerShot G2"},
           Case{"NIKON CORPORATION", "E995", "", "E995"},
           Case{"NIKON", "E995", "NIKON", "NIKON E995"},
           Case{"EASTMAN KODAK COMPANY", "KODAK DC290", "", "KODAK DC290"},
           Case{"OLYMPUS OPTICAL CO.,LTD", "C3030Z", "OLYMPUS", "OLYMPUS C3030Z"},
           Case{"Minolta Co., Ltd.", "DiMAGE 7", "Minolta", "Minolta DiMAGE 7"},
           Case{"canon", "Canon EOS", "canon", "canon Canon EOS"},
       }) {
    SCOPED_TRACE(c.make);
    const CameraSummary s = Summary({Ascii(0x010F, c.make), Ascii(0x0110, c.model)}, {});
    EXPECT_EQ(s.Make, c.wantMake);
    EXPECT_EQ(s.DisplayModel, c.wantDisplay);
  }
  const auto colorSpace = [](const char* make) {
    return Summary({Ascii(0x010F, make)}, {Short(0xA001, 1)}).ColorSpace;
  };
  EXPECT_EQ(colorSpace("Minolta Co., Ltd."), 0);
  EXPECT_EQ(colorSpace("Minolta"), 0);
  EXPECT_EQ(colorSpace("MINOLTA"), 1);
  EXPECT_EQ(colorSpace("Canon"), 1);
  // Model without Make, and neither.
  EXPECT_EQ(Summary({Ascii(0x0110, "E995")}, {}).DisplayModel, "E995");
  EXPECT_EQ(Summary({}, {}).DisplayModel, "");
}

TEST(CameraSummary, SonyModelsAreToldApartByPictureSize) {
  const auto model = [](const char* name, int w, int h) {
    return Summary({Ascii(0x010F, "SONY"), Ascii(0x0110, name)}, {}, w, h).DisplayModel;
  };
  EXPECT_EQ(model("CYBERSHOT", 2560, 1920), "Sony DSC-F707");
  EXPECT_EQ(model("CyberShot", 1920, 2560), "Sony DSC-F707");
  EXPECT_EQ(model("cybershot", 1856, 1392), "Sony DSC-F505v/F55v");
  EXPECT_EQ(model("CYBERSHOT", 2240, 1680), "Sony DSC-F505v/F55v");
  EXPECT_EQ(model("CYBERSHOT", 2272, 1704), "Sony DSC-S85/P9");
  EXPECT_EQ(model("CYBERSHOT", 1920, 1440), "Sony DSC-P3");
  EXPECT_EQ(model("CYBERSHOT", 1600, 1200), "SONY CYBERSHOT");
  EXPECT_EQ(model("DSC-F828", 2560, 1920), "SONY DSC-F828");
}

TEST(CameraSummary, WithoutExifEveryValueIsAbsent) {
  // A summary from a JPEG with EXIF, then one from a file without: nothing of the first stays.
  CameraSummary s = Summary({Ascii(0x010F, "Canon"), Ascii(0x0110, "S40")},
                            {Rational(0x829A, 1, 60), Short(0x9209, 1), Short(0xA001, 1)});
  ASSERT_TRUE(s.HasExif);
  ASSERT_FALSE(s.ExifBlock.empty());
  s = ExtractCameraValues({{}, "sRGB Matched", 800, 600});
  EXPECT_FALSE(s.HasExif);
  EXPECT_TRUE(s.ExifBlock.empty());
  EXPECT_EQ(s.JpegComment, "sRGB Matched");
  EXPECT_EQ(s.DisplayModel, "");
  EXPECT_EQ(s.EffectiveShutter, 0);
  EXPECT_EQ(s.Flash, -1);
  EXPECT_EQ(s.ColorSpace, 0);
  EXPECT_EQ(s.InfoSummaryHtml, "<b>No EXIF Data</b>");

  const CameraPanel panel = MakeCameraPanel(s, 800, 600);
  EXPECT_EQ(panel.size.text, "800 x 600");
  EXPECT_EQ(panel.shutter.text, "No EXIF info");
  EXPECT_TRUE(panel.shutter.visible);
  for (const CameraPanelField* f :
       {&panel.model, &panel.fNumber, &panel.flash, &panel.iso, &panel.focus}) {
    EXPECT_FALSE(f->visible);
  }

  // Another kind of APP1 segment (XMP) is not an EXIF record either.
  const std::string xmp = "http://ns.adobe.com/xap/1.0/";
  const std::vector<uint8_t> block(xmp.begin(), xmp.end());
  EXPECT_FALSE(ExtractCameraValues({block, "", 1, 1}).HasExif);
}

TEST(CameraSummary, DamagedExifKeepsWhatCouldBeRead) {
  const std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF};
  const CameraSummary s = ExtractCameraValues({block, "", 10, 10});
  EXPECT_TRUE(s.HasExif);
  EXPECT_EQ(s.ExifBlock, block);
  EXPECT_EQ(s.Flash, -1);
  EXPECT_EQ(s.InfoSummaryHtml, "<b></b><br> |  |  |  | ");
  EXPECT_TRUE(MakeCameraPanel(s, 10, 10).model.visible);
}

TEST(CameraSummary, SummaryHtmlEscapesTheCameraName) {
  const CameraSummary s = Summary({Ascii(0x010F, "A&B"), Ascii(0x0110, "<script>")},
                                  {Rational(0x829A, 2, 1)}, 640, 480, true);
  EXPECT_EQ(s.DisplayModel, "A&B <script>");
  EXPECT_EQ(s.InfoSummaryHtml, "<b>A&amp;B &lt;script&gt;</b><br>Shutter: 2 \" |  |  |  | ");
}

}  // namespace
}  // namespace orv
