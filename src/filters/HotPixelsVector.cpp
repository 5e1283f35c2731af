// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the hot-pixel filter, compiled once per vector target through Highway's
// foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/HotPixelsVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "filters/HotPixelsVector.h"
#include "filters/KernelPath.h"
#include "filters/NoiseRemovalVector.h"
#include "platform/CheckedMath.h"
#include "platform/RowBands.h"

#ifndef ORV_HOT_PIXELS_VECTOR_SHARED
#define ORV_HOT_PIXELS_VECTOR_SHARED
namespace orv::hot_pixels_shared {

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

// The scalar path's formulas on one pixel's channel: moved = trunc(s (1 - t) + m t) with
// t = min(level / 12, 1); out = trunc(min(moved, s) alpha + d (1 - alpha)).
inline uint8_t PullOne(int s, int m, int d, int level, double alpha) {
  double t = std::min(level / 12.0, 1.0);
  int moved = int(s * (1 - t) + m * t);
  int darker = std::min(moved, s);
  return uint8_t(int(darker * alpha + d * (1 - alpha)));
}

// One output row's work: the window's rows of each channel plane (row y - half + k at
// window[c][k]; window[c][half] is the row's own), and the band's scratch.
struct RowWork {
  int width, wi, half;
  const uint8_t* window[3][9];
  uint8_t* cols;    // wi rows of width bytes: the sorted columns
  uint8_t* med[3];  // the row's medians per channel
};

// The network on single bytes, for rows narrower than a vector.
inline void RunNetwork(const Network& net, uint8_t* v) {
  for (int i = 0; i < net.count; ++i) {
    uint8_t& a = v[net.lo[i]];
    uint8_t& b = v[net.hi[i]];
    const uint8_t lo = std::min(a, b), hi = std::max(a, b);
    a = lo;
    b = hi;
  }
}

template <int WI>
inline void SortColumn(const RowWork& r, int c, int x) {
  const size_t w = size_t(r.width);
  uint8_t v[WI];
  for (int k = 0; k < WI; ++k) v[k] = r.window[c][k][x];
  RunNetwork(Networks<WI>::kColumn, v);
  for (int k = 0; k < WI; ++k) r.cols[size_t(k) * w + size_t(x)] = v[k];
}

template <int WI>
inline void MedianOne(const RowWork& r, uint8_t* med, int x) {
  const size_t w = size_t(r.width);
  uint8_t v[WI * WI];
  for (int dx = 0; dx < WI; ++dx)
    for (int k = 0; k < WI; ++k) v[dx * WI + k] = r.cols[size_t(k) * w + size_t(x + dx - WI / 2)];
  RunNetwork(Networks<WI>::kMedian, v);
  med[x] = v[Networks<WI>::kMedian.medianWire];
}

}  // namespace orv::hot_pixels_shared
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace hot_pixels_shared;

#if ORV_FALLBACK_TARGET
// Never chosen: without a vector target the reference code runs. The byte networks give the
// same medians, so this is still the whole filter.
void RowV(RowWork& r, uint8_t* d, double alpha) {
  const int half = r.half, width = r.width;
  for (int c = 0; c < 3; ++c) {
    const auto run = [&]<int WI>() {
      for (int x = 0; x < width; ++x) SortColumn<WI>(r, c, x);
      for (int x = half; x < width - half; ++x) MedianOne<WI>(r, r.med[c], x);
    };
    switch (r.wi) {
      case 3: run.template operator()<3>(); break;
      case 5: run.template operator()<5>(); break;
      case 7: run.template operator()<7>(); break;
      default: run.template operator()<9>(); break;
    }
  }
  const uint8_t* s[3] = {r.window[0][half], r.window[1][half], r.window[2][half]};
  for (int x = half; x < width - half; ++x) {
    int sum = (s[0][x] + s[1][x] + s[2][x]) / 3 - (r.med[0][x] + r.med[1][x] + r.med[2][x]) / 3;
    int level = std::min(sum < 0 ? -sum : sum, 12);
    for (int c = 0; c < 3; ++c)
      d[3 * x + c] = PullOne(s[c][x], r.med[c][x], d[3 * x + c], level, alpha);
  }
}
#else
using D8 = hn::ScalableTag<uint8_t>;
using V8 = hn::Vec<D8>;

// Count wires of one byte vector each. Fixed-width vectors live in an array, so that after
// inlining every wire of the straight-line network stays in a register; scalable vectors cannot
// be array elements and live in memory.
template <int Count>
struct Wires {
  // Declared here, in the target's attribute region: the implicit one would be built without
  // the target's instruction set and could not construct its vectors.
  HWY_INLINE Wires() {}
#if HWY_HAVE_SCALABLE
  HWY_ALIGN uint8_t mem[Count][HWY_MAX_BYTES];
  HWY_INLINE V8 Get(int k) const { return hn::Load(D8(), mem[k]); }
  HWY_INLINE void Put(int k, V8 v) { hn::Store(v, D8(), mem[k]); }
#else
  V8 v[Count];
  HWY_INLINE V8 Get(int k) const { return v[k]; }
  HWY_INLINE void Put(int k, V8 x) { v[k] = x; }
#endif
  HWY_INLINE void Order(int a, int b) {
    const V8 x = Get(a), y = Get(b);
    Put(a, hn::Min(x, y));
    Put(b, hn::Max(x, y));
  }
};

// The comparators [Base, Base + sizeof...(I)) as straight-line code.
template <const Network& Net, size_t Base, int Count, size_t... I>
HWY_INLINE void RunComparators(Wires<Count>& w, std::index_sequence<I...>) {
  (w.Order(Net.lo[Base + I], Net.hi[Base + I]), ...);
}

// The whole network from comparator Base on, in chunks that stay within the compilers' limits on
// the length of one fold expression.
template <const Network& Net, size_t Base = 0, int Count>
HWY_INLINE void RunNetworkV(Wires<Count>& w) {
  constexpr size_t kTotal = size_t(Net.count), kChunk = 200;
  if constexpr (Base < kTotal) {
    constexpr size_t n = kTotal - Base < kChunk ? kTotal - Base : kChunk;
    RunComparators<Net, Base>(w, std::make_index_sequence<n>());
    RunNetworkV<Net, Base + n>(w);
  }
}

// The sorted columns of channel c's window rows at columns [x, x + lanes).
template <int WI>
HWY_INLINE void SortColumns(const RowWork& r, int c, int x) {
  const D8 d;
  const size_t w = size_t(r.width);
  Wires<WI> v;
  for (int k = 0; k < WI; ++k) v.Put(k, hn::LoadU(d, r.window[c][k] + x));
  RunNetworkV<Networks<WI>::kColumn>(v);
  for (int k = 0; k < WI; ++k) hn::StoreU(v.Get(k), d, r.cols + size_t(k) * w + x);
}

// The medians of the windows centred on columns [x, x + lanes).
template <int WI>
HWY_INLINE void MedianBlock(const RowWork& r, uint8_t* med, int x) {
  const D8 d;
  const size_t w = size_t(r.width);
  Wires<WI * WI> v;
  for (int dx = 0; dx < WI; ++dx)
    for (int k = 0; k < WI; ++k)
      v.Put(dx * WI + k, hn::LoadU(d, r.cols + size_t(k) * w + x + dx - WI / 2));
  RunNetworkV<Networks<WI>::kMedian>(v);
  hn::StoreU(v.Get(Networks<WI>::kMedian.medianWire), d, med + x);
}

// The row's medians of channel c. Blocks that would pass the end are moved left to end on the
// last column; the overlap is recomputed with the same result. Rows narrower than a vector take
// one byte at a time.
template <int WI>
HWY_NOINLINE void RowMedians(RowWork& r, int c) {
  const int N = int(hn::Lanes(D8()));
  const int width = r.width, half = WI / 2;
  if (width < N + 2 * half) {
    for (int x = 0; x < width; ++x) SortColumn<WI>(r, c, x);
    for (int x = half; x < width - half; ++x) MedianOne<WI>(r, r.med[c], x);
    return;
  }
  for (int x0 = 0; x0 < width; x0 += N) SortColumns<WI>(r, c, std::min(x0, width - N));
  const int first = half, last = width - half;  // output columns [first, last)
  for (int x0 = first; x0 < last; x0 += N) MedianBlock<WI>(r, r.med[c], std::min(x0, last - N));
}

// The pull of the row's interior pixels into the interleaved destination row d: a byte vector's
// worth of pixels is split into channels, and the pull runs a double vector's worth at a time
// with the reference's double operations in its order (no product fused into a sum).
void PullRow(const RowWork& r, uint8_t* HWY_RESTRICT d, double alpha) {
  const D8 d8;
  const hn::ScalableTag<double> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> db;
  const int N = int(hn::Lanes(d8)), F = int(hn::Lanes(df));
  const int half = r.half, last = r.width - half;
  const uint8_t* s[3] = {r.window[0][half], r.window[1][half], r.window[2][half]};
  const auto alphaV = hn::Set(df, alpha), restV = hn::Set(df, 1 - alpha);
  const auto one = hn::Set(df, 1.0), twelve = hn::Set(df, 12.0);
  const auto third = hn::Set(di, 43691), levelCap = hn::Set(di, 12);
  HWY_ALIGN uint8_t dch[3][HWY_MAX_BYTES], outch[3][HWY_MAX_BYTES];
  const auto widen = [&](const uint8_t* p) HWY_ATTR { return hn::PromoteTo(di, hn::LoadU(db, p)); };
  int x = half;
  for (; x + N <= last; x += N) {
    V8 d0, d1, d2;
    hn::LoadInterleaved3(d8, d + 3 * size_t(x), d0, d1, d2);
    hn::Store(d0, d8, dch[0]);
    hn::Store(d1, d8, dch[1]);
    hn::Store(d2, d8, dch[2]);
    for (int g = 0; g < N; g += F) {
      const int xg = x + g;
      // Sums of three bytes are below 2^16, where x * 43691 >> 17 is x / 3.
      const auto ss = hn::Add(hn::Add(widen(s[0] + xg), widen(s[1] + xg)), widen(s[2] + xg));
      const auto ms = hn::Add(hn::Add(widen(r.med[0] + xg), widen(r.med[1] + xg)),
                              widen(r.med[2] + xg));
      const auto diff = hn::Sub(hn::ShiftRight<17>(hn::Mul(ss, third)),
                                hn::ShiftRight<17>(hn::Mul(ms, third)));
      const auto level = hn::Min(hn::Abs(diff), levelCap);
      auto t = hn::Div(hn::PromoteTo(df, level), twelve);
      t = hn::IfThenElse(hn::Lt(t, one), t, one);
      const auto keep = hn::Sub(one, t);
      for (int c = 0; c < 3; ++c) {
        const auto sv = widen(s[c] + xg);
        const auto moved = hn::DemoteTo(
            di, hn::Add(hn::Mul(hn::PromoteTo(df, sv), keep),
                        hn::Mul(hn::PromoteTo(df, widen(r.med[c] + xg)), t)));
        const auto darker = hn::Min(moved, sv);
        const auto pulled =
            hn::DemoteTo(di, hn::Add(hn::Mul(hn::PromoteTo(df, darker), alphaV),
                                     hn::Mul(hn::PromoteTo(df, widen(dch[c] + g)), restV)));
        hn::Store(hn::DemoteTo(db, pulled), db, outch[c] + g);
      }
    }
    hn::StoreInterleaved3(hn::Load(d8, outch[0]), hn::Load(d8, outch[1]), hn::Load(d8, outch[2]),
                          d8, d + 3 * size_t(x));
  }
  for (; x < last; ++x) {
    int sum = (s[0][x] + s[1][x] + s[2][x]) / 3 - (r.med[0][x] + r.med[1][x] + r.med[2][x]) / 3;
    int level = std::min(sum < 0 ? -sum : sum, 12);
    for (int c = 0; c < 3; ++c)
      d[3 * x + c] = PullOne(s[c][x], r.med[c][x], d[3 * x + c], level, alpha);
  }
}

template <int WI>
void Row(RowWork& r, uint8_t* d, double alpha) {
  for (int c = 0; c < 3; ++c) RowMedians<WI>(r, c);
  PullRow(r, d, alpha);
}

void RowV(RowWork& r, uint8_t* d, double alpha) {
  switch (r.wi) {
    case 3:
      return Row<3>(r, d, alpha);
    case 5:
      return Row<5>(r, d, alpha);
    case 7:
      return Row<7>(r, d, alpha);
    default:
      return Row<9>(r, d, alpha);
  }
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(RowV);

bool RemoveHotPixelsVector(uint8_t* dst, int width, int height, const uint8_t* src, double alpha,
                           int wi) {
  using hot_pixels_shared::RowWork;
  const size_t w = size_t(width), rowBytes = 3 * w;
  // Output rows [half, height - half) in bands. A band holds its window's rows as channel planes
  // in a ring of wi rows, each split from src just before the first row that reads it, so the
  // planes stay in the cache and no picture-sized copy is made. src may be dst: within a band a
  // row is split before the band writes it, and the rows a band reads beyond its own (half
  // above and half below, which its neighbours write) are copied before any band starts.
  const int half = wi / 2;
  const RowBandCut cut = CutRowBands(half, height - half, kHotPixelBandRows);
  // Per band: the ring, the sorted columns (wi rows), the medians (three rows) and the copies
  // of the rows around it.
  const size_t ringBytes = size_t(wi) * rowBytes, scratchBytes = size_t(wi) * w + 3 * w;
  const size_t aroundBytes = size_t(2 * half) * rowBytes;
  const size_t bandBytes = ringBytes + scratchBytes + aroundBytes;
  size_t workBytes = 0;
  if (!CheckedMul(bandBytes, size_t(cut.count), workBytes)) return false;
  std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[workBytes]);
  if (!work) return false;
  const auto bandWork = [&](int k) { return work.get() + bandBytes * size_t(k); };
  for (int k = 0; k < cut.count; ++k) {
    uint8_t* around = bandWork(k) + ringBytes + scratchBytes;
    std::memcpy(around, src + size_t(cut.From(k) - half) * rowBytes, size_t(half) * rowBytes);
    std::memcpy(around + size_t(half) * rowBytes, src + size_t(cut.To(k)) * rowBytes,
                size_t(half) * rowBytes);
  }
  RunRowBands(cut, [&](int k, int from, int to) {
    uint8_t* const mine = bandWork(k);
    const uint8_t* const around = mine + ringBytes + scratchBytes;
    // Picture row y lives in ring slot y mod wi, its channel c at plane(y, c).
    const auto plane = [&](int y, int c) { return mine + (size_t(y % wi) * 3 + size_t(c)) * w; };
    const auto split = [&](int y) {
      const uint8_t* pixels = y < from ? around + size_t(y - (from - half)) * rowBytes
                              : y >= to ? around + size_t(half + y - to) * rowBytes
                                        : src + size_t(y) * rowBytes;
      uint8_t* const p[3] = {plane(y, 0), plane(y, 1), plane(y, 2)};
      SplitChannels(pixels, w, p);
    };
    RowWork r{};
    r.width = width;
    r.wi = wi;
    r.half = half;
    r.cols = mine + ringBytes;
    for (int c = 0; c < 3; ++c) r.med[c] = r.cols + size_t(wi) * w + size_t(c) * w;
    for (int y = from - half; y < from + half; ++y) split(y);
    for (int y = from; y < to; ++y) {
      split(y + half);
      for (int c = 0; c < 3; ++c)
        for (int row = 0; row < wi; ++row) r.window[c][row] = plane(y - half + row, c);
      HWY_DYNAMIC_DISPATCH(RowV)(r, dst + size_t(y) * rowBytes, alpha);
    }
  });
  return true;
}

}  // namespace orv
#endif
