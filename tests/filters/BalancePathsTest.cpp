// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Auto balance in one pass (FindBalanceLevels, BalanceInPlace) against the two-pass reference
// the stage used before: AutoLevels on a copy, then Blend of the copy into the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "filters/FilterTestSupport.h"
#include "filters/ImageFilters.h"
#include "filters/KernelPathSupport.h"

namespace orv {
namespace {

using test::Pixels;

Pixels Reference(Pixels picture, int w, int h, double alpha, int& low, int& high) {
  CImageFilters f;
  Pixels copy = picture;
  EXPECT_TRUE(f.AutoLevels(copy.data(), w, h, 5, 250));
  EXPECT_TRUE(f.Blend(picture.data(), w, h, copy.data(), w, h, alpha));
  low = f.LevelLow, high = f.LevelHigh;
  return picture;
}

Pixels OnePass(Pixels picture, int w, int h, double alpha, int& low, int& high) {
  CImageFilters f;
  EXPECT_TRUE(f.FindBalanceLevels(picture.data(), w, h, 5, 250));
  EXPECT_TRUE(f.BalanceInPlace(picture.data(), w, h, alpha));
  low = f.LevelLow, high = f.LevelHigh;
  return picture;
}

TEST(BalancePaths, OnePassGivesTheBytesAndLevelsOfCopyAndBlend) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Size {
    int w, h;
  };
  unsigned seed = 1;
  for (Size s : {Size{1, 1}, Size{1, 7}, Size{5, 1}, Size{37, 23}, Size{64, 48}, Size{257, 3}}) {
    for (int spread : {256, 60, 4}) {
      Pixels picture = test::Random(s.w, s.h, seed++, spread);
      for (double alpha : {0.0, 1.0 / 255, 0.3, 0.843137, 0.99, 1.0, -2.0, 7.0, nan}) {
        SCOPED_TRACE(testing::Message()
                     << s.w << "x" << s.h << " spread " << spread << " alpha " << alpha);
        int refLow = 0, refHigh = 0, low = 0, high = 0;
        Pixels expected = Reference(picture, s.w, s.h, alpha, refLow, refHigh);
        EXPECT_EQ(OnePass(picture, s.w, s.h, alpha, low, high), expected);
        EXPECT_EQ(low, refLow);
        EXPECT_EQ(high, refHigh);
      }
    }
  }
  // A flat picture has no range to stretch: the copy is mixed unmoved.
  Pixels flat = test::Grey(9, 9, 77);
  int a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(OnePass(flat, 9, 9, 0.4, a, b), Reference(flat, 9, 9, 0.4, c, d));
}

// Every pixel whose exact luma (299 R + 587 G + 114 B) / 1000 is a whole number, where the double
// sum may land just below it (for 3464 of them it does), each followed by a random pixel so
// that the vector blocks mix both kinds; then all the greys, and random pixels.
Pixels LumaTrapPicture(int& width, int& height) {
  Pixels p;
  Pixels noise = test::Random(16384, 4, 5);
  size_t n = 0;
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        if ((299 * r + 587 * g + 114 * b) % 1000 != 0) continue;
        p.insert(p.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
        p.insert(p.end(), noise.begin() + 3 * (n % 16384), noise.begin() + 3 * (n % 16384) + 3);
        ++n;
      }
  for (int v = 0; v < 256; ++v) p.insert(p.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  while (p.size() % (3 * 101) != 0) p.push_back(uint8_t(p.size() * 37));
  width = 101;
  height = int(p.size() / (3 * 101));
  return p;
}

TEST(BalancePaths, LumaIsTheTruncatedDoubleSumOnEveryPath) {
  int w = 0, h = 0;
  const Pixels picture = LumaTrapPicture(w, h);
  Pixels expected(size_t(w) * size_t(h));
  for (size_t i = 0; i < expected.size(); ++i) {
    const uint8_t* q = &picture[3 * i];
    expected[i] = uint8_t(int((0.299 * q[0] + 0.587 * q[1]) + 0.114 * q[2]));
  }
  for (KernelTarget path : test::SupportedKernelPaths()) {
    ScopedKernelTarget force(path);
    CImageFilters f;
    Pixels plane(expected.size());
    ASSERT_TRUE(f.LumaPlane(picture.data(), w, h, plane.data()));
    EXPECT_TRUE(plane == expected) << "on the " << KernelTargetName(path) << " path";
  }
  for (double alpha : {0.4, 1.0}) {
    test::ExpectSameOnEveryPath("balance", [&] {
      int low = 0, high = 0;
      Pixels out = OnePass(picture, w, h, alpha, low, high);
      out.push_back(uint8_t(low));
      out.push_back(uint8_t(high));
      return out;
    });
  }
}

// All 2^24 colours, started at three offsets so that the vector blocks meet each colour at
// several lanes: the 16-bit arithmetic of the vector paths must give the truncated double sum.
TEST(BalancePaths, LumaOfEveryColourOnEveryPath) {
  const size_t count = size_t(1) << 24;
  Pixels picture(3 * count);
  for (size_t i = 0; i < count; ++i) {
    picture[3 * i] = uint8_t(i >> 16);
    picture[3 * i + 1] = uint8_t(i >> 8);
    picture[3 * i + 2] = uint8_t(i);
  }
  Pixels expected(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* q = &picture[3 * i];
    expected[i] = uint8_t(int((0.299 * q[0] + 0.587 * q[1]) + 0.114 * q[2]));
  }
  Pixels plane(count);
  for (KernelTarget path : test::SupportedKernelPaths()) {
    ScopedKernelTarget force(path);
    CImageFilters f;
    for (size_t shift : {0, 1, 7}) {
      const int width = int(count - shift);
      ASSERT_TRUE(f.LumaPlane(picture.data() + 3 * shift, width, 1, plane.data()));
      EXPECT_TRUE(std::equal(plane.begin(), plane.begin() + width, expected.begin() + shift))
          << "on the " << KernelTargetName(path) << " path, shift " << shift;
    }
  }
}

// The move and mix at every strength the stage can ask for (b / 255 for b in 0..255), some others
// and a few level settings (stretched from the picture, stretched hard, none), on pictures with
// whole lumas, greys, black and white: each path gives the reference's bytes. Where the mix in
// whole numbers equals the double mix (the default strength 215 among them) the vector targets of
// 32 bytes or more compute it; the others, and the strengths where it does not, take the table.
TEST(BalancePaths, MoveAndMixOfEveryStrengthOnEveryPath) {
  int w = 0, h = 0;
  Pixels picture = LumaTrapPicture(w, h);
  // Black and white runs, for the bytes that the move clamps.
  for (size_t i = 0; i < 3 * 600; ++i) picture[i] = 0;
  for (size_t i = 3 * 600; i < 3 * 1200; ++i) picture[i] = 255;
  std::vector<double> strengths;
  for (int b = 0; b < 256; ++b) strengths.push_back(b / 255.0);
  for (double alpha : {0.3, 0.843137, 1e-9}) strengths.push_back(alpha);
  struct Levels {
    int low, high;  // the clip levels asked of FindBalanceLevels; -1: none found (no stretch)
  };
  for (Levels levels : {Levels{5, 250}, Levels{60, 140}, Levels{-1, -1}}) {
    for (double alpha : strengths) {
      // An odd start, so that the vector blocks meet the pixels at other lanes.
      const size_t skip = size_t(alpha * 255) % 5;
      const int width = w * h - int(skip);
      test::ExpectSameOnEveryPath(
          "balance at " + std::to_string(alpha) + ", levels " + std::to_string(levels.low), [&] {
            Pixels out(picture.begin() + ptrdiff_t(3 * skip), picture.end());
            CImageFilters f;
            if (levels.low >= 0) {
              EXPECT_TRUE(f.FindBalanceLevels(out.data(), width, 1, levels.low, levels.high));
            }
            EXPECT_TRUE(f.BalanceInPlace(out.data(), width, 1, alpha));
            return out;
          });
    }
  }
}

TEST(BalancePaths, BadArgumentsFailAndLeaveThePicture) {
  CImageFilters f;
  EXPECT_FALSE(f.FindBalanceLevels(nullptr, 4, 4, 5, 250));
  EXPECT_FALSE(f.BalanceInPlace(nullptr, 4, 4, 0.5));
  Pixels p = test::Random(4, 4, 9);
  EXPECT_FALSE(f.BalanceInPlace(p.data(), -1, 4, 0.5));
  EXPECT_EQ(p, test::Random(4, 4, 9));
}

}  // namespace
}  // namespace orv
