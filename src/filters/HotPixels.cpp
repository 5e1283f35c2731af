// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Hot-pixel removal: every pixel brighter than the per-channel median of its window is pulled
// towards that median by an amount that grows with the difference, and never brightened.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "filters/FilterArgs.h"
#include "filters/HotPixelsVector.h"
#include "filters/ImageFilters.h"
#include "filters/KernelPath.h"
#include "filters/MedianSelect.h"
#include "platform/LargeBuffer.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

// The per-call products, so that the per-pixel work is table reads, additions and truncations
// that give exactly the double results of the formulas.
struct HotPixelTables {
  // keep[d][v] = v x (1 - t) and take[d][v] = v x t with t = d / 12 (d = 12 means t = 1).
  double keep[13][256];
  double take[13][256];
  // mixNew[v] = v x alpha, mixOld[v] = v x (1 - alpha).
  double mixNew[256];
  double mixOld[256];

  explicit HotPixelTables(double alpha) {
    for (int d = 0; d <= 12; ++d) {
      double t = std::min(d / 12.0, 1.0);
      for (int v = 0; v < 256; ++v) {
        keep[d][v] = v * (1 - t);
        take[d][v] = v * t;
      }
    }
    for (int v = 0; v < 256; ++v) {
      mixNew[v] = v * alpha;
      mixOld[v] = v * (1 - alpha);
    }
  }
};

// The medians of row y's interior pixels of one plane into med (indexed by x).
void RowMedians(const uint8_t* plane, int width, int y, int wi, const MedianNetwork* net,
                uint8_t* lanes, uint8_t* med) {
  const int half = wi / 2, count = wi * wi, lanesN = MedianNetwork::kLanes;
  const int first = half, last = width - half - 1;  // inclusive interior columns
  const int span = last - first + 1;
  if (span < lanesN) {
    // Too narrow for a full block of lanes: one window at a time.
    uint8_t window[MedianNetwork::kMaxInputs];
    for (int x = first; x <= last; ++x) {
      int k = 0;
      for (int dy = -half; dy <= half; ++dy) {
        const uint8_t* row = plane + size_t(y + dy) * size_t(width);
        for (int dx = -half; dx <= half; ++dx) window[k++] = row[x + dx];
      }
      med[x] = MedianSelect(window, count);
    }
    return;
  }
  for (int x0 = first; x0 <= last; x0 += lanesN) {
    // The last block is moved left to end on the last column; the overlap is recomputed with
    // the same result.
    int x = std::min(x0, last - lanesN + 1);
    int k = 0;
    for (int dy = -half; dy <= half; ++dy) {
      const uint8_t* row = plane + size_t(y + dy) * size_t(width) + x;
      for (int dx = -half; dx <= half; ++dx, ++k) std::memcpy(lanes + k * lanesN, row + dx, lanesN);
    }
    net->Select(lanes);
    std::memcpy(med + x, lanes + (count - 1) / 2 * lanesN, lanesN);
  }
}

}  // namespace

bool CImageFilters::RemoveHotPixels(uint8_t* dst, int width, int height, const uint8_t* src, int nt,
                                    int wi) {
  size_t bytes = 0;
  if (!PictureArgs(dst, width, height, bytes) || !src) return false;
  // Windows are centred on the pixel, so an even size has no centre: it is taken as the next
  // odd size (4 as 5, 6 as 7). Reading a 4 x 4 window "centred" on the last interior column
  // would reach one column past the picture.
  wi = std::clamp(wi, 3, 9);
  if (wi % 2 == 0) ++wi;
  const int half = (wi - 1) / 2;
  double alpha = std::clamp(nt / 255.0, 0.0, 1.0);
  // With alpha 0 every pixel is mixed back to its own value.
  if (alpha == 0.0) return true;
  if (width < wi || height < wi) return true;  // no pixel has a whole window
  if (!ReferenceKernelsForced()) return RemoveHotPixelsVector(dst, width, height, src, alpha, wi);

  const size_t pixels = size_t(width) * size_t(height);
  const RowBandCut cut = CutRowBands(half, height - half, kHotPixelBandRows);
  // Picture-sized: from the large buffers (huge pages, and the pages of a picture released a
  // moment ago), where a fresh block costs its 4 KiB page faults serially in the split.
  LargeBufferPtr planes = MakeLargeBuffer(pixels * 3);
  std::unique_ptr<uint8_t[]> medians(new (std::nothrow)
                                         uint8_t[size_t(width) * 3 * size_t(cut.count)]);
  std::unique_ptr<HotPixelTables> tables(new (std::nothrow) HotPixelTables(alpha));
  if (!planes || !medians || !tables) return false;
  uint8_t* plane[3] = {planes.get(), planes.get() + pixels, planes.get() + 2 * pixels};
  RunRowBands(0, height, kHotPixelBandRows, [&](int from, int to) {
    for (size_t i = size_t(from) * size_t(width); i < size_t(to) * size_t(width); ++i) {
      plane[0][i] = src[3 * i];
      plane[1][i] = src[3 * i + 1];
      plane[2][i] = src[3 * i + 2];
    }
  });
  const MedianNetwork* net = MedianNetwork::For(wi * wi);
  const HotPixelTables& t = *tables;

  // Each band has its own median rows and reads only the planes (src may be dst).
  RunRowBands(cut, [&](int k, int from, int to) {
    alignas(32) uint8_t lanes[MedianNetwork::kMaxInputs * MedianNetwork::kLanes];
    uint8_t* const mine = medians.get() + size_t(width) * 3 * size_t(k);
    uint8_t* med[3] = {mine, mine + width, mine + 2 * size_t(width)};
    for (int y = from; y < to; ++y) {
      for (int c = 0; c < 3; ++c) RowMedians(plane[c], width, y, wi, net, lanes, med[c]);
      const uint8_t* s = src + size_t(y) * size_t(width) * 3;
      uint8_t* d = dst + size_t(y) * size_t(width) * 3;
      for (int x = half; x < width - half; ++x) {
        const uint8_t* sp = s + size_t(x) * 3;
        uint8_t* dp = d + size_t(x) * 3;
        int m[3] = {med[0][x], med[1][x], med[2][x]};
        int diff = std::abs((sp[0] + sp[1] + sp[2]) / 3 - (m[0] + m[1] + m[2]) / 3);
        int level = std::min(diff, 12);
        for (int ch = 0; ch < 3; ++ch) {
          int moved = int(t.keep[level][sp[ch]] + t.take[level][m[ch]]);
          int darker = std::min(moved, int(sp[ch]));
          dp[ch] = uint8_t(int(t.mixNew[darker] + t.mixOld[dp[ch]]));
        }
      }
    }
  });
  return true;
}

}  // namespace orv
