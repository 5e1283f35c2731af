// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/NeighbourFilter.h"

#include <algorithm>
#include <cstring>

#include "filters/ByteVectors.h"
#include "filters/FilterArgs.h"
#include "filters/KernelPath.h"
#include "filters/NeighbourVector.h"
#include "filters/VectorClones.h"

namespace orv {
namespace {

// The eight neighbours of byte i of a row: up/mid/down are the rows above, at and below (already
// replicated at the picture's top and bottom), l and r the byte offsets of the left and right
// neighbour of the same channel (0 at a replicated edge).
struct Rows {
  const uint8_t* up;
  const uint8_t* mid;
  const uint8_t* down;
};

inline int Sum8(const Rows& w, int i, int l, int r) {
  return w.up[i - l] + w.up[i] + w.up[i + r] + w.mid[i - l] + w.mid[i + r] + w.down[i - l] +
         w.down[i] + w.down[i + r];
}

inline uint8_t Sharpen(int c, int sum, double s) {
  double v = c - s * (sum - 8 * c);
  v = v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
  return uint8_t(int(v));
}

inline uint8_t Soften(int c, int sum, double s, double keep) {
  return uint8_t(int(s * (sum / 8) + keep * c));
}

inline void Order(uint8_t& a, uint8_t& b) {
  uint8_t lo = std::min(a, b), hi = std::max(a, b);
  a = lo;
  b = hi;
}

// The exact median of nine by the usual nineteen compare-exchanges.
inline uint8_t Median9(uint8_t p0, uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5,
                       uint8_t p6, uint8_t p7, uint8_t p8) {
  Order(p1, p2), Order(p4, p5), Order(p7, p8), Order(p0, p1), Order(p3, p4), Order(p6, p7);
  Order(p1, p2), Order(p4, p5), Order(p7, p8), Order(p0, p3), Order(p5, p8), Order(p4, p7);
  Order(p3, p6), Order(p1, p4), Order(p2, p5), Order(p4, p7), Order(p4, p2), Order(p6, p4);
  Order(p4, p2);
  return p4;
}

inline uint8_t Median(const Rows& w, int i, int l, int r) {
  return Median9(w.up[i - l], w.up[i], w.up[i + r], w.mid[i - l], w.mid[i], w.mid[i + r],
                 w.down[i - l], w.down[i], w.down[i + r]);
}

inline void Order(Bytes32& a, Bytes32& b) {
  OrderBytes(a, b);
}

// The median network on 32 bytes at a time, for the inside of a row (neighbours 3 bytes away).
// Returns the first byte it did not handle.
ORV_VECTOR_CLONES
int MedianBlock(const Rows& w, uint8_t* out, int from, int to) {
  int i = from;
  for (; i + 32 <= to; i += 32) {
    Bytes32 p0, p1, p2, p3, p4, p5, p6, p7, p8;
    LoadBytes(p0, w.up + i - 3), LoadBytes(p1, w.up + i), LoadBytes(p2, w.up + i + 3);
    LoadBytes(p3, w.mid + i - 3), LoadBytes(p4, w.mid + i), LoadBytes(p5, w.mid + i + 3);
    LoadBytes(p6, w.down + i - 3), LoadBytes(p7, w.down + i), LoadBytes(p8, w.down + i + 3);
    Order(p1, p2), Order(p4, p5), Order(p7, p8), Order(p0, p1), Order(p3, p4), Order(p6, p7);
    Order(p1, p2), Order(p4, p5), Order(p7, p8), Order(p0, p3), Order(p5, p8), Order(p4, p7);
    Order(p3, p6), Order(p1, p4), Order(p2, p5), Order(p4, p7), Order(p4, p2), Order(p6, p4);
    Order(p4, p2);
    StoreBytes(out + i, p4);
  }
  return i;
}

// Bytes [from, to) of one row with the given neighbour offsets. Inside the row both offsets are
// 3 and the loops vectorise; the edge pixels call this with a replicated side.
void FilterBytes(const Rows& w, uint8_t* __restrict out, int from, int to, int l, int r, int kind,
                 double s, KernelPath path = KernelPath::kScalar) {
  if (l == 3 && r == 3 && kind != kNeighbourMedian)
    from = NeighbourRowVector(path, w.up, w.mid, w.down, out, from, to, kind, s);
  if (kind == kNeighbourSharpen) {
    for (int i = from; i < to; ++i) out[i] = Sharpen(w.mid[i], Sum8(w, i, l, r), s);
  } else if (kind == kNeighbourSoften) {
    if (s == 1.0) {
      // 1 x mean + 0 x centre: the mean of the neighbours exactly.
      for (int i = from; i < to; ++i) out[i] = uint8_t(Sum8(w, i, l, r) >> 3);
    } else {
      const double keep = 1 - s;
      for (int i = from; i < to; ++i) out[i] = Soften(w.mid[i], Sum8(w, i, l, r), s, keep);
    }
  } else {
    int i = from;
    if (l == 3 && r == 3) i = MedianBlock(w, out, from, to);
    for (; i < to; ++i) out[i] = Median(w, i, l, r);
  }
}

}  // namespace

bool NeighbourFilter(const uint8_t* src, uint8_t* dst, int width, int height, int strength,
                     int kind, const ProgressHook* progress) {
  size_t bytes = 0;
  if (!PictureArgs(src, width, height, bytes) || !dst || src == dst) return false;
  if (kind != kNeighbourSharpen && kind != kNeighbourSoften && kind != kNeighbourMedian)
    return false;
  int a = std::clamp(strength, 0, 100);
  double s = kind == kNeighbourSharpen ? 0.005 * a : 0.01 * a;
  const size_t stride = size_t(width) * 3;
  const int n = int(stride);
  const KernelPath path = ActiveKernelPath();
  for (int y = 0; y < height; ++y) {
    Rows w{src + size_t(std::max(y - 1, 0)) * stride, src + size_t(y) * stride,
           src + size_t(std::min(y + 1, height - 1)) * stride};
    uint8_t* out = dst + size_t(y) * stride;
    if (kind != kNeighbourMedian && a == 0) {
      // s = 0: the centre exactly, for sharpen and soften alike.
      std::memcpy(out, w.mid, stride);
    } else if (width == 1) {
      FilterBytes(w, out, 0, 3, 0, 0, kind, s);
    } else {
      FilterBytes(w, out, 0, 3, 0, 3, kind, s);
      FilterBytes(w, out, 3, n - 3, 3, 3, kind, s, path);
      FilterBytes(w, out, n - 3, n, 3, 0, kind, s);
    }
    if (!ProgressContinues(progress, int((int64_t(y) + 1) * 100 / height))) return false;
  }
  return true;
}

}  // namespace orv
