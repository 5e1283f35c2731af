// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The heavy kernels cut their rows into bands that run on several threads: on every path and at
// 1, 2, 3 and 7 threads they must give the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/FilterSimulator.h"
#include "filters/GaussianBlur.h"
#include "filters/ImageFilters.h"
#include "filters/MinoltaMatcher.h"
#include "filters/NeighbourFilter.h"
#include "filters/NoiseRemoval.h"
#include "filters/Resample.h"
#include "filters/TwoPassScaler.h"

namespace orv::test {
namespace {

std::string SizeName(int w, int h) {
  return std::to_string(w) + "x" + std::to_string(h);
}

TEST(BandedKernels, HotPixelsInPlaceAndFromACopy) {
  unsigned seed = 3;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    for (int wi : {3, 5, 9}) {
      const int spread = seed % 2 ? 256 : 40;
      const Pixels src = Random(width, height, seed++, spread);
      ExpectSameAtEveryThreadCount(
          "hot pixels " + SizeName(w, h) + " window " + std::to_string(wi), [&] {
            Pixels inPlace = src, fromCopy = Random(width, height, 9);
            CImageFilters f;
            EXPECT_TRUE(f.RemoveHotPixels(inPlace.data(), width, height, inPlace.data(), 200, wi));
            EXPECT_TRUE(f.RemoveHotPixels(fromCopy.data(), width, height, src.data(), 90, wi));
            return std::make_pair(inPlace, fromCopy);
          });
    }
  }
}

TEST(BandedKernels, NeighbourFilterEveryKindFromACopyAndInPlace) {
  unsigned seed = 20;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++);
    for (int kind : {kNeighbourSharpen, kNeighbourSoften, kNeighbourMedian}) {
      for (int strength : {0, 37, 100}) {
        ExpectSameAtEveryThreadCount(
            "neighbour kind " + std::to_string(kind) + " " + SizeName(w, h), [&] {
              Pixels dst(src.size()), inPlace = src;
              EXPECT_TRUE(NeighbourFilter(src.data(), dst.data(), width, height, strength, kind));
              EXPECT_TRUE(NeighbourFilterInPlace(inPlace.data(), width, height, strength, kind));
              EXPECT_TRUE(inPlace == dst) << "in place, kind " << kind << " " << SizeName(width, height);
              return std::make_pair(dst, inPlace);
            });
      }
    }
  }
}

TEST(BandedKernels, AutoBalancePassesAndBlend) {
  unsigned seed = 40;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++, 120);
    const Pixels other = Random(width, height, seed++);
    ExpectSameAtEveryThreadCount("auto balance " + SizeName(w, h), [&] {
      CImageFilters f;
      Pixels balanced = src, levelled = src, applied = other, mixed = src;
      EXPECT_TRUE(f.FindBalanceLevels(balanced.data(), width, height, 3, 250));
      const int low = f.LevelLow, high = f.LevelHigh;
      EXPECT_TRUE(f.BalanceInPlace(balanced.data(), width, height, 0.6));
      EXPECT_TRUE(f.AutoLevels(levelled.data(), width, height, 5, 240));
      EXPECT_TRUE(f.ApplyLevels(applied.data(), width, height));
      EXPECT_TRUE(f.Blend(mixed.data(), width, height, other.data(), width, height, 0.3));
      return std::make_tuple(low, high, balanced, levelled, applied, mixed);
    });
  }
}

TEST(BandedKernels, TonePassesAndBlackFrame) {
  unsigned seed = 140;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++), frame = Random(width, height, seed++, 30);
    ExpectSameAtEveryThreadCount("tone passes " + SizeName(w, h), [&] {
      CImageFilters f;
      Pixels gamma = src, blue = src, saturated = src, dark = src;
      EXPECT_TRUE(f.AdjustGamma(gamma.data(), width, height, 1.6));
      uint8_t table[256];
      for (int i = 0; i < 256; ++i) table[i] = uint8_t(255 - i);
      EXPECT_TRUE(f.ApplyChannelLut(blue.data(), width, height, 4, table));
      EXPECT_TRUE(f.AdjustSaturation(saturated.data(), width, height, 200));
      EXPECT_TRUE(f.SubtractBlackFrame(dark.data(), width, height, dark.data(), frame.data()));
      return std::make_tuple(gamma, blue, saturated, dark);
    });
  }
}

TEST(BandedKernels, BlurAndUnsharpMaskFromACopyAndInPlace) {
  unsigned seed = 120;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++, 90);
    // A small sigma (many bands) and a large one (few, with a long reach).
    for (double sigma : {0.8, 1.7, 6.5}) {
      ExpectSameAtEveryThreadCount(
          "blur sigma " + std::to_string(sigma) + " " + SizeName(w, h), [&] {
            Pixels blurred(src.size()), masked(src.size()), inPlace = src;
            EXPECT_TRUE(GaussianBlur(src.data(), blurred.data(), width, height, 3, sigma));
            EXPECT_TRUE(UnsharpMask(src.data(), width, height, 3, masked.data(), 4, 0.8, sigma));
            EXPECT_TRUE(UnsharpMaskInPlace(inPlace.data(), width, height, 3, 2, 1.3, sigma));
            return std::make_tuple(blurred, masked, inPlace);
          });
    }
  }
}

TEST(BandedKernels, SpeckleAndPortraitSmoothing) {
  unsigned seed = 60;
  // Taller pictures too: the speckle filter's bands take at least 256 rows, and each reads 32
  // rows beyond its own.
  std::vector<std::pair<int, int>> sizes = BandTestSizes();
  sizes.push_back({23, 1031});
  sizes.push_back({5, 777});
  for (const auto& [w, h] : sizes) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++, 60);
    ExpectSameAtEveryThreadCount("speckle " + SizeName(w, h), [&] {
      Pixels p = src;
      EXPECT_TRUE(SpeckleRemove(p.data(), width, height));
      return p;
    });
    ExpectSameAtEveryThreadCount("portrait " + SizeName(w, h), [&] {
      Pixels p = src;
      EXPECT_TRUE(CImageFilters().PortraitSmooth(p.data(), width, height, 1.4, 1));
      return p;
    });
  }
}

TEST(BandedKernels, ColourMatchingAndFilterSimulation) {
  unsigned seed = 80;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++);
    ExpectSameAtEveryThreadCount("colour kernels " + SizeName(w, h), [&] {
      Pixels matched = src, filtered = src, mono = src;
      EXPECT_TRUE(MatchMinoltaColors(matched.data(), width, height));
      EXPECT_TRUE(SimulateFilter(filtered.data(), width, height, "#25 Filter", 200, 1, 0));
      EXPECT_TRUE(SimulateFilter(mono.data(), width, height, "#2A Filter", 255, 0, 1));
      return std::make_tuple(matched, filtered, mono);
    });
  }
}

TEST(BandedKernels, BothResamplersDownAndUp) {
  unsigned seed = 100;
  for (const auto& [w, h] : BandTestSizes()) {
    const int width = w, height = h;
    const Pixels src = Random(width, height, seed++, 120);
    for (const auto& [W, H] :
         {std::pair{width / 2 + 1, height / 2 + 1}, std::pair{width * 2 - 1, height * 2 + 1},
          std::pair{width / 3 + 1, height * 3 / 2}}) {
      const int dw = W, dh = H;
      ExpectSameAtEveryThreadCount("resize " + SizeName(w, h) + " to " + SizeName(W, H), [&] {
        Pixels lanczos(size_t(dw) * size_t(dh) * 3), bilinear(lanczos.size());
        EXPECT_EQ(
            ResampleImage(src.data(), width, height, lanczos.data(), dw, dh, 3, kLanczos3Kernel),
            0u);
        EXPECT_TRUE(CTwoPassScaler().Scale(src.data(), width, height, bilinear.data(), dw, dh));
        return std::make_pair(lanczos, bilinear);
      });
    }
  }
  // One and four bytes a pixel through the Lanczos bands.
  const Pixels grey = Random(101, 203, 7);
  for (int bpp : {1, 4}) {
    const int w = bpp == 1 ? 303 : 75, h = 203;
    ExpectSameAtEveryThreadCount("resize bytes per pixel " + std::to_string(bpp), [&] {
      Pixels dst(size_t(w / 2) * size_t(h / 2) * size_t(bpp));
      EXPECT_EQ(ResampleImage(grey.data(), w, h, dst.data(), w / 2, h / 2, bpp, kLanczos3Kernel),
                0u);
      return dst;
    });
  }
}

}  // namespace
}  // namespace orv::test
