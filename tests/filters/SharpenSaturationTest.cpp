// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "filters/FilterTestSupport.h"
#include "filters/GaussianBlur.h"
#include "filters/ImageFilters.h"

namespace orv {
namespace {

using test::At;
using test::Pixels;

TEST(GaussianKernel, TapCountAndNormalisation) {
  GaussianKernel k;
  ASSERT_TRUE(k.Build(0.6));
  EXPECT_EQ(k.Taps(), 5);
  ASSERT_TRUE(k.Build(5.6));
  EXPECT_EQ(k.Taps(), 29);
  ASSERT_TRUE(k.Build(1.5));
  EXPECT_EQ(k.Taps(), 9);
  double sum = std::accumulate(k.Weights(), k.Weights() + k.Taps(), 0.0);
  EXPECT_NEAR(sum, 1.0, 1e-6);
  for (int i = 0; i < k.Half(); ++i) {
    EXPECT_EQ(k.Weights()[i], k.Weights()[k.Taps() - 1 - i]);
    EXPECT_LT(k.Weights()[i], k.Weights()[i + 1]);
  }
  for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 1e9}) {
    EXPECT_FALSE(k.Build(bad)) << bad;
    EXPECT_EQ(k.Taps(), 0);
  }
}

// The blur written out with a whole float plane: horizontal pass, then vertical pass, dropping
// the taps outside the picture and renormalising.
Pixels ReferenceBlur(const Pixels& src, int w, int h, int ch, double sigma) {
  GaussianKernel k;
  EXPECT_TRUE(k.Build(sigma));
  const float* wt = k.Weights();
  const int half = k.Half();
  Pixels dst(src.size());
  std::vector<float> plane(size_t(w) * h);
  for (int c = 0; c < ch; ++c) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        double total = 0, sum = 0;
        for (int t = 0; t < k.Taps(); ++t) {
          int xx = x + t - half;
          if (xx < 0 || xx >= w) continue;
          total += double(wt[t]) * src[(size_t(y) * w + size_t(xx)) * ch + size_t(c)];
          sum += wt[t];
        }
        plane[size_t(y) * w + size_t(x)] = float(total / sum);
      }
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        double total = 0, sum = 0;
        for (int t = 0; t < k.Taps(); ++t) {
          int yy = y + t - half;
          if (yy < 0 || yy >= h) continue;
          total += double(wt[t]) * double(plane[size_t(yy) * w + size_t(x)]);
          sum += wt[t];
        }
        dst[(size_t(y) * w + size_t(x)) * ch + size_t(c)] = uint8_t(int(total / sum + 0.5));
      }
    }
  }
  return dst;
}

TEST(GaussianBlur, MatchesTwoWholePasses) {
  for (auto [w, h, ch, sigma] :
       {std::tuple(1, 1, 3, 1.5), std::tuple(30, 20, 3, 1.5), std::tuple(7, 40, 1, 2.2),
        std::tuple(50, 9, 4, 5.6), std::tuple(19, 17, 3, 0.6)}) {
    Pixels src(size_t(w) * h * size_t(ch));
    std::mt19937 rng(unsigned(w * h));
    for (auto& v : src) v = uint8_t(rng());
    Pixels dst(src.size());
    ASSERT_TRUE(GaussianBlur(src.data(), dst.data(), w, h, ch, sigma));
    EXPECT_EQ(dst, ReferenceBlur(src, w, h, ch, sigma)) << w << "x" << h << " sigma " << sigma;
  }
  Pixels p(12), q(12);
  EXPECT_FALSE(GaussianBlur(p.data(), p.data(), 2, 2, 3, 1.0));
  EXPECT_FALSE(GaussianBlur(p.data(), q.data(), 2, 2, 5, 1.0));
  EXPECT_FALSE(GaussianBlur(p.data(), q.data(), 2, 2, 3, 0.0));
}

TEST(UnsharpMask, FlatPictureStaysAndEdgesGainContrast) {
  Pixels flat = test::Uniform(20, 15, 37, 128, 250), dst(flat.size());
  ASSERT_TRUE(UnsharpMask(flat.data(), 20, 15, 3, dst.data(), 0, 0.5, 1.5));
  EXPECT_EQ(dst, flat);
  // A vertical step from 60 to 180: the dark side gets darker and the bright side brighter
  // next to the edge; far from it nothing changes.
  Pixels step = test::Grey(24, 4, 60);
  for (int y = 0; y < 4; ++y)
    for (int x = 12; x < 24; ++x)
      for (int c = 0; c < 3; ++c) At(step, 24, x, y, c) = 180;
  Pixels out(step.size());
  ASSERT_TRUE(UnsharpMask(step.data(), 24, 4, 3, out.data(), 0, 1.0, 1.5));
  EXPECT_LT(At(out, 24, 11, 2, 0), 60);
  EXPECT_GT(At(out, 24, 12, 2, 0), 180);
  EXPECT_EQ(At(out, 24, 0, 2, 0), 60);
  EXPECT_EQ(At(out, 24, 23, 2, 0), 180);
  // A threshold above every difference leaves the source.
  ASSERT_TRUE(UnsharpMask(step.data(), 24, 4, 3, out.data(), 255, 1.0, 1.5));
  EXPECT_EQ(out, step);
  // Huge amounts saturate instead of overflowing the conversion.
  ASSERT_TRUE(UnsharpMask(step.data(), 24, 4, 3, out.data(), 0, 1e300, 1.5));
  EXPECT_EQ(At(out, 24, 11, 2, 0), 0);
  EXPECT_EQ(At(out, 24, 12, 2, 0), 255);
  EXPECT_FALSE(UnsharpMask(step.data(), 24, 4, 3, out.data(), 0,
                           std::numeric_limits<double>::quiet_NaN(), 1.5));
}

Pixels Ramp() {
  Pixels p(256 * 3);
  for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(i / 3);
  return p;
}

Pixels Saturate(Pixels p, int level) {
  CImageFilters f;
  EXPECT_TRUE(f.AdjustSaturation(p.data(), int(p.size() / 3), 1, level));
  return p;
}

TEST(AdjustSaturation, WorkedExamples) {
  EXPECT_EQ(Saturate({200, 100, 100}, 255), (Pixels{235, 85, 85}));
  EXPECT_EQ(Saturate({200, 100, 100}, 0), (Pixels{165, 115, 115}));
  EXPECT_EQ(Saturate({100, 100, 100}, 255), (Pixels{100, 100, 100}));
  // A negative sum is divided toward zero before the clamp.
  EXPECT_EQ(Saturate({0, 255, 255}, 384), (Pixels{0, 255, 255}));
}

TEST(AdjustSaturation, NeutralAndOutOfRangeLevelsChangeNothingAndGreyStaysGrey) {
  const Pixels src = test::Random(10, 10, 7);
  for (int level : {128, 385, -129, INT_MIN, INT_MAX}) EXPECT_EQ(Saturate(src, level), src);
  const Pixels greys = Ramp();
  for (int level = -128; level <= 384; level += 16) {
    Pixels out = Saturate(greys, level);
    for (size_t i = 0; i < out.size(); ++i)
      EXPECT_LE(std::abs(out[i] - greys[i]), 1) << level << " " << i / 3;
  }
}

}  // namespace
}  // namespace orv
