// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector paths of the neighbour filters and of portrait smoothing against the scalar
// reference.
#include <gtest/gtest.h>

#include <string>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/ImageFilters.h"
#include "filters/NeighbourFilter.h"

namespace orv::test {
namespace {

TEST(NeighbourPaths, EveryKindAndStrengthIsIdenticalOnEveryPathAndInPlace) {
  unsigned seed = 900;
  for (const auto& size : KernelTestSizes()) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (int kind : {kNeighbourSharpen, kNeighbourSoften, kNeighbourMedian}) {
      for (int strength : {100, 40, 1, 77, 0}) {
        Pixels src = Random(w, h, seed++);
        ExpectSameOnEveryPath(
            std::to_string(w) + "x" + std::to_string(h) + " kind " + std::to_string(kind) +
                " strength " + std::to_string(strength),
            [&] {
              Pixels dst(src.size(), 1), inPlace = src;
              EXPECT_TRUE(NeighbourFilter(src.data(), dst.data(), w, h, strength, kind));
              // In place the picture must come out as the filter writes it elsewhere.
              EXPECT_TRUE(NeighbourFilterInPlace(inPlace.data(), w, h, strength, kind));
              EXPECT_TRUE(inPlace == dst) << w << "x" << h << " kind " << kind << " in place";
              return dst;
            });
      }
    }
  }
}

TEST(NeighbourPaths, PortraitSmoothIsIdenticalOnEveryPath) {
  unsigned seed = 950;
  for (const auto& size : KernelTestSizes()) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (double radius : {0.2, 1.0, 2.4}) {
      for (int pink : {0, 1}) {
        Pixels src = Random(w, h, seed++);
        ExpectSameOnEveryPath(
            std::to_string(w) + "x" + std::to_string(h) + " radius " + std::to_string(radius) +
                " pink " + std::to_string(pink),
            [&] {
              Pixels p = src;
              EXPECT_TRUE(CImageFilters().PortraitSmooth(p.data(), w, h, radius, pink));
              return p;
            });
      }
    }
  }
}

}  // namespace
}  // namespace orv::test
