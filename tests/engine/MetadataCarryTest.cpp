// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A photo's colour profile, XMP, IPTC and EXIF record through whole runs, checked by parsing the
// outputs with the program's own readers: JPEG, PNG and TIFF outputs, resizing, damaged
// segments, the size limit, sidecars and file times.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/Engine.h"
#include "exif/ExifBlockBuilder.h"
#include "imageio/Codecs.h"
#include "imageio/ImageIo.h"
#include "imageio/JpegMetadataSegments.h"
#include "imageio/MetadataReaders.h"
#include "support/CorrectionsOff.h"
#include "support/EngineFixture.h"
#include "support/MetadataSamples.h"
#include "support/RunOrv.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::ReadFileBytes;
using test::ReadText;
using test::TempDir;

// An EXIF block whose pixel dimensions are stored as SHORT (width) and LONG (height).
std::vector<uint8_t> CameraExif(bool bigEndian, uint32_t width, uint32_t height) {
  test::ExifBlockBuilder b(bigEndian);
  b.ifd0 = {test::Ascii(0x010F, "Canon"), test::Ascii(0x0110, "EOS Test")};
  b.subIfd = {test::Rational(0x829A, 1, 125), test::Short(0xA002, uint16_t(width)),
              test::Long(0xA003, height), test::Ascii(0x9003, "2024:05:01 06:30:00")};
  return b.Build();
}

JpegMarker Segment(int code, const std::vector<uint8_t>& payload) {
  JpegMarker m;
  m.code = code;
  m.payload = payload;
  return m;
}

PhotoMetadata SourceMetadata() {
  PhotoMetadata m;
  m.icc = test::TestIccProfile(90000, "Adobe RGB (1998) test");  // two APP2 chunks
  m.xmp = test::TestXmp(3000);
  m.iptc = test::TestIptc();
  return m;
}

PhotoMetadata ReadFileMetadata(const std::string& path, PhotoMetadata (*reader)(ImageSource*)) {
  ImageSource* src = OpenSourceFile(path.c_str());
  PhotoMetadata m = src ? reader(src) : PhotoMetadata();
  CloseSource(src);
  return m;
}

struct MetadataRun : test::EngineFixture {
  Image picture = test::GradientImage(64, 48);
  std::vector<uint8_t> exif = CameraExif(false, 64, 48);
  PhotoMetadata meta = SourceMetadata();

  MetadataRun() {
    test::TurnCorrectionsOff(engine.settings());
    engine.settings().Size.KeepEXIF = 1;
  }
  // A JPEG with EXIF, XMP, the profile, IPTC and a Multi-Picture APP2 segment.
  std::string CameraJpeg(const std::string& name, std::vector<JpegMarker> extra = {}) {
    std::vector<JpegMarker> segments = {Segment(0xE1, exif)};
    for (JpegMarker& m : JpegMetadataSegments(meta, false)) segments.push_back(std::move(m));
    segments.push_back(Segment(0xE2, {'M', 'P', 'F', 0, 'I', 'I', 42, 0, 8, 0, 0, 0}));
    for (JpegMarker& m : extra) segments.push_back(std::move(m));
    EXPECT_TRUE(test::WriteJpegWithSegments(dir / ("in/" + name), picture, segments));
    return dir / ("in/" + name);
  }
  std::string RunOne(const std::string& path, const std::string& outName) {
    engine.queue().AddPath(path);
    RunReport r = engine.RunAll();
    EXPECT_EQ(r.saved, 1);
    return dir / ("in/ORV/" + outName);
  }
};

TEST_F(MetadataRun, JpegToJpegCarriesEverythingAndDropsMultiPicture) {
  const std::string out = RunOne(CameraJpeg("a.jpg"), "a_ORV.jpg");
  const std::vector<JpegMarker> segments = test::ScanAppSegments(ReadFileBytes(out));
  ASSERT_GE(segments.size(), 2u);
  EXPECT_EQ(segments[1].code, 0xE1);
  EXPECT_EQ(segments[1].payload, exif);  // the EXIF segment first and unchanged
  const PhotoMetadata back = MetadataFromJpegSegments(segments);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_EQ(back.iptc, meta.iptc);
  for (const JpegMarker& m : segments)
    EXPECT_FALSE(m.code == 0xE2 && m.payload[0] == 'M') << "the MPF segment was carried";
}

TEST_F(MetadataRun, KeepExifOffDropsXmpAndIptcButKeepsTheProfile) {
  engine.settings().Size.KeepEXIF = 0;
  const std::string out = RunOne(CameraJpeg("a.jpg"), "a_ORV.jpg");
  const std::vector<JpegMarker> segments = test::ScanAppSegments(ReadFileBytes(out));
  for (const JpegMarker& m : segments) EXPECT_NE(m.code, 0xE1);
  const PhotoMetadata back = MetadataFromJpegSegments(segments);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_TRUE(back.iptc.empty());
}

TEST_F(MetadataRun, JpegToPngCarriesProfileExifAndXmp) {
  engine.settings().Output.FileType = 2;
  const std::string out = RunOne(CameraJpeg("a.jpg"), "a_ORV.png");
  const PhotoMetadata back = ReadFileMetadata(out, ReadPngMetadata);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_EQ(back.exif, std::vector<uint8_t>(exif.begin() + 6, exif.end()));
}

TEST_F(MetadataRun, PngToJpegAndTiffToTiffCarryTheirMetadata) {
  PhotoMetadata pngMeta = meta;
  pngMeta.iptc.clear();  // PNG holds no IPTC
  pngMeta.exif.assign(exif.begin() + 6, exif.end());
  {
    ImageDest* dest = OpenDestFile((dir / "in/p.png").c_str());
    PngEncodeOptions png;
    png.metadata = &pngMeta;
    ASSERT_TRUE(WritePng(dest, picture.pixels(), 64, 48, png));
    ASSERT_TRUE(CloseDest(dest));
    dest = OpenDestFile((dir / "in/t.tif").c_str());
    ASSERT_TRUE(WriteTiff(dest, picture.pixels(), 64, 48, 24, &meta));
    ASSERT_TRUE(CloseDest(dest));
  }
  engine.settings().Output.FileType = 1;
  const std::string jpeg = RunOne(dir / "in/p.png", "p_ORV.jpg");
  const std::vector<JpegMarker> segments = test::ScanAppSegments(ReadFileBytes(jpeg));
  ASSERT_GE(segments.size(), 2u);
  EXPECT_EQ(segments[1].payload, exif);  // the PNG's eXIf record as the EXIF segment
  PhotoMetadata back = MetadataFromJpegSegments(segments);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_EQ(back.xmp, meta.xmp);

  engine.settings().Output.FileType = 0;  // "Same as Source"
  const std::string tiff = RunOne(dir / "in/t.tif", "t_ORV.tif");
  back = ReadFileMetadata(tiff, ReadTiffMetadata);
  EXPECT_EQ(back.icc, meta.icc);
  EXPECT_EQ(back.xmp, meta.xmp);
  EXPECT_EQ(back.iptc, meta.iptc);
}

TEST_F(MetadataRun, ResizeSetsTheExifPixelSizeAndNothingElse) {
  for (bool bigEndian : {false, true}) {
    exif = CameraExif(bigEndian, 64, 48);
    const std::string name = bigEndian ? "big.jpg" : "little.jpg";
    engine.settings().Size.Type = 1;
    engine.settings().Size.Percent = 50;
    const std::string out = RunOne(CameraJpeg(name), bigEndian ? "big_ORV.jpg" : "little_ORV.jpg");
    const std::vector<JpegMarker> segments = test::ScanAppSegments(ReadFileBytes(out));
    ASSERT_GE(segments.size(), 2u);
    const std::vector<uint8_t>& written = segments[1].payload;
    ASSERT_EQ(written.size(), exif.size());
    std::vector<uint8_t> expected = CameraExif(bigEndian, 32, 24);
    EXPECT_EQ(written, expected);  // the same record but for the two values
    size_t differing = 0;
    for (size_t i = 0; i < exif.size(); ++i) differing += written[i] != exif[i];
    EXPECT_EQ(differing, 2u);  // one byte of 64 -> 32, one of 48 -> 24
  }
}

TEST_F(MetadataRun, DamagedProfileAndXmpAreDroppedAndThePhotoStillSaved) {
  std::vector<JpegMarker> segments = {Segment(0xE1, exif)};
  for (JpegMarker& m : JpegMetadataSegments(meta, false)) segments.push_back(std::move(m));
  segments[0 + 1].payload.resize(segments[1].payload.size() / 2);  // the XMP packet cut short
  segments[2].payload[12] = 2;                                      // two chunks numbered 2
  ASSERT_TRUE(test::WriteJpegWithSegments(dir / "in/d.jpg", picture, segments));
  const std::string out = RunOne(dir / "in/d.jpg", "d_ORV.jpg");
  const std::vector<JpegMarker> written = test::ScanAppSegments(ReadFileBytes(out));
  const PhotoMetadata back = MetadataFromJpegSegments(written);
  EXPECT_TRUE(back.icc.empty());
  EXPECT_TRUE(back.xmp.empty());
  EXPECT_EQ(back.iptc, meta.iptc);
  EXPECT_EQ(written[1].payload, exif);
}

TEST_F(MetadataRun, SizeLimitHoldsWithALargeXmpPacket) {
  picture = test::GradientImage(320, 240);
  meta.xmp = test::TestXmp(50000);
  meta.icc = test::TestIccProfile(4000, "Small");
  engine.settings().Quality.Type = 1;
  engine.settings().Quality.MaxKB = 70;
  engine.settings().Quality.MinQ = 5;
  host.answers = {true};  // yes to the size-limit question
  const std::string out = RunOne(CameraJpeg("big.jpg"), "big_ORV.jpg");
  const auto size = std::filesystem::file_size(out);
  EXPECT_LE(size, 70000u);
  EXPECT_GT(size, 50000u);  // the packet is in it
  EXPECT_EQ(MetadataFromJpegSegments(test::ScanAppSegments(ReadFileBytes(out))).xmp, meta.xmp);
}

TEST_F(MetadataRun, OutputsOfPhotosWithoutMetadataAreAsBefore) {
  meta = PhotoMetadata();
  const std::string out = RunOne(CameraJpeg("plain.jpg"), "plain_ORV.jpg");
  const std::vector<JpegMarker> segments = test::ScanAppSegments(ReadFileBytes(out));
  ASSERT_EQ(segments.size(), 2u);  // JFIF and EXIF only
  EXPECT_EQ(segments[1].payload, exif);
}

struct CompanionRun : ::testing::Test {
  test::AppFolder app;
  TempDir photos;
  static timespec ModificationTime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
  }
  static void SetModificationTime(const std::string& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  }
};

TEST_F(CompanionRun, SidecarsAreCopiedUnderTheOutputNameAndKeepTimeKeepsDates) {
  test::WritePicture(photos / "a.jpg", 32, 24, kFormatJpeg);
  test::WritePicture(photos / "b.png", 32, 24, kFormatPng);
  test::WriteText(photos / "a.xmp", "<x:xmpmeta>a</x:xmpmeta>");
  test::WriteText(photos / "b.png.xmp", "<x:xmpmeta>b</x:xmpmeta>");
  SetModificationTime(photos / "a.jpg", 1000000000, 123456789);
  SetModificationTime(photos / "a.xmp", 1000000500, 0);
  test::OrvResult r =
      test::RunOrv(test::RunArgs(app.path(), {"--keep-time", photos / "a.jpg", photos / "b.png"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(photos / "ORV/a_ORV.xmp"), "<x:xmpmeta>a</x:xmpmeta>");
  EXPECT_EQ(ReadText(photos / "ORV/b_ORV.png.xmp"), "<x:xmpmeta>b</x:xmpmeta>");
  const timespec out = ModificationTime(photos / "ORV/a_ORV.jpg");
  EXPECT_EQ(out.tv_sec, 1000000000);
  EXPECT_EQ(out.tv_nsec, 123456789);
  EXPECT_EQ(ModificationTime(photos / "ORV/a_ORV.xmp").tv_sec, 1000000500);
  // No temporary file is left beside the outputs.
  for (const auto& e : std::filesystem::directory_iterator(photos / "ORV"))
    EXPECT_EQ(e.path().string().find("orvtmp"), std::string::npos) << e.path();

  // Without the option the output is dated now; an existing sidecar is not replaced.
  test::WriteText(photos / "ORV/a_ORV.xmp", "edited");
  std::filesystem::remove(photos / "ORV/a_ORV.jpg");
  r = test::RunOrv(test::RunArgs(app.path(), {"--set", "Output.Replace=0", photos / "a.jpg"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("a_ORV.xmp"), std::string::npos) << r.err;
  EXPECT_GT(ModificationTime(photos / "ORV/a_ORV.jpg").tv_sec, 1000000000);
  EXPECT_EQ(ReadText(photos / "ORV/a_ORV.xmp"), "edited");
}

TEST_F(CompanionRun, InfoShowsProfileXmpAndIptc) {
  PhotoMetadata meta = SourceMetadata();
  std::vector<JpegMarker> segments = JpegMetadataSegments(meta, false);
  ASSERT_TRUE(test::WriteJpegWithSegments(photos / "m.jpg", test::GradientImage(16, 16),
                                          segments));
  test::OrvResult text = test::RunOrv({"info", photos / "m.jpg"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("\nExifLength: 0\nHasIccProfile: true\n"
                          "IccDescription: Adobe RGB (1998) test\nHasXmp: true\nHasIptc: true\n"),
            std::string::npos)
      << text.out;
  test::OrvResult json = test::RunOrv({"info", "--json", photos / "m.jpg"});
  EXPECT_NE(json.out.find("\"HasIccProfile\": true,\n  \"IccDescription\": \"Adobe RGB (1998) "
                          "test\",\n  \"HasXmp\": true,\n  \"HasIptc\": true\n}"),
            std::string::npos)
      << json.out;
}

}  // namespace
}  // namespace orv
