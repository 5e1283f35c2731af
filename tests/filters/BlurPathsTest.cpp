// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector paths of the Gaussian blur and the unsharp mask against the scalar reference.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/GaussianBlur.h"

namespace orv::test {
namespace {

std::string Case(int w, int h, int ch, double sigma) {
  return std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(ch) + " sigma " +
         std::to_string(sigma);
}

TEST(BlurPaths, GaussianBlurIsIdenticalOnEveryPath) {
  unsigned seed = 1;
  for (const auto& size : KernelTestSizes()) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (int ch = 1; ch <= 4; ++ch) {
      // 0.07: the outer weights are subnormal floats.
      for (double sigma : {0.07, 0.3, 1.0, 1.5, 3.2}) {
        Pixels src = Random(w * ch, h, seed++);
        src.resize(size_t(w) * size_t(h) * size_t(ch));
        ExpectSameOnEveryPath(Case(w, h, ch, sigma), [&] {
          Pixels dst(src.size(), 7);
          EXPECT_TRUE(GaussianBlur(src.data(), dst.data(), w, h, ch, sigma));
          return dst;
        });
      }
    }
  }
  // Bytes of 0 and 1: the sums are sums of weights, and at these sigmas some of them come near
  // the halfway point between two floats, where the vector path takes the division.
  Pixels twoLevels(200 * 60 * 3);
  std::mt19937 rng(98);
  for (auto& v : twoLevels) v = uint8_t(rng() % 2);
  for (double sigma : {1.11, 1.99}) {
    ExpectSameOnEveryPath("200x60 of 0 and 1, sigma " + std::to_string(sigma), [&] {
      Pixels dst(twoLevels.size());
      EXPECT_TRUE(GaussianBlur(twoLevels.data(), dst.data(), 200, 60, 3, sigma));
      return dst;
    });
  }
  // Wide enough for several strips at a large sigma.
  Pixels wide = Random(1500, 40, 99);
  ExpectSameOnEveryPath("1500x40 sigma 6", [&] {
    Pixels dst(wide.size());
    EXPECT_TRUE(GaussianBlur(wide.data(), dst.data(), 1500, 40, 3, 6.0));
    return dst;
  });
}

TEST(BlurPaths, UnsharpMaskIsIdenticalOnEveryPath) {
  unsigned seed = 500;
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& size : KernelTestSizes()) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (double amount : {0.5, 1.7, -0.8, 4.0, -4.0, 4.01, 40.0, 1e9, inf}) {
      for (unsigned threshold : {0u, 4u, 300u}) {
        Pixels src = Random(w, h, seed++, amount > 10 ? 8 : 256);
        ExpectSameOnEveryPath(Case(w, h, 3, 1.5) + " amount " + std::to_string(amount), [&] {
          Pixels dst(src.size());
          EXPECT_TRUE(UnsharpMask(src.data(), w, h, 3, dst.data(), threshold, amount, 1.5));
          return dst;
        });
      }
    }
  }
  Pixels wide = Random(1100, 30, 7);
  ExpectSameOnEveryPath("1100x30 sigma 3", [&] {
    Pixels dst(wide.size());
    EXPECT_TRUE(UnsharpMask(wide.data(), 1100, 30, 3, dst.data(), 2, 1.2, 3.0));
    return dst;
  });
}

// In place the strips overwrite columns their right neighbours still read; the kept halo must
// give exactly the result from an untouched copy, also when the halo spans several strips
// (sigma 30 on three channels: 75 halo columns, strips of 54) and when a large sigma on a small
// picture takes the copy instead.
TEST(BlurPaths, UnsharpMaskInPlaceMatchesTheCopyOnEveryPath) {
  struct Shape {
    int w, h, ch;
    double sigma;
  };
  const Shape shapes[] = {{1, 1, 3, 1.0},   {7, 1, 3, 1.5},    {33, 6, 3, 1.0},
                          {257, 12, 3, 1.5}, {1500, 9, 3, 6.0}, {700, 25, 3, 30.0},
                          {701, 13, 4, 20.0}, {650, 11, 1, 2.5}, {50, 8, 3, 30.0}};
  unsigned seed = 900;
  for (const Shape& s : shapes) {
    Pixels src = Random(s.w * s.ch, s.h, seed++);
    src.resize(size_t(s.w) * size_t(s.h) * size_t(s.ch));
    Pixels reference(src.size());
    {
      ScopedKernelTarget scalar(kReferenceKernels);
      ASSERT_TRUE(UnsharpMask(src.data(), s.w, s.h, s.ch, reference.data(), 3, 1.4, s.sigma));
    }
    for (KernelTarget p : SupportedKernelPaths()) {
      ScopedKernelTarget force(p);
      Pixels picture = src;
      EXPECT_TRUE(UnsharpMaskInPlace(picture.data(), s.w, s.h, s.ch, 3, 1.4, s.sigma));
      EXPECT_TRUE(picture == reference)
          << Case(s.w, s.h, s.ch, s.sigma) << " in place differs on the " << KernelTargetName(p)
          << " path";
    }
  }
}

TEST(BlurPaths, ProgressHookHearsTheSamePercentagesOnEveryPath) {
  Pixels src = Random(300, 20, 3);
  ExpectSameOnEveryPath("progress", [&] {
    std::vector<int> heard;
    ProgressHook hook{[](int percent, void* user) {
                        static_cast<std::vector<int>*>(user)->push_back(percent);
                        return true;
                      },
                      &heard};
    Pixels dst(src.size());
    EXPECT_TRUE(UnsharpMask(src.data(), 300, 20, 3, dst.data(), 0, 0.7, 2.0, &hook));
    return heard;
  });
}

}  // namespace
}  // namespace orv::test
