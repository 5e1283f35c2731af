// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "filters/FilterTestSupport.h"
#include "filters/ImageFilters.h"
#include "filters/NeighbourFilter.h"
#include "filters/NoiseRemoval.h"

namespace orv {
namespace {

using test::At;
using test::Pixels;

// Speckle removal written out as full passes over bordered planes, one half-pass at a time.
Pixels ReferenceSpeckle(const Pixels& src, int w, int h) {
  const int W = w + 2;
  std::vector<std::vector<int>> planes(3, std::vector<int>(size_t(W) * (h + 2), 0));
  std::vector<int> work(size_t(W) * (h + 2), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        planes[size_t(c)][size_t(y + 1) * W + size_t(x + 1)] =
            src[(size_t(y) * w + size_t(x)) * 3 + size_t(c)];
  const int dirs[4] = {W, 1, W + 1, W - 1};
  for (int d : dirs) {
    for (auto& plane : planes) {
      for (auto [o, raise] :
           {std::pair(d, true), std::pair(-d, true), std::pair(-d, false), std::pair(d, false)}) {
        for (int y = 1; y <= h; ++y) {
          for (int x = 1; x <= w; ++x) {
            size_t p = size_t(y) * W + size_t(x);
            int c = plane[p], n = plane[p + o];
            work[p] = raise ? (n > c ? c + 1 : c) : (c > n + 1 ? c - 1 : c);
          }
        }
        for (int y = 1; y <= h; ++y) {
          for (int x = 1; x <= w; ++x) {
            size_t p = size_t(y) * W + size_t(x);
            int a = work[p - o], c = work[p], b = work[p + o];
            plane[p] = raise ? (a >= c && b > c ? c + 1 : c) : (c > a + 1 && b < c ? c - 1 : c);
          }
        }
      }
      std::fill(work.begin(), work.end(), 0);
    }
  }
  Pixels out(src.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        out[(size_t(y) * w + size_t(x)) * 3 + size_t(c)] =
            uint8_t(planes[size_t(c)][size_t(y + 1) * W + size_t(x + 1)]);
  return out;
}

TEST(SpeckleRemove, MatchesFullPassesOnEveryShape) {
  for (auto [w, h] : {std::pair(1, 1), std::pair(1, 9), std::pair(9, 1), std::pair(2, 3),
                      std::pair(37, 29), std::pair(64, 40)}) {
    for (int spread : {256, 12}) {
      const Pixels src = test::Random(w, h, unsigned(w * 100 + h + spread), spread);
      Pixels p = src;
      ASSERT_TRUE(SpeckleRemove(p.data(), w, h));
      EXPECT_EQ(p, ReferenceSpeckle(src, w, h)) << w << "x" << h;
    }
  }
}

TEST(SpeckleRemove, UniformSevenBySevenIsPulledDownAtTheEdges) {
  Pixels p = test::Grey(7, 7, 100);
  ASSERT_TRUE(SpeckleRemove(p.data(), 7, 7));
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 7; ++x) {
      int v = At(p, 7, x, y, 0);
      EXPECT_EQ(At(p, 7, x, y, 1), v);
      bool corner = (x == 0 || x == 6) && (y == 0 || y == 6);
      bool outer = x == 0 || x == 6 || y == 0 || y == 6;
      bool inner = x >= 2 && x <= 4 && y >= 2 && y <= 4;
      if (corner) {
        EXPECT_EQ(v, 94);
      } else if (outer) {
        EXPECT_GE(v, 97);
        EXPECT_LE(v, 99);
      } else if (inner) {
        EXPECT_EQ(v, 100);
      } else {
        EXPECT_GE(v, 99);
      }
    }
  }
}

TEST(SpeckleRemove, FlattensSinglePixelsAndKeepsWhiteAreas) {
  Pixels bright = test::Grey(9, 9, 100);
  At(bright, 9, 4, 4, 0) = 110;
  ASSERT_TRUE(SpeckleRemove(bright.data(), 9, 9));
  EXPECT_EQ(At(bright, 9, 4, 4, 0), 102);
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx == 0 && dy == 0) continue;
      int v = At(bright, 9, 4 + dx, 4 + dy, 0);
      EXPECT_TRUE(v == 101 || v == 102) << dx << "," << dy << ": " << v;
    }
  }
  Pixels dark = test::Grey(9, 9, 100);
  At(dark, 9, 4, 4, 2) = 90;
  ASSERT_TRUE(SpeckleRemove(dark.data(), 9, 9));
  EXPECT_EQ(At(dark, 9, 4, 4, 2), 100);

  Pixels white = test::Grey(8, 8, 255);
  ASSERT_TRUE(SpeckleRemove(white.data(), 8, 8));
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x) EXPECT_EQ(At(white, 8, x, y, 0), 255);
}

TEST(SpeckleRemove, StopRequestLeavesThePixelsAndStepsAreCounted) {
  struct Counter {
    int calls = 0;
    int stopAt = 0;
  } counter;
  ProgressHook hook{[](int, void* user) {
                      auto* c = static_cast<Counter*>(user);
                      return ++c->calls != c->stopAt;
                    },
                    &counter};
  const Pixels src = test::Random(6, 5, 1);
  Pixels p = src;
  ASSERT_TRUE(SpeckleRemove(p.data(), 6, 5, &hook));
  EXPECT_EQ(counter.calls, 14);
  for (int stopAt : {1, 7, 14}) {
    counter = {0, stopAt};
    p = src;
    EXPECT_FALSE(SpeckleRemove(p.data(), 6, 5, &hook));
    EXPECT_EQ(p, src);
  }
  EXPECT_FALSE(SpeckleRemove(nullptr, 6, 5));
  EXPECT_FALSE(SpeckleRemove(p.data(), 0, 5));
}

// One output byte of the 3 x 3 filters, straight from the formulas with clamped coordinates.
uint8_t ReferenceNeighbour(const Pixels& src, int w, int h, int x, int y, int c, int a, int kind) {
  auto px = [&](int xx, int yy) {
    xx = std::clamp(xx, 0, w - 1);
    yy = std::clamp(yy, 0, h - 1);
    return int(src[(size_t(yy) * w + size_t(xx)) * 3 + size_t(c)]);
  };
  a = std::clamp(a, 0, 100);
  int centre = px(x, y), sum = 0;
  std::vector<uint8_t> all;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      all.push_back(uint8_t(px(x + dx, y + dy)));
      if (dx || dy) sum += px(x + dx, y + dy);
    }
  }
  if (kind == 0) {
    double s = 0.005 * a;
    return uint8_t(int(std::clamp(centre - s * (sum - 8 * centre), 0.0, 255.0)));
  }
  if (kind == 1) {
    double s = 0.01 * a;
    return uint8_t(int(s * std::floor(sum / 8.0) + (1 - s) * centre));
  }
  std::sort(all.begin(), all.end());
  return all[4];
}

TEST(NeighbourFilter, MatchesTheFormulasWithReplicatedEdges) {
  for (auto [w, h] : {std::pair(1, 1), std::pair(1, 4), std::pair(5, 1), std::pair(23, 6)}) {
    const Pixels src = test::Random(w, h, unsigned(w + 10 * h));
    for (int kind : {0, 1, 2}) {
      for (int a : {1, 37, 100}) {
        Pixels dst(src.size());
        ASSERT_TRUE(NeighbourFilter(src.data(), dst.data(), w, h, a, kind));
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
              ASSERT_EQ(At(dst, w, x, y, c), ReferenceNeighbour(src, w, h, x, y, c, a, kind))
                  << w << "x" << h << " kind " << kind << " a " << a << " at " << x << "," << y;
      }
    }
  }
}

TEST(NeighbourFilter, StrengthZeroCopiesAndAbove100ActsAs100) {
  const Pixels src = test::Random(12, 9, 3);
  for (int kind : {0, 1}) {
    Pixels dst(src.size()), full(src.size()), over(src.size());
    ASSERT_TRUE(NeighbourFilter(src.data(), dst.data(), 12, 9, 0, kind));
    EXPECT_EQ(dst, src);
    ASSERT_TRUE(NeighbourFilter(src.data(), full.data(), 12, 9, 100, kind));
    ASSERT_TRUE(NeighbourFilter(src.data(), over.data(), 12, 9, 250, kind));
    EXPECT_EQ(over, full);
    EXPECT_NE(full, src);
  }
  // Soften at 100 is the plain integer mean of the eight neighbours.
  Pixels p = test::Grey(3, 3, 10), out(27);
  At(p, 3, 1, 1, 0) = 200;
  At(p, 3, 0, 0, 0) = 17;
  ASSERT_TRUE(NeighbourFilter(p.data(), out.data(), 3, 3, 100, kNeighbourSoften));
  EXPECT_EQ(At(out, 3, 1, 1, 0), (17 + 7 * 10) / 8);
}

TEST(NeighbourFilter, RejectsBadArguments) {
  Pixels src = test::Random(4, 4, 1), dst(src.size());
  EXPECT_FALSE(NeighbourFilter(src.data(), src.data(), 4, 4, 50, 0));
  EXPECT_FALSE(NeighbourFilter(nullptr, dst.data(), 4, 4, 50, 0));
  EXPECT_FALSE(NeighbourFilter(src.data(), dst.data(), 4, 4, 50, 3));
  EXPECT_FALSE(NeighbourFilter(src.data(), dst.data(), -4, 4, 50, 0));
  int rows = 0;
  ProgressHook stop{[](int, void* user) { return ++*static_cast<int*>(user) < 2; }, &rows};
  EXPECT_FALSE(NeighbourFilter(src.data(), dst.data(), 4, 4, 50, 0, &stop));
  EXPECT_EQ(rows, 2);
}

// The soften passes of PortraitSmooth are trunc(3 x radius), at least one: radii giving the same
// count give the same picture, and one more pass changes it.
TEST(PortraitSmooth, PassCountFollowsTheRadius) {
  CImageFilters f;
  const Pixels src = test::Random(20, 16, 12);
  auto run = [&](double radius) {
    Pixels p = src;
    EXPECT_TRUE(f.PortraitSmooth(p.data(), 20, 16, radius, 0));
    return p;
  };
  EXPECT_EQ(run(0.2), run(0.34));  // 0.6 raised to 1, and 1.02
  EXPECT_EQ(run(0.2), run(0.0));
  EXPECT_NE(run(0.2), run(0.67));  // 2 passes
  EXPECT_EQ(run(1.0), run(1.3));   // 3 passes
  EXPECT_NE(run(1.0), run(1.34));  // 4 passes
  EXPECT_EQ(run(0.8), run(0.67));  // the flash default: 2 passes
}

TEST(PortraitSmooth, PinkTonesLeaveGreyPixelsAndWarmReddishOnes) {
  CImageFilters f;
  Pixels grey = test::Random(10, 10, 4);
  for (size_t i = 0; i < grey.size(); i += 3) grey[i + 1] = grey[i + 2] = grey[i];
  Pixels a = grey, b = grey;
  f.PortraitSmooth(a.data(), 10, 10, 1.0, 0);
  f.PortraitSmooth(b.data(), 10, 10, 1.0, 1);
  EXPECT_EQ(a, b);
  // A flat skin tone: the overlay of (225, 180, 183) lifts the darker green and blue.
  Pixels skin = test::Uniform(6, 6, 200, 140, 120), plain = skin;
  f.PortraitSmooth(skin.data(), 6, 6, 1.0, 1);
  f.PortraitSmooth(plain.data(), 6, 6, 1.0, 0);
  EXPECT_NE(skin, plain);
  // Flat 200/140/120: m = 153, both mixes of equal values lose a little: c2 = c x 255^2 >> 16.
  EXPECT_EQ(At(plain, 6, 3, 3, 0), (((200 * 153 + 200 * 102) >> 8) * 102 + 200 * 153) >> 8);
  EXPECT_FALSE(f.PortraitSmooth(nullptr, 6, 6, 1.0, 1));
}

}  // namespace
}  // namespace orv
