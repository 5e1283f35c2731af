// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "imageio/GeometryResult.h"
#include "filters/Resample.h"
#include "filters/ResizeImage.h"
#include "filters/Rotate.h"
#include "filters/TwoPassScaler.h"

namespace orv {
namespace {

using Pixels = std::vector<uint8_t>;

Pixels Random(int w, int h, int channels, unsigned seed) {
  Pixels p(size_t(w) * size_t(h) * size_t(channels));
  std::mt19937 rng(seed);
  for (auto& v : p) v = uint8_t(rng());
  return p;
}

Pixels Grey(std::initializer_list<int> values) {
  Pixels p;
  for (int v : values) p.insert(p.end(), 3, uint8_t(v));
  return p;
}

TEST(TwoPassScaler, ContributionsOfAHalvingAreTriangleWeights) {
  ScalerContributions c;
  ASSERT_TRUE(BuildScalerContributions(4, 2, c));
  // Destination 0 at centre 0: source 0 and 1 with weights 0.5 and 0.25 before normalising.
  EXPECT_EQ(c.first[0], 0);
  EXPECT_EQ(c.count[0], 3);
  EXPECT_FLOAT_EQ(c.weights[size_t(c.offset[0])], float(2.0 / 3));
  EXPECT_FLOAT_EQ(c.weights[size_t(c.offset[0]) + 1], float(1.0 / 3));
  EXPECT_EQ(c.weights[size_t(c.offset[0]) + 2], 0.f);
  // Destination 1 at centre 2: 0.25, 0.5, 0.25 over sources 1..3.
  EXPECT_EQ(c.count[1], 4);
  EXPECT_FLOAT_EQ(c.weights[size_t(c.offset[1]) + 2], 0.5f);
}

TEST(TwoPassScaler, HalvesFourPixelsWithTriangleWeights) {
  Pixels src = Grey({30, 60, 90, 120}), dst(6);
  CTwoPassScaler scaler;
  ASSERT_TRUE(scaler.Scale(src.data(), 4, 1, dst.data(), 2, 1));
  // 30 x 2/3 + 60 x 1/3 = 40; 60/4 + 90/2 + 120/4 = 90.
  EXPECT_EQ(dst, Grey({40, 90}));
}

TEST(TwoPassScaler, UpscaledTwoPixelLineIsAMonotoneRamp) {
  Pixels src = Grey({0, 255}), dst(12);
  CTwoPassScaler scaler;
  ASSERT_TRUE(scaler.Scale(src.data(), 2, 1, dst.data(), 4, 1));
  EXPECT_EQ(dst, Grey({0, 128, 255, 255}));  // 127.5 rounds half up
}

TEST(TwoPassScaler, OwnSizeReproducesTheSource) {
  Pixels src = Random(37, 23, 3, 1), dst(src.size());
  CTwoPassScaler scaler;
  ASSERT_TRUE(scaler.Scale(src.data(), 37, 23, dst.data(), 37, 23));
  EXPECT_EQ(dst, src);
}

TEST(TwoPassScaler, CancelFromTheCallbackStopsTheScale) {
  Pixels src = Random(20, 20, 3, 2), dst(10 * 10 * 3);
  CTwoPassScaler scaler;
  int calls = 0;
  scaler.SetProgress(
      [](void* user, int percent) {
        ++*static_cast<int*>(user);
        return percent < 50;
      },
      &calls);
  EXPECT_FALSE(scaler.Scale(src.data(), 20, 20, dst.data(), 10, 10));
  EXPECT_TRUE(scaler.Cancelled());
  EXPECT_EQ(calls, 21);  // 20 rows of the first pass, then the first row of the second
}

TEST(TwoPassScaler, RefusesBadArguments) {
  Pixels buf(12);
  CTwoPassScaler scaler;
  EXPECT_FALSE(scaler.Scale(nullptr, 2, 2, buf.data(), 2, 2));
  EXPECT_FALSE(scaler.Scale(buf.data(), 2, 2, nullptr, 2, 2));
  EXPECT_FALSE(scaler.Scale(buf.data(), 0, 2, buf.data(), 2, 2));
  EXPECT_FALSE(scaler.Scale(buf.data(), 2, 2, buf.data(), 2, -1));
}

TEST(Resample, LanczosKernelValues) {
  EXPECT_EQ(Lanczos3(0.0), 1.0);
  EXPECT_EQ(Lanczos3(3.0), 0.0);
  EXPECT_EQ(Lanczos3(-4.5), 0.0);
  EXPECT_NEAR(Lanczos3(1.0), 0.0, 1e-15);
  EXPECT_NEAR(Lanczos3(0.5), 0.6079271, 1e-6);
  EXPECT_NEAR(Lanczos3(1.5), -0.1350949, 1e-6);
}

TEST(Resample, MirrorsIndicesAtBothEdges) {
  ResampleContributions c;
  ASSERT_TRUE(BuildResampleContributions(5, 5, c));
  // Destination 0 reaches j = -3..3: -j below 0.
  const int* idx = c.index.data() + c.offset[0];
  EXPECT_EQ(std::vector<int>(idx, idx + c.count[0]), (std::vector<int>{3, 2, 1, 0, 1, 2, 3}));
  // Destination 4 reaches j = 1..7: 2n - j - 1 at and beyond n.
  idx = c.index.data() + c.offset[4];
  EXPECT_EQ(std::vector<int>(idx, idx + c.count[4]), (std::vector<int>{1, 2, 3, 4, 4, 3, 2}));
}

TEST(Resample, LinesShorterThanTheSupportStayInside) {
  // One and two pixel lines need several reflections; every index must land in the line.
  for (int n : {1, 2, 3}) {
    for (int m : {1, 4, 9}) {
      ResampleContributions c;
      ASSERT_TRUE(BuildResampleContributions(n, m, c));
      for (int j : c.index) EXPECT_TRUE(j >= 0 && j < n) << n << " -> " << m;
    }
  }
  Pixels src = Random(1, 2, 3, 3), dst(7 * 5 * 3);
  EXPECT_EQ(ResampleImage(src.data(), 1, 2, dst.data(), 7, 5, 3, 8), kGeometryOk);
}

TEST(Resample, UniformPictureStaysUniformAtAnySize) {
  Pixels src(31 * 17 * 3);
  for (size_t i = 0; i < src.size(); i += 3) src[i] = 200, src[i + 1] = 13, src[i + 2] = 77;
  for (auto [w, h] : {std::pair{31, 17}, {10, 5}, {80, 41}, {3, 60}}) {
    Pixels dst(size_t(w) * size_t(h) * 3);
    ASSERT_EQ(ResampleImage(src.data(), 31, 17, dst.data(), w, h, 3, 8), kGeometryOk);
    for (size_t i = 0; i < dst.size(); i += 3)
      ASSERT_TRUE(dst[i] == 200 && dst[i + 1] == 13 && dst[i + 2] == 77) << w << "x" << h;
  }
}

TEST(Resample, SharpEdgeOvershootsAndIsClamped) {
  // A 0 | 255 edge between source pixels 7 and 8, doubled. Even destinations sit on source
  // pixels (L(0) = 1, L(+-1) = L(+-2) = 0) and copy them; odd ones sit half-way, where the
  // unnormalised lobes ring: 255 x (L(-1.5) + L(-2.5)) < 0 before the edge, 255 x 1.105 after.
  Pixels src(16, 0);
  for (int i = 8; i < 16; ++i) src[size_t(i)] = 255;
  Pixels dst(32);
  ASSERT_EQ(ResampleImage(src.data(), 16, 1, dst.data(), 32, 1, 1, 8), kGeometryOk);
  for (int u = 0; u < 32; u += 2) EXPECT_EQ(dst[size_t(u)], src[size_t(u / 2)]) << u;
  EXPECT_EQ(dst[13], 0);    // undershoot clamped
  EXPECT_EQ(dst[15], 127);  // 255 x (L(0.5) - 0.135 + 0.024) = 126.7
  EXPECT_EQ(dst[17], 255);  // overshoot clamped
  EXPECT_EQ(dst[19], 247);  // 255 x 0.970: the lobe L(2.5) falls on the dark side
  EXPECT_EQ(dst[1], 0);     // flat area: every contributor is 0
  EXPECT_EQ(dst[29], 255);  // flat area through the mirrored right edge
}

TEST(Resample, BadArgumentsGiveCodeFive) {
  Pixels buf(48);
  EXPECT_EQ(ResampleImage(buf.data(), 4, 4, buf.data(), 2, 2, 3, 7), kGeometryBadParam);
  EXPECT_EQ(ResampleImage(buf.data(), 4, 4, buf.data(), 2, 2, 3, 14), kGeometryBadParam);
  EXPECT_EQ(ResampleImage(nullptr, 4, 4, buf.data(), 2, 2, 3, 8), kGeometryBadParam);
  EXPECT_EQ(ResampleImage(buf.data(), 4, 4, nullptr, 2, 2, 3, 8), kGeometryBadParam);
  EXPECT_EQ(ResampleImage(buf.data(), 4, 4, buf.data(), 2, 2, 0, 8), kGeometryBadParam);
  EXPECT_EQ(ResampleImage(buf.data(), 0, 4, buf.data(), 2, 2, 3, 8), kGeometryBadParam);
  EXPECT_EQ(ResampleImage(buf.data(), 4, 4, buf.data(), 2, -2, 3, 8), kGeometryBadParam);
}

TEST(ResizeImage, BothFiltersKeepAFlatPictureFlatAndTheIdentity) {
  Pixels flat(40 * 30 * 3, 99), src = Random(40, 30, 3, 4);
  for (int filter : {0, 1}) {
    Pixels dst(20 * 15 * 3);
    ASSERT_TRUE(ResizeImage(flat.data(), 40, 30, dst.data(), 20, 15, filter));
    EXPECT_EQ(dst, Pixels(dst.size(), 99)) << filter;
    Pixels same(src.size());
    ASSERT_TRUE(ResizeImage(src.data(), 40, 30, same.data(), 40, 30, filter));
    EXPECT_EQ(same, src) << filter;
  }
  Pixels dst(12);
  EXPECT_FALSE(ResizeImage(nullptr, 2, 2, dst.data(), 2, 2, 1));
}

TEST(RotateImage, QuarterTurnsMoveCornersAndFourMakeTheIdentity) {
  // 3 x 2 picture with distinct pixels 0..5 (one byte each).
  Pixels p = {0, 1, 2, 3, 4, 5};
  ASSERT_EQ(RotateImage(p.data(), 3, 2, kRotate90Clockwise, 1), kGeometryOk);
  EXPECT_EQ(p, (Pixels{3, 0, 4, 1, 5, 2}));  // 2 wide, 3 high
  ASSERT_EQ(RotateImage(p.data(), 2, 3, kRotate90CounterClockwise, 1), kGeometryOk);
  EXPECT_EQ(p, (Pixels{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(RotateImage(p.data(), 3, 2, kRotate180, 1), kGeometryOk);
  EXPECT_EQ(p, (Pixels{5, 4, 3, 2, 1, 0}));

  for (int bpp : {1, 3, 4}) {
    const Pixels start = Random(131, 70, bpp, unsigned(bpp));
    Pixels q = start;
    int w = 131, h = 70;
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(RotateImage(q.data(), w, h, kRotate90Clockwise, bpp), kGeometryOk);
      std::swap(w, h);
    }
    EXPECT_EQ(q, start);
    ASSERT_EQ(RotateImage(q.data(), w, h, kRotate90Clockwise, bpp), kGeometryOk);
    ASSERT_EQ(RotateImage(q.data(), h, w, kRotate90Clockwise, bpp), kGeometryOk);
    Pixels half = start;
    ASSERT_EQ(RotateImage(half.data(), w, h, kRotate180, bpp), kGeometryOk);
    EXPECT_EQ(q, half);
  }
}

TEST(RotateImage, RejectsBadArgumentsWithoutTouchingThePicture) {
  Pixels p = {1, 2, 3, 4};
  EXPECT_EQ(RotateImage(p.data(), 2, 2, 3, 1), kGeometryBadParam);
  EXPECT_EQ(RotateImage(p.data(), 2, 2, -1, 1), kGeometryBadParam);
  EXPECT_EQ(RotateImage(p.data(), 2, 2, 0, 0), kGeometryBadParam);
  EXPECT_EQ(RotateImage(p.data(), 0, 2, 0, 1), kGeometryBadParam);
  EXPECT_EQ(RotateImage(nullptr, 2, 2, 0, 1), kGeometryBadParam);
  EXPECT_EQ(p, (Pixels{1, 2, 3, 4}));
}

}  // namespace
}  // namespace orv
