// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A preview runs on a reduced copy of the working picture and a 1:1 crop of it; the black frame
// must be matched against the full picture and cut at the crop's place.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Engine.h"
#include "support/CorrectionsOff.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

void AllStagesOff(Settings& s) {
  s.ApplyKeyDefaults();
  test::TurnCorrectionsOff(s);
}

TEST(PreviewCrop, BlackFrameIsCutAtTheCropOriginOfTheFullPicture) {
  test::TempDir dir;
  test::RecordingHost host;
  CEngine engine(host, dir.path());
  AllStagesOff(engine.settings());
  engine.settings().HotPixels.BF = 1;  // a photograph without EXIF counts as a 2 s exposure

  const int W = 64, H = 48;
  ASSERT_TRUE(engine.picture().Allocate(W, H));
  std::fill_n(engine.picture().pixels(), engine.picture().byteSize(), uint8_t(200));
  // A frame whose value tells its own position: R = x, G = y.
  Image& frame = engine.blackFrame();
  ASSERT_TRUE(frame.Allocate(W, H));
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      uint8_t* p = frame.row(y) + 3 * x;
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 0;
    }

  Image reduced;  // a preview copy smaller than the picture and the frame
  ASSERT_TRUE(reduced.Allocate(W / 4, H / 4));
  std::fill_n(reduced.pixels(), reduced.byteSize(), uint8_t(200));
  Image crop;
  ASSERT_TRUE(crop.Allocate(10, 8));
  std::fill_n(crop.pixels(), crop.byteSize(), uint8_t(200));

  engine.ProcessImage(reduced, PipelineMode::Preview, &crop, CropOrigin{30, 20});
  for (int y = 0; y < crop.height(); ++y)
    for (int x = 0; x < crop.width(); ++x) {
      const uint8_t* p = crop.row(y) + 3 * x;
      ASSERT_EQ(p[0], 200 - (30 + x)) << x << "," << y;
      ASSERT_EQ(p[1], 200 - (20 + y)) << x << "," << y;
      ASSERT_EQ(p[2], 200);
    }
  // The reduced picture is never given the frame.
  EXPECT_EQ(reduced.pixels()[0], 200);

  // A frame of another size than the working picture is skipped.
  ASSERT_TRUE(frame.Allocate(W + 1, H));
  std::fill_n(frame.pixels(), frame.byteSize(), uint8_t(50));
  std::fill_n(crop.pixels(), crop.byteSize(), uint8_t(200));
  engine.ProcessImage(reduced, PipelineMode::Preview, &crop, CropOrigin{0, 0});
  EXPECT_EQ(crop.pixels()[0], 200);
}

}  // namespace
}  // namespace orv
