// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector paths of the Lanczos resampler and the two-pass bilinear scaler against the scalar
// reference: up and down, odd ratios, single pixels, flat runs and long contribution lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/BandTurn.h"
#include "filters/Resample.h"
#include "filters/ResampleVector.h"
#include "filters/TwoPassScaler.h"
#include "imageio/GeometryResult.h"

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

// The turned band holds every pixel of every row exactly once, in line order, whatever the
// width (blocks of four columns, the last columns of a tile and of the picture) and the rows
// (groups of four, the rows left over, the last rows, past which no spare byte may spill into
// the next line).
TEST(ResamplePaths, TurnedBandIsIdenticalOnEveryPath) {
  for (int w : {1, 5, 6, 7, 9, 64, 67, 70, 131}) {
    for (int rows : {1, 3, 4, 5, 6, 8, 9, 13, 30, 32}) {
      const Pixels picture = Random(w, rows + 2, unsigned(w * 100 + rows));
      ExpectSameOnEveryPath("turning " + std::to_string(w) + " x " + std::to_string(rows), [&] {
        Pixels band(size_t(w) * size_t(rows) * 3 + 16, 7);
        TurnBand<3>(picture.data(), w, rows, band.data());
        return band;
      });
    }
  }
}

// Lines put back as columns: every group size, row counts around the groups of four, and the
// last columns of a row, past which no spare byte may spill.
TEST(ResamplePaths, ColumnsPutBackAreIdenticalOnEveryPath) {
  const size_t stride = PutLineStride(32 * 3);
  const Pixels lines = Random(int(stride), kPutColumns, 11);
  for (int width : {1, 3, 4, 5, 6, 9, 10}) {
    for (int rows : {1, 3, 4, 5, 9, 13, 32}) {
      ExpectSameOnEveryPath("putting into " + std::to_string(width) + " x " + std::to_string(rows),
                            [&] {
                              Pixels picture(size_t(width) * size_t(rows) * 3 + 16, 7);
                              for (int u = 0; u < width; u += kPutColumns) {
                                const int n = std::min(kPutColumns, width - u);
                                PutColumns<3>(lines.data(), stride, n, rows,
                                              picture.data() + size_t(u) * 3, size_t(width) * 3,
                                              width - u - n);
                              }
                              return picture;
                            });
    }
  }
}

TEST(ResamplePaths, LanczosIsIdenticalOnEveryPath) {
  std::vector<std::pair<int, int>> sizes = KernelTestSizes();
  sizes.push_back({300, 9});  // down to one pixel: hundreds of lines for each output
  unsigned seed = 3;
  for (const auto& size : sizes) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (const auto& target : Targets(w, h)) {
      // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
      const int W = target.first, H = target.second;
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

// The Lanczos resample written the plain way: each pass walks its lines directly, summing the
// contributions in order (a line of equal contributing values keeps that value, the others round
// half away from zero and clamp).
uint8_t Settle(const std::vector<uint8_t>& values, double sum) {
  bool flat = true;
  for (uint8_t v : values) flat = flat && v == values[0];
  if (flat) return values[0];
  if (!(sum > 0.0)) return 0;
  if (sum >= 255.0) return 255;
  const int i = int(sum);
  return uint8_t(sum - i >= 0.5 ? i + 1 : i);
}

Pixels PlainLanczos(const Pixels& src, int w, int h, int W, int H, int bpp) {
  ResampleContributions hc, vc;
  EXPECT_TRUE(BuildResampleContributions(w, W, hc));
  EXPECT_TRUE(BuildResampleContributions(h, H, vc));
  const auto pass = [&](const ResampleContributions& c, int u, auto value) {
    std::vector<uint8_t> values;
    double sum = 0;
    for (int k = 0; k < c.count[size_t(u)]; ++k) {
      const size_t at = size_t(c.offset[size_t(u)] + k);
      const uint8_t v = value(c.index[at]);
      values.push_back(v);
      sum = k == 0 ? c.weight[at] * v : sum + c.weight[at] * v;
    }
    return Settle(values, sum);
  };
  Pixels mid(size_t(W) * size_t(h) * size_t(bpp)), out(size_t(W) * size_t(H) * size_t(bpp));
  for (int y = 0; y < h; ++y)
    for (int u = 0; u < W; ++u)
      for (int b = 0; b < bpp; ++b)
        mid[(size_t(y) * W + u) * bpp + b] =
            pass(hc, u, [&](int x) { return src[(size_t(y) * w + x) * bpp + b]; });
  for (int v = 0; v < H; ++v)
    for (int x = 0; x < W; ++x)
      for (int b = 0; b < bpp; ++b)
        out[(size_t(v) * W + x) * bpp + b] =
            pass(vc, v, [&](int y) { return mid[(size_t(y) * W + x) * bpp + b]; });
  return out;
}

// Wide pictures whose rows are turned in several tiles and bands, with a partial last tile and
// band; tall ones whose intermediate rows pass through the ring of kept rows (halving, growing,
// an odd ratio, a ring just shorter than the picture); on every path.
TEST(ResamplePaths, LanczosMatchesThePlainTwoPassWalk) {
  struct Shape {
    int w, h, W, H, bpp;
  };
  unsigned seed = 70;
  for (Shape s : {Shape{150, 40, 75, 20, 3}, Shape{131, 37, 200, 45, 3}, Shape{97, 33, 40, 70, 1},
                  Shape{129, 35, 64, 17, 4}, Shape{70, 66, 33, 65, 2}, Shape{60, 200, 30, 100, 3},
                  Shape{40, 150, 53, 310, 1}, Shape{37, 333, 20, 97, 4}, Shape{9, 65, 9, 33, 3},
                  Shape{11, 97, 5, 7, 2},
                  // Hundreds of contributing columns and rows for each output pixel.
                  Shape{700, 420, 2, 3, 3}}) {
    const unsigned sd = seed++;
    Pixels src = Random(s.w * s.bpp, s.h, sd, sd % 2 ? 256 : 3);
    const Pixels expected = PlainLanczos(src, s.w, s.h, s.W, s.H, s.bpp);
    for (KernelTarget p : SupportedKernelPaths()) {
      ScopedKernelTarget force(p);
      Pixels dst(expected.size());
      ASSERT_EQ(ResampleImage(src.data(), s.w, s.h, dst.data(), s.W, s.H, s.bpp, kLanczos3Kernel),
                kGeometryOk);
      EXPECT_TRUE(dst == expected) << Case(s.w, s.h, s.W, s.H, s.bpp) << " on the "
                                   << KernelTargetName(p) << " path";
    }
  }
}

// The line kernels take any number of lines on every vector target: several hundred lines with
// some zero weights, flat and varied bytes, against the plain sums.
TEST(ResamplePaths, LineKernelsTakeAnyNumberOfLines) {
  constexpr int kLines = 300;
  constexpr size_t kCount = 77, kStride = 80;
  Pixels bytes = Random(int(kStride), kLines, 12, 256);
  for (size_t o = 0; o < 20; ++o)  // a flat run: every line has the same byte there
    for (int k = 0; k < kLines; ++k) bytes[size_t(k) * kStride + o] = 140;
  std::vector<int> index(kLines);
  std::vector<double> weight(kLines);
  std::vector<float> floatWeight(kLines);
  for (int k = 0; k < kLines; ++k) {
    index[size_t(k)] = (k * 7) % kLines;  // out of order, as mirrored edges are
    weight[size_t(k)] = k % 11 == 0 ? 0.0 : (k % 5 - 2) * 0.0071 + 1.0 / kLines;
    floatWeight[size_t(k)] = k % 13 == 0 ? 0.f : float(1.0 / kLines);
  }
  Pixels lanczos(kCount), bilinear(kCount);
  for (size_t o = 0; o < kCount; ++o) {
    std::vector<uint8_t> values;
    double sum = 0;
    float fsum = 0.f;
    for (int k = 0; k < kLines; ++k) {
      const uint8_t v = bytes[size_t(index[size_t(k)]) * kStride + o];
      values.push_back(v);
      sum = k == 0 ? weight[0] * v : sum + weight[size_t(k)] * v;
      fsum += floatWeight[size_t(k)] * float(bytes[size_t(k) * kStride + o]);
    }
    lanczos[o] = Settle(values, sum);
    const int rounded = int(double(fsum) + 0.5);
    bilinear[o] = uint8_t(std::clamp(rounded, 0, 255));
  }
  for (KernelTarget t : SupportedKernelPaths()) {
    if (t == kReferenceKernels) continue;
    ScopedKernelTarget force(t);
    Pixels out(kCount, 9);
    ASSERT_TRUE(ResampleLineVector(bytes.data(), kStride, index.data(), weight.data(), kLines,
                                   kCount, out.data()));
    EXPECT_TRUE(out == lanczos) << "Lanczos on the " << KernelTargetName(t) << " target";
    ASSERT_TRUE(ScaleLineVector(bytes.data(), kStride, 0, floatWeight.data(), kLines, kCount,
                                out.data()));
    EXPECT_TRUE(out == bilinear) << "bilinear on the " << KernelTargetName(t) << " target";
  }
}

TEST(ResamplePaths, BilinearIsIdenticalOnEveryPath) {
  std::vector<std::pair<int, int>> sizes = KernelTestSizes();
  sizes.push_back({2000, 3});  // down to a few pixels: thousands of lines for each output
  sizes.push_back({100, 70});  // several bands of rows
  unsigned seed = 40;
  for (const auto& size : sizes) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (const auto& target : Targets(w, h)) {
      // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
      const int W = target.first, H = target.second;
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
