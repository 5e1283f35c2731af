// The EXIF record of a camera RAW file: the camera summary equals that of the camera's JPEG of the
// same shot, the curves pick the same values, and a turned RAW stands upright with Orientation 1.
#include <gtest/gtest.h>

#include "engine/PhotoLoad.h"
#include "exif/CameraSummary.h"
#include "exif/ExifReader.h"
#include "settings/Settings.h"
#include "stages/DenoiseStage.h"
#include "stages/HotPixelStage.h"
#include "support/DngFiles.h"
#include "support/TempDir.h"

namespace orv {
namespace {

std::string Orientation(const std::vector<uint8_t>& block) {
  int error = 0;
  ExifHandle exif = ParseExifBlock(block.data(), block.size(), error);
  std::string text;
  if (exif) GetExifTagText(exif.get(), 0x0112, kExifMaskIfd0, text);
  return text;
}

class RawExifTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RawExifTest, SummaryAndCurvesEqualTheJpegTwins) {
  test::TempDir dir;
  const std::string jpeg = std::string(ORV_SOURCE_DIR "/samples/") + GetParam();
  const std::string dng = dir / "shot.dng";
  ASSERT_TRUE(test::MakeDngFromJpeg(jpeg, dng));
  LoadedPhoto fromJpeg, fromRaw;
  ASSERT_EQ(LoadPhoto(jpeg, fromJpeg), 0u);
  ASSERT_EQ(LoadPhoto(dng, fromRaw), 0u);
  const CameraSummary& a = fromJpeg.camera;
  const CameraSummary& b = fromRaw.camera;
  EXPECT_EQ(a.HasExif, b.HasExif);
  EXPECT_EQ(a.Make, b.Make);
  EXPECT_EQ(a.DisplayModel, b.DisplayModel);
  EXPECT_EQ(a.DateTime, b.DateTime);
  EXPECT_DOUBLE_EQ(a.ExposureTime, b.ExposureTime);
  EXPECT_DOUBLE_EQ(a.EffectiveShutter, b.EffectiveShutter);
  EXPECT_EQ(a.ShutterText, b.ShutterText);
  EXPECT_DOUBLE_EQ(a.FNumber, b.FNumber);
  EXPECT_EQ(a.FNumberText, b.FNumberText);
  EXPECT_EQ(a.ExposureProgramText, b.ExposureProgramText);
  EXPECT_EQ(a.MeteringModeText, b.MeteringModeText);
  EXPECT_EQ(a.Flash, b.Flash);
  EXPECT_EQ(a.Iso, b.Iso);
  EXPECT_DOUBLE_EQ(a.SubjectDistance, b.SubjectDistance);
  EXPECT_EQ(a.ColorSpace, b.ColorSpace);
  EXPECT_EQ(a.InfoSummaryHtml, b.InfoSummaryHtml);
  EXPECT_EQ(fromRaw.picture.width(), fromJpeg.picture.width() & ~1);
  EXPECT_EQ(fromRaw.picture.height(), fromJpeg.picture.height() & ~1);

  // The curves read the summary alone: every Advanced curve lands on the same row.
  Settings s;
  s.ApplyKeyDefaults();
  s.Mode.Advanced = 1;
  s.HotPixels.Enabled = 1;
  s.Denoise.Enabled = 1;
  Settings t = s;
  const HotPixelStagePlan hotA = PlanHotPixelStage(s, a), hotB = PlanHotPixelStage(t, b);
  EXPECT_EQ(hotA.run, hotB.run);
  EXPECT_EQ(hotA.log.text, hotB.log.text);
  const DenoiseStagePlan denoiseA = PlanDenoiseStage(s, a), denoiseB = PlanDenoiseStage(t, b);
  EXPECT_EQ(denoiseA.log.text, denoiseB.log.text);
  EXPECT_DOUBLE_EQ(denoiseA.alpha, denoiseB.alpha);
}

INSTANTIATE_TEST_SUITE_P(Samples, RawExifTest, ::testing::Values("test1.jpg", "test3.jpg"));

TEST(RawExif, ATurnedRawStandsUprightWithOrientationOne) {
  test::TempDir dir;
  const std::string jpeg = ORV_SOURCE_DIR "/samples/test2.jpg";
  test::DngOptions turned;
  turned.orientation = 6;  // the camera was held turned clockwise
  ASSERT_TRUE(test::MakeDngFromJpeg(jpeg, dir / "flat.dng"));
  ASSERT_TRUE(test::MakeDngFromJpeg(jpeg, dir / "turned.dng", turned));
  LoadedPhoto flat, upright;
  ASSERT_EQ(LoadPhoto(dir / "flat.dng", flat), 0u);
  ASSERT_EQ(LoadPhoto(dir / "turned.dng", upright), 0u);
  ASSERT_EQ(upright.picture.width(), flat.picture.height());
  ASSERT_EQ(upright.picture.height(), flat.picture.width());
  // Turned clockwise: the flat picture's bottom-left pixel is the upright one's top-left.
  const int w = flat.picture.width(), h = flat.picture.height();
  for (int y = 0; y < h; y += 7)
    for (int x = 0; x < w; x += 5) {
      const uint8_t* f = flat.picture.pixels() + (size_t(y) * size_t(w) + size_t(x)) * 3;
      const uint8_t* u =
          upright.picture.pixels() + (size_t(x) * size_t(h) + size_t(h - 1 - y)) * 3;
      ASSERT_EQ(std::vector<uint8_t>(f, f + 3), std::vector<uint8_t>(u, u + 3)) << x << "," << y;
    }
  // The record carried into outputs says the pixels need no turning.
  EXPECT_EQ(Orientation(upright.camera.ExifBlock), "1");
  // The decoded size is in the record.
  int error = 0;
  ExifHandle exif =
      ParseExifBlock(upright.camera.ExifBlock.data(), upright.camera.ExifBlock.size(), error);
  std::string width;
  ASSERT_TRUE(exif);
  GetExifTagText(exif.get(), 0xA002, kExifMaskSubIfd, width);
  EXPECT_EQ(width, std::to_string(upright.picture.width()));
}

}  // namespace
}  // namespace orv
