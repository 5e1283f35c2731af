// The vector paths of the Lanczos resampler and the two-pass bilinear scaler against the scalar
// reference: up and down, odd ratios, single pixels, flat runs and long contribution lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/Resample.h"
#include "filters/TwoPassScaler.h"

namespace orv::test {
namespace {

// Destination sizes for a w x h source: halves, doubles, odd ratios, one pixel.
std::vector<std::pair<int, int>> Targets(int w, int h) {
  return {{(w + 1) / 2, (h + 1) / 2},
          {2 * w, 2 * h},
          {w * 3 / 7 + 1, h * 5 / 3 + 1},
          {1, 1},
          {w + 1, 1},
          {70, 35}};
}

std::string Case(int w, int h, int W, int H, int extra) {
  return std::to_string(w) + "x" + std::to_string(h) + " -> " + std::to_string(W) + "x" +
         std::to_string(H) + " (" + std::to_string(extra) + ")";
}

TEST(ResamplePaths, LanczosIsIdenticalOnEveryPath) {
  std::vector<std::pair<int, int>> sizes = KernelTestSizes();
  sizes.push_back({300, 9});  // down to one pixel: more lines than a vector call takes
  unsigned seed = 3;
  for (auto [w, h] : sizes) {
    for (auto [W, H] : Targets(w, h)) {
      for (int bpp = 1; bpp <= 4; ++bpp) {
        // Small spreads make runs of equal values, which keep their value unrounded.
        const int spread = seed % 3 ? 256 : 3;
        Pixels src = Random(w * bpp, h, seed++, spread);
        src.resize(size_t(w) * size_t(h) * size_t(bpp));
        ExpectSameOnEveryPath(Case(w, h, W, H, bpp), [&] {
          Pixels dst(size_t(W) * size_t(H) * size_t(bpp), 9);
          EXPECT_EQ(ResampleImage(src.data(), w, h, dst.data(), W, H, bpp, kLanczos3Kernel), 0u);
          return dst;
        });
      }
    }
  }
}

TEST(ResamplePaths, BilinearIsIdenticalOnEveryPath) {
  std::vector<std::pair<int, int>> sizes = KernelTestSizes();
  sizes.push_back({2000, 3});  // down to a few pixels: more lines than a vector call takes
  sizes.push_back({100, 70});  // several bands of rows
  unsigned seed = 40;
  for (auto [w, h] : sizes) {
    for (auto [W, H] : Targets(w, h)) {
      const int spread = seed % 2 ? 256 : 4;
      Pixels src = Random(w, h, seed++, spread);
      ExpectSameOnEveryPath(Case(w, h, W, H, 3), [&] {
        Pixels dst(size_t(W) * size_t(H) * 3, 9);
        EXPECT_TRUE(CTwoPassScaler().Scale(src.data(), w, h, dst.data(), W, H));
        return dst;
      });
    }
  }
}

TEST(ResamplePaths, BilinearReportsEveryRowOnEveryPath) {
  // The progress hook sees the same percentages, in order, whichever path runs.
  Pixels src = Random(90, 77, 8);
  ExpectSameOnEveryPath("progress", [&] {
    std::vector<int> seen;
    CTwoPassScaler scaler;
    scaler.SetProgress(
        [](void* user, int percent) {
          static_cast<std::vector<int>*>(user)->push_back(percent);
          return true;
        },
        &seen);
    Pixels dst(size_t(45) * 38 * 3);
    EXPECT_TRUE(scaler.Scale(src.data(), 90, 77, dst.data(), 45, 38));
    return seen;
  });
}

}  // namespace
}  // namespace orv::test
