// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "filters/BlackFrame.h"
#include "filters/FilterTestSupport.h"
#include "filters/ImageFilters.h"
#include "filters/MedianSelect.h"

namespace orv {
namespace {

using test::At;
using test::Pixels;

TEST(MedianSelect, FindsTheExactMedianOfAnyCount) {
  std::mt19937 rng(5);
  for (int n : {1, 2, 3, 9, 10, 25, 49, 81, 100}) {
    for (int round = 0; round < 50; ++round) {
      std::vector<uint8_t> v(static_cast<size_t>(n));
      int range = round % 2 ? 4 : 256;  // many ties, or few
      for (auto& x : v) x = uint8_t(rng() % unsigned(range));
      std::vector<uint8_t> sorted = v;
      std::sort(sorted.begin(), sorted.end());
      EXPECT_EQ(MedianSelect(v.data(), n), sorted[size_t((n - 1) / 2)]) << n;
    }
  }
  EXPECT_EQ(MedianSelect(nullptr, 3), 0);
}

TEST(MedianNetwork, AgreesWithSelectionOnEveryLane) {
  std::mt19937 rng(6);
  for (int n : {9, 25, 49, 81}) {
    const MedianNetwork* net = MedianNetwork::For(n);
    ASSERT_NE(net, nullptr);
    const int lanes = MedianNetwork::kLanes;
    for (int round = 0; round < 20; ++round) {
      std::vector<uint8_t> rows(size_t(n) * lanes);
      for (auto& x : rows) x = uint8_t(rng() % (round % 2 ? 5u : 256u));
      std::vector<uint8_t> expected(lanes);
      for (int l = 0; l < lanes; ++l) {
        std::vector<uint8_t> w;
        for (int k = 0; k < n; ++k) w.push_back(rows[size_t(k) * lanes + size_t(l)]);
        expected[size_t(l)] = MedianSelect(w.data(), n);
      }
      net->Select(rows.data());
      for (int l = 0; l < lanes; ++l)
        EXPECT_EQ(rows[size_t((n - 1) / 2) * lanes + size_t(l)], expected[size_t(l)]) << n;
    }
  }
  EXPECT_EQ(MedianNetwork::For(16), nullptr);
}

TEST(SubtractBlackFrame, FloorsAtZero) {
  CImageFilters f;
  Pixels src = {10, 200, 30, 0, 255, 7}, frame = {20, 100, 30, 1, 0, 6}, dst(6, 99);
  ASSERT_TRUE(f.SubtractBlackFrame(dst.data(), 2, 1, src.data(), frame.data()));
  EXPECT_EQ(dst, (Pixels{0, 100, 0, 0, 255, 1}));
  // A frame brighter everywhere gives black, in place as well.
  Pixels p = test::Random(5, 5, 1), bright = test::Grey(5, 5, 255);
  ASSERT_TRUE(f.SubtractBlackFrame(p.data(), 5, 5, p.data(), bright.data()));
  EXPECT_EQ(p, test::Grey(5, 5, 0));
  EXPECT_FALSE(f.SubtractBlackFrame(p.data(), 5, 5, nullptr, bright.data()));
}

TEST(CutFrameToCrop, TakesFramePixelsUnderTheCropAndGreyOutside) {
  Pixels frame(4 * 3 * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i);
  Pixels crop(3 * 2 * 3);
  ASSERT_TRUE(CutFrameToCrop(frame.data(), 4, 3, 2, 1, crop.data(), 3, 2));
  // Crop (0,0) is frame (2,1); crop column 2 is past the frame's right edge.
  EXPECT_EQ(At(crop, 3, 0, 0, 0), At(frame, 4, 2, 1, 0));
  EXPECT_EQ(At(crop, 3, 1, 1, 2), At(frame, 4, 3, 2, 2));
  EXPECT_EQ(At(crop, 3, 2, 0, 0), 128);
  ASSERT_TRUE(CutFrameToCrop(frame.data(), 4, 3, -5, -5, crop.data(), 3, 2));
  EXPECT_EQ(crop, test::Grey(3, 2, 128));
  EXPECT_FALSE(CutFrameToCrop(frame.data(), 4, 3, 0, 0, nullptr, 3, 2));
}

// The filter written out directly, window by window, with the doubles of the formulas.
Pixels ReferenceHotPixels(const Pixels& src, int w, int h, int nt, int wi) {
  Pixels dst = src;
  int half = (wi - 1) / 2;
  double alpha = std::clamp(nt / 255.0, 0.0, 1.0);
  for (int y = half; y < h - half; ++y) {
    for (int x = half; x < w - half; ++x) {
      int m[3];
      for (int c = 0; c < 3; ++c) {
        std::vector<uint8_t> win;
        for (int dy = -half; dy <= half; ++dy)
          for (int dx = -half; dx <= half; ++dx)
            win.push_back(src[(size_t(y + dy) * w + size_t(x + dx)) * 3 + size_t(c)]);
        std::nth_element(win.begin(), win.begin() + long(win.size() / 2), win.end());
        m[c] = win[win.size() / 2];
      }
      const uint8_t* s = &src[(size_t(y) * w + size_t(x)) * 3];
      int diff = std::abs(int(std::trunc((s[0] + s[1] + s[2]) / 3.0)) -
                          int(std::trunc((m[0] + m[1] + m[2]) / 3.0)));
      double t = std::min(diff / 12.0, 1.0);
      for (int c = 0; c < 3; ++c) {
        int cc = int(s[c] * (1 - t) + m[c] * t);
        int n = std::min(cc, int(s[c]));
        uint8_t& d = dst[(size_t(y) * w + size_t(x)) * 3 + size_t(c)];
        d = uint8_t(int(n * alpha + d * (1 - alpha)));
      }
    }
  }
  return dst;
}

TEST(RemoveHotPixels, MatchesTheWindowByWindowFormula) {
  CImageFilters f;
  // Widths below and above one block of lanes, and noise both fine and coarse.
  for (auto [w, h, wi] : {std::tuple(9, 7, 3), std::tuple(45, 11, 3), std::tuple(40, 9, 5),
                          std::tuple(13, 13, 7), std::tuple(50, 12, 9)}) {
    for (int nt : {255, 180, 37}) {
      const Pixels src = test::Random(w, h, unsigned(w * nt + wi), wi == 5 ? 40 : 256);
      Pixels dst = src;
      ASSERT_TRUE(f.RemoveHotPixels(dst.data(), w, h, src.data(), nt, wi));
      EXPECT_EQ(dst, ReferenceHotPixels(src, w, h, nt, wi)) << w << "x" << h << " wi " << wi;
    }
  }
}

TEST(RemoveHotPixels, IsolatedBrightPixelTakesItsNeighbourhood) {
  CImageFilters f;
  Pixels src = test::Uniform(7, 7, 60, 80, 100);
  At(src, 7, 3, 3, 0) = 100;
  At(src, 7, 3, 3, 1) = 120;
  At(src, 7, 3, 3, 2) = 140;
  Pixels dst = src;
  ASSERT_TRUE(f.RemoveHotPixels(dst.data(), 7, 7, src.data(), 255, 3));
  EXPECT_EQ(dst, test::Uniform(7, 7, 60, 80, 100));
  dst = src;
  ASSERT_TRUE(f.RemoveHotPixels(dst.data(), 7, 7, src.data(), 0, 3));
  EXPECT_EQ(dst, src);
}

TEST(RemoveHotPixels, NeverBrightensAndKeepsTheBorder) {
  CImageFilters f;
  const int w = 40, h = 30;
  const Pixels src = test::Random(w, h, 8);
  Pixels dst = src;
  ASSERT_TRUE(f.RemoveHotPixels(dst.data(), w, h, src.data(), 200, 5));
  EXPECT_NE(dst, src);
  for (size_t i = 0; i < src.size(); ++i) EXPECT_LE(dst[i], src[i]);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (x >= 2 && x < w - 2 && y >= 2 && y < h - 2) continue;
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(At(dst, w, x, y, c), src[(size_t(y) * w + size_t(x)) * 3 + size_t(c)]);
    }
  }
  // A dark pixel on a bright field stays as dark as it was.
  Pixels dark = test::Grey(9, 9, 200);
  At(dark, 9, 4, 4, 0) = At(dark, 9, 4, 4, 1) = At(dark, 9, 4, 4, 2) = 20;
  Pixels out = dark;
  ASSERT_TRUE(f.RemoveHotPixels(out.data(), 9, 9, dark.data(), 255, 3));
  EXPECT_EQ(At(out, 9, 4, 4, 0), 20);
}

TEST(RemoveHotPixels, WindowSizesAreClampedAndEvenSizesRoundedUp) {
  CImageFilters f;
  const int w = 24, h = 22;
  const Pixels src = test::Random(w, h, 9);
  auto run = [&](int wi) {
    Pixels dst = src;
    EXPECT_TRUE(f.RemoveHotPixels(dst.data(), w, h, src.data(), 255, wi));
    return dst;
  };
  EXPECT_EQ(run(1), run(3));
  EXPECT_EQ(run(-7), run(3));
  EXPECT_EQ(run(12), run(9));
  EXPECT_EQ(run(4), run(5));
  EXPECT_EQ(run(6), run(7));
  EXPECT_NE(run(3), run(5));
  // A picture smaller than the window has no pixel with a whole window.
  Pixels tiny = test::Random(4, 4, 2), out = tiny;
  EXPECT_TRUE(f.RemoveHotPixels(out.data(), 4, 4, tiny.data(), 255, 5));
  EXPECT_EQ(out, tiny);
  EXPECT_FALSE(f.RemoveHotPixels(out.data(), 4, 4, nullptr, 255, 3));
}

}  // namespace
}  // namespace orv
