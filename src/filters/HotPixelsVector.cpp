// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/HotPixelsVector.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "filters/ChannelShuffle.h"
#include "filters/LaneOps.h"

// The vector helpers are always inlined into one function per instruction set, so no vector
// crosses a call between functions built for different sets; the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orv {
namespace {

// Comparator networks, built at compile time so that the kernels below are straight-line code
// whose wires live in vector registers.
constexpr int kMaxOps = 700;

struct Network {
  int count = 0;
  uint8_t lo[kMaxOps] = {};  // wires compared; the smaller value goes to lo
  uint8_t hi[kMaxOps] = {};
  int medianWire = 0;
  constexpr void Add(int a, int b) {
    lo[count] = uint8_t(a);
    hi[count] = uint8_t(b);
    ++count;
  }
};

// Batcher's odd-even merge sort of wires 0..n-1.
constexpr Network SortNetwork(int n) {
  Network out;
  for (int p = 1; p < n; p *= 2)
    for (int k = p; k >= 1; k /= 2)
      for (int j = k % p; j <= n - 1 - k; j += 2 * k)
        for (int i = 0; i <= std::min(k - 1, n - j - k - 1); ++i)
          if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) out.Add(i + j, i + j + k);
  return out;
}

// Batcher's odd-even merge of two sorted wire sequences of any lengths; returns the merged
// sequence (wire ids in ascending value order).
constexpr std::vector<int> Merge(const std::vector<int>& a, const std::vector<int>& b,
                                 Network& out) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  if (a.size() == 1 && b.size() == 1) {
    out.Add(a[0], b[0]);
    return {a[0], b[0]};
  }
  std::vector<int> ae, ao, be, bo;
  for (size_t i = 0; i < a.size(); ++i) (i % 2 ? ao : ae).push_back(a[i]);
  for (size_t i = 0; i < b.size(); ++i) (i % 2 ? bo : be).push_back(b[i]);
  std::vector<int> v = Merge(ae, be, out), w = Merge(ao, bo, out);
  // v holds 0, 1 or 2 more of the smallest values than w: v0 is the minimum, then each pair
  // (w[i], v[i + 1]) is ordered.
  std::vector<int> merged{v[0]};
  size_t i = 0;
  for (; i < w.size() && i + 1 < v.size(); ++i) {
    out.Add(w[i], v[i + 1]);
    merged.push_back(w[i]);
    merged.push_back(v[i + 1]);
  }
  for (; i < w.size(); ++i) merged.push_back(w[i]);
  for (size_t k = i + 1; k < v.size(); ++k) merged.push_back(v[k]);
  return merged;
}

// The median of wi sorted columns (wire dx * wi + rank), merged as a balanced tree and pruned
// to the comparators that reach the median.
constexpr Network ColumnMedianNetwork(int wi) {
  std::vector<std::vector<int>> runs;
  for (int dx = 0; dx < wi; ++dx) {
    std::vector<int> run;
    for (int r = 0; r < wi; ++r) run.push_back(dx * wi + r);
    runs.push_back(run);
  }
  Network all;
  while (runs.size() > 1) {
    std::vector<std::vector<int>> next;
    for (size_t i = 0; i + 1 < runs.size(); i += 2)
      next.push_back(Merge(runs[i], runs[i + 1], all));
    if (runs.size() % 2) next.push_back(runs.back());
    runs = next;
  }
  const int median = runs[0][size_t(wi * wi - 1) / 2];
  bool needed[81] = {};
  needed[median] = true;
  Network kept;
  for (int c = all.count - 1; c >= 0; --c) {
    if (!needed[all.lo[c]] && !needed[all.hi[c]]) continue;
    kept.Add(all.lo[c], all.hi[c]);
    needed[all.lo[c]] = needed[all.hi[c]] = true;
  }
  Network out;
  for (int c = kept.count - 1; c >= 0; --c) out.Add(kept.lo[c], kept.hi[c]);
  out.medianWire = median;
  return out;
}

template <int WI>
struct Networks {
  static constexpr Network kColumn = SortNetwork(WI);
  static constexpr Network kMedian = ColumnMedianNetwork(WI);
};

template <typename V>
[[gnu::always_inline]] inline void Order(V& a, V& b) {
  V lo = a < b ? a : b;
  b = a < b ? b : a;
  a = lo;
}

template <typename V, const Network& Net, size_t... I>
[[gnu::always_inline]] inline void RunNetwork(V* v, std::index_sequence<I...>) {
  (Order(v[Net.lo[I]], v[Net.hi[I]]), ...);
}

template <typename V, const Network& Net>
[[gnu::always_inline]] inline void RunNetwork(V* v) {
  RunNetwork<V, Net>(v, std::make_index_sequence<size_t(Net.count)>());
}

using lanes::D8;
using lanes::I8;
using lanes::U8;

template <typename V>
[[gnu::always_inline]] inline V LoadV(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The scalar path's formulas on one pixel's channel: moved = trunc(s (1 - t) + m t) with
// t = min(level / 12, 1); out = trunc(min(moved, s) alpha + d (1 - alpha)).
inline uint8_t PullOne(int s, int m, int d, int level, double alpha) {
  double t = std::min(level / 12.0, 1.0);
  int moved = int(s * (1 - t) + m * t);
  int darker = std::min(moved, s);
  return uint8_t(int(darker * alpha + d * (1 - alpha)));
}

struct RowWork {
  int width, height, wi, half;
  const uint8_t* plane[3];
  uint8_t* cols;    // wi rows of width bytes: the sorted columns
  uint8_t* med[3];  // the row's medians per channel
};

template <typename V>
[[gnu::always_inline]] inline V LoadBytes(const uint8_t* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The sorted columns of rows y - half .. y + half at columns [x, x + lanes of V).
template <typename V, int WI>
[[gnu::always_inline]] inline void SortColumns(const RowWork& r, const uint8_t* plane, int y,
                                               int x) {
  const size_t w = size_t(r.width);
  V v[WI];
  for (int k = 0; k < WI; ++k) v[k] = LoadBytes<V>(plane + size_t(y - WI / 2 + k) * w + x);
  RunNetwork<V, Networks<WI>::kColumn>(v);
  for (int k = 0; k < WI; ++k) std::memcpy(r.cols + size_t(k) * w + x, &v[k], sizeof(V));
}

// The medians of the windows centred on columns [x, x + lanes of V).
template <typename V, int WI>
[[gnu::always_inline]] inline void MedianBlock(const RowWork& r, uint8_t* med, int x) {
  const size_t w = size_t(r.width);
  V v[WI * WI];
  for (int dx = 0; dx < WI; ++dx)
    for (int k = 0; k < WI; ++k)
      v[dx * WI + k] = LoadBytes<V>(r.cols + size_t(k) * w + x + dx - WI / 2);
  RunNetwork<V, Networks<WI>::kMedian>(v);
  std::memcpy(med + x, &v[Networks<WI>::kMedian.medianWire], sizeof(V));
}

// Row y's medians of channel c. Blocks that would pass the end are moved left to end on the
// last column; the overlap is recomputed with the same result. Rows narrower than a vector take
// one byte at a time.
template <typename V, int WI>
[[gnu::always_inline]] inline void RowMediansV(RowWork& r, int y, int c) {
  constexpr int N = sizeof(V);
  const int width = r.width, half = WI / 2;
  if (width < N + 2 * half) {
    for (int x = 0; x < width; ++x) SortColumns<uint8_t, WI>(r, r.plane[c], y, x);
    for (int x = half; x < width - half; ++x) MedianBlock<uint8_t, WI>(r, r.med[c], x);
    return;
  }
  for (int x0 = 0; x0 < width; x0 += N)
    SortColumns<V, WI>(r, r.plane[c], y, std::min(x0, width - N));
  const int first = half, last = width - half;  // output columns [first, last)
  for (int x0 = first; x0 < last; x0 += N) MedianBlock<V, WI>(r, r.med[c], std::min(x0, last - N));
}

// The pull of one row's interior pixels into the interleaved destination row, per instruction
// set.
using PullRowFn = void (*)(const RowWork& r, int y, uint8_t* d, double alpha);

template <typename V, int WI, PullRowFn Pull>
[[gnu::always_inline]] inline void Rows(RowWork& r, uint8_t* dst, double alpha) {
  const int half = r.half;
  for (int y = half; y < r.height - half; ++y) {
    for (int c = 0; c < 3; ++c) RowMediansV<V, WI>(r, y, c);
    Pull(r, y, dst + size_t(y) * size_t(r.width) * 3, alpha);
  }
}

typedef uint8_t B32 __attribute__((vector_size(32)));
typedef uint8_t B64 __attribute__((vector_size(64)));

template <typename V, PullRowFn Pull>
[[gnu::always_inline]] inline void RowsFor(RowWork& r, uint8_t* dst, double alpha) {
  switch (r.wi) {
    case 3:
      return Rows<V, 3, Pull>(r, dst, alpha);
    case 5:
      return Rows<V, 5, Pull>(r, dst, alpha);
    case 7:
      return Rows<V, 7, Pull>(r, dst, alpha);
    default:
      return Rows<V, 9, Pull>(r, dst, alpha);
  }
}

}  // namespace

#if ORV_HAVE_KERNEL_TARGETS

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace hot_pixels_avx2 {
namespace {

using Ops = lanes::Avx2;

#include "filters/HotPixelsPull.inc"

void RowsAvx2(RowWork& r, uint8_t* dst, double alpha) {
  RowsFor<B32, PullRow>(r, dst, alpha);
}

}  // namespace
}  // namespace hot_pixels_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
namespace hot_pixels_avx512 {
namespace {

using Ops = lanes::Avx512;

#include "filters/HotPixelsPull.inc"

void RowsAvx512(RowWork& r, uint8_t* dst, double alpha) {
  RowsFor<B64, PullRow>(r, dst, alpha);
}

}  // namespace
}  // namespace hot_pixels_avx512
#pragma GCC pop_options

#endif  // ORV_HAVE_KERNEL_TARGETS

bool RemoveHotPixelsVector(uint8_t* dst, int width, int height, const uint8_t* src, double alpha,
                           int wi, KernelPath path) {
  const size_t pixels = size_t(width) * size_t(height), w = size_t(width);
  std::unique_ptr<uint8_t[]> planes(new (std::nothrow) uint8_t[pixels * 3]);
  std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size_t(wi) * w + 3 * w]);
  if (!planes || !scratch) return false;
  RowWork r{};
  r.width = width;
  r.height = height;
  r.wi = wi;
  r.half = wi / 2;
  uint8_t* const plane[3] = {planes.get(), planes.get() + pixels, planes.get() + 2 * pixels};
  for (int c = 0; c < 3; ++c) r.plane[c] = plane[c];
  r.cols = scratch.get();
  uint8_t* rest = r.cols + size_t(wi) * w;
  for (int c = 0; c < 3; ++c) r.med[c] = rest + size_t(c) * w;
#if ORV_HAVE_KERNEL_TARGETS
  if (path >= KernelPath::kAvx512) {
    SplitPixels(src, pixels, plane);
    hot_pixels_avx512::RowsAvx512(r, dst, alpha);
    return true;
  }
  if (path >= KernelPath::kAvx2) {
    SplitPixels(src, pixels, plane);
    hot_pixels_avx2::RowsAvx2(r, dst, alpha);
    return true;
  }
#endif
  (void)dst, (void)alpha;
  return false;
}

}  // namespace orv
