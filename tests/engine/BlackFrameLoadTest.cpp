// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlackFrameLoad.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "imageio/LibraryError.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

using test::TempDir;

TEST(BlackFrameLoad, TakesADecodedPictureAndKeepsTheFrameOnFailure) {
  TempDir dir;
  ASSERT_TRUE(test::WritePicture(dir / "frame.png", 40, 30, kFormatPng));
  ASSERT_TRUE(test::WritePicture(dir / "other.bmp", 12, 10, kFormatBmp));
  test::WriteText(dir / "broken.jpg", "\xff\xd8\xff not a picture");

  Image frame;
  ASSERT_EQ(LoadBlackFrame(dir / "frame.png", frame), kErrNone);
  EXPECT_EQ(frame.width(), 40);
  EXPECT_EQ(frame.height(), 30);
  const Image expected = test::GradientImage(40, 30);
  EXPECT_TRUE(std::equal(frame.pixels(), frame.pixels() + frame.byteSize(), expected.pixels()));

  // Neither a missing nor a broken file takes the loaded frame away.
  EXPECT_EQ(LoadBlackFrame(dir / "missing.png", frame), kErrFileOpen);
  EXPECT_NE(LoadBlackFrame(dir / "broken.jpg", frame), kErrNone);
  EXPECT_EQ(frame.width(), 40);

  // A new frame replaces the old one.
  ASSERT_EQ(LoadBlackFrame(dir / "other.bmp", frame), kErrNone);
  EXPECT_EQ(frame.width(), 12);
}

}  // namespace
}  // namespace orv
