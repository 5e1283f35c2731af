// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CheckedMath.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(CheckedMath, PictureBytesRefusesWhatCannotBeAllocated) {
  size_t bytes = 0;
  EXPECT_TRUE(PictureBytes(6000, 4000, 3, bytes));
  EXPECT_EQ(bytes, 72'000'000u);
  EXPECT_FALSE(PictureBytes(0, 10, 3, bytes));
  EXPECT_FALSE(PictureBytes(10, -1, 3, bytes));
  EXPECT_FALSE(PictureBytes(20000, 15001, 3, bytes));  // just over 300 megapixels
  EXPECT_FALSE(PictureBytes(INT64_MAX, INT64_MAX, 3, bytes));
}

TEST(CheckedMath, RangeInsideCatchesWrapAround) {
  EXPECT_TRUE(RangeInside(0, 10, 10));
  EXPECT_TRUE(RangeInside(10, 0, 10));
  EXPECT_FALSE(RangeInside(11, 0, 10));
  EXPECT_FALSE(RangeInside(8, 3, 10));
  EXPECT_FALSE(RangeInside(UINT64_MAX, 2, 10));
  uint32_t out = 0;
  EXPECT_FALSE(CheckedAdd<uint32_t>(0xFFFFFFF0u, 0x20u, out));
  EXPECT_FALSE(CheckedMul<uint32_t>(0x10000u, 0x10000u, out));
}

}  // namespace
}  // namespace orv
