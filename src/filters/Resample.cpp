// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/Resample.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <numbers>
#include <vector>

#include <hwy/aligned_allocator.h>

#include "filters/BandTurn.h"
#include "filters/KernelPath.h"
#include "filters/ResampleVector.h"
#include "imageio/GeometryResult.h"
#include "platform/CheckedMath.h"
#include "platform/LargeBuffer.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

constexpr double kSupport = 3.0;

// Mirrors an index that falls outside 0..n-1: below 0 about 0 (-j), at or above n about the last
// pixel (2n - j - 1). Lines shorter than the support can need the reflection more than once.
int Mirror(int j, int n) {
  while (j < 0 || j >= n) j = j < 0 ? -j : 2 * n - j - 1;
  return j;
}

// Rounds half away from zero and clamps to a byte. Values at or below 0 all end as 0, so only
// positive values need the rounding; v - trunc(v) is exact for them.
inline uint8_t ToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  const int i = int(v);
  return uint8_t(v - i >= 0.5 ? i + 1 : i);
}

// Byte values as doubles: a table read is cheaper than a conversion in the inner loops.
struct ByteDoubles {
  double v[256];
  ByteDoubles() {
    for (int i = 0; i < 256; ++i) v[i] = i;
  }
};
const ByteDoubles kByte;

// One destination line from whole source lines: every byte of the line sums the same byte of
// the contributing source lines, in contribution order; a byte whose contributing values are all
// equal keeps that value. Both passes run through here, so the inner loop is one contiguous
// multiply-add over a line that the compiler vectorises.
void ResampleRow(const uint8_t* mid, size_t rowBytes, const ResampleContributions& c, int v,
                 double* acc, uint8_t* flatMask, uint8_t* out) {
  const int* idx = c.index.data() + c.offset[size_t(v)];
  const double* wt = c.weight.data() + c.offset[size_t(v)];
  const int n = c.count[size_t(v)];
  if (ResampleLineVector(mid, rowBytes, idx, wt, n, rowBytes, out)) return;
  const uint8_t* first = mid + size_t(idx[0]) * rowBytes;
  // The first contribution starts the sums (0 + w x v is w x v) and the equality marks.
  const double w0 = wt[0];
  for (size_t x = 0; x < rowBytes; ++x) {
    acc[x] = w0 * first[x];
    flatMask[x] = 1;
  }
  for (int i = 1; i < n; ++i) {
    const uint8_t* row = mid + size_t(idx[i]) * rowBytes;
    const double w = wt[i];
    for (size_t x = 0; x < rowBytes; ++x) {
      acc[x] += w * row[x];
      flatMask[x] &= uint8_t(row[x] == first[x]);
    }
  }
  for (size_t x = 0; x < rowBytes; ++x) out[x] = flatMask[x] ? first[x] : ToByte(acc[x]);
}

// Rows handled together by the horizontal pass.
constexpr int kBand = 32;

// Working memory of the horizontal pass: a band of source rows turned so that each source
// column is one contiguous line, and one destination line.
struct BandBuffers {
  std::unique_ptr<uint8_t[]> band, line;
  // The vector path's band columns as doubles, for one run of destination columns at a time.
  // Cache-line aligned: the conversion's full-width stores would otherwise each straddle two
  // lines, which some processors take at half speed (the halving took 10 % longer).
  hwy::AlignedFreeUniquePtr<double[]> values;
  size_t valuesSize = 0;
  // The first and the last source line each run of destination columns reads: the same for
  // every band of the pass, so worked out at its first band.
  std::vector<int> runLo, runHi;
};

// Destination columns the vector path converts source columns for at a time: their sources
// overlap, so each column is converted about once and stays in the cache while it is summed.
constexpr int kValueRun = 32;

// The first and the last source line that destination lines [u0, u1) read; lo > hi when they
// read none.
void ReadSpan(const ResampleContributions& c, int u0, int u1, int& lo, int& hi) {
  lo = INT_MAX;
  hi = -1;
  for (int u = u0; u < u1; ++u)
    for (int k = 0; k < c.count[size_t(u)]; ++k) {
      const int j = c.index[size_t(c.offset[size_t(u)] + k)];
      lo = std::min(lo, j);
      hi = std::max(hi, j);
    }
}

// Converts the band columns that the run of destination columns from u0 (kValueRun of them, or
// to the picture's edge) reads into buf.values and returns the first of them; -1 when the
// reference code is forced or memory runs out.
int ConvertRun(const ResampleContributions& c, int u0, size_t lineBytes, BandBuffers& buf) {
  if (ReferenceKernelsForced()) return -1;
  if (buf.runLo.empty()) {
    const int columns = int(c.count.size());
    try {
      for (int r0 = 0; r0 < columns; r0 += kValueRun) {
        int lo, hi;
        ReadSpan(c, r0, std::min(columns, r0 + kValueRun), lo, hi);
        buf.runLo.push_back(lo);
        buf.runHi.push_back(hi);
      }
    } catch (const std::bad_alloc&) {
      buf.runLo.clear();
      buf.runHi.clear();
      return -1;
    }
  }
  const int lo = buf.runLo[size_t(u0 / kValueRun)], hi = buf.runHi[size_t(u0 / kValueRun)];
  if (hi < lo) return -1;
  const size_t need = size_t(hi - lo + 1) * lineBytes;
  if (need > buf.valuesSize) {
    buf.values = hwy::AllocateAligned<double>(need);
    buf.valuesSize = buf.values ? need : 0;
    if (!buf.values) return -1;
  }
  if (!BytesToDoublesVector(buf.band.get() + size_t(lo) * lineBytes, need,
                            buf.values.get()))
    return -1;
  return lo;
}

// The horizontal pass of one band of rows (from row y0): the band is turned so that a source
// column becomes a line of band-height pixels, every destination column is computed as a line by
// ResampleRow, and the pixels of each group of lines are put back into their rows of the
// intermediate picture, whose first row of the band is at bandOut.
template <int Bpp>
void HorizontalBand(const uint8_t* src, int w, int h, int y0, uint8_t* bandOut, int W,
                    const ResampleContributions& c, BandBuffers& buf, double* acc, uint8_t* flat) {
  const int rows = std::min(kBand, h - y0);  // h: the end of the rows wanted
  const size_t lineBytes = size_t(rows) * Bpp;
  TurnBand<Bpp>(src + size_t(y0) * size_t(w) * Bpp, w, rows, buf.band.get());
  const size_t lineStride = PutLineStride(size_t(kBand) * Bpp);
  for (int u0 = 0; u0 < W; u0 += kValueRun) {
    const int u1 = std::min(W, u0 + kValueRun);
    const int first = ConvertRun(c, u0, lineBytes, buf);
    for (int u = u0; u < u1; u += kPutColumns) {
      const int n = std::min(kPutColumns, u1 - u);
      for (int j = 0; j < n; ++j) {
        const size_t at = size_t(c.offset[size_t(u + j)]);
        uint8_t* line = buf.line.get() + size_t(j) * lineStride;
        if (first < 0 || !ResampleLineVectorFromDoubles(
                             buf.band.get(), buf.values.get(), first, lineBytes,
                             c.index.data() + at, c.weight.data() + at, c.count[size_t(u + j)],
                             lineBytes, line))
          ResampleRow(buf.band.get(), lineBytes, c, u + j, acc, flat, line);
      }
      PutColumns<Bpp>(buf.line.get(), lineStride, n, rows, bandOut + size_t(u) * Bpp,
                      size_t(W) * Bpp, W - u - n);
    }
  }
}

// The working memory of one pass over rows: the horizontal band and the sums of a line.
struct PassBuffers {
  BandBuffers band;
  std::unique_ptr<double[]> acc;
  std::unique_ptr<uint8_t[]> flat;
  bool Allocate(int w, int W, int bytesPerPixel) {
    const size_t rowBytes = size_t(W) * size_t(bytesPerPixel);
    const size_t bandLine = size_t(kBand) * size_t(bytesPerPixel);
    const size_t accBytes = std::max(rowBytes, bandLine);
    acc.reset(new (std::nothrow) double[accBytes]);
    flat.reset(new (std::nothrow) uint8_t[accBytes]);
    band.band.reset(new (std::nothrow) uint8_t[size_t(w) * bandLine]);
    band.line.reset(new (std::nothrow) uint8_t[kPutColumns * PutLineStride(bandLine)]);
    return acc && flat && band.band && band.line;
  }
};

// HorizontalBand for the picture's bytes per pixel: the band of source rows from y0 (up to
// row end) into out.
void HorizontalBandOf(int bytesPerPixel, const uint8_t* src, int w, int end, int y0, uint8_t* out,
                      int W, const ResampleContributions& hc, PassBuffers& b) {
  switch (bytesPerPixel) {
    case 1:
      return HorizontalBand<1>(src, w, end, y0, out, W, hc, b.band, b.acc.get(), b.flat.get());
    case 2:
      return HorizontalBand<2>(src, w, end, y0, out, W, hc, b.band, b.acc.get(), b.flat.get());
    case 3:
      return HorizontalBand<3>(src, w, end, y0, out, W, hc, b.band, b.acc.get(), b.flat.get());
    default:
      return HorizontalBand<4>(src, w, end, y0, out, W, hc, b.band, b.acc.get(), b.flat.get());
  }
}

// The horizontal pass of source rows [y0, end) into out (their rows of the intermediate
// picture, one after another).
void HorizontalRows(const uint8_t* src, int w, int y0, int end, uint8_t* out, int W,
                    int bytesPerPixel, const ResampleContributions& hc, PassBuffers& b) {
  const size_t rowBytes = size_t(W) * size_t(bytesPerPixel);
  for (int y = y0; y < end; y += kBand)
    HorizontalBandOf(bytesPerPixel, src, w, end, y, out + size_t(y - y0) * rowBytes, W, hc, b);
}

// The rows of the intermediate picture kept at a time, in a ring: the band being made and
// every row a destination row not yet made still reads. lastRow[v] is the last row destination
// row v reads. A ring of a few bands covers a resize of a photo (a halving reads 13 rows); when
// the windows are wider than the picture allows (tiny or extreme resizes), the whole picture.
int KeptRows(const ResampleContributions& vc, int h, std::vector<int>& lastRow) {
  const size_t H = vc.count.size();
  lastRow.assign(H, 0);
  std::vector<int> firstAfter(H + 1, INT_MAX);  // the least row read by v and later rows
  int span = 0;
  for (size_t v = 0; v < H; ++v) {
    int lo, hi;
    ReadSpan(vc, int(v), int(v) + 1, lo, hi);
    lastRow[v] = hi;
    firstAfter[v] = lo;
    span = std::max(span, hi - lo + 1);
  }
  for (size_t v = H; v-- > 0;) firstAfter[v] = std::min(firstAfter[v], firstAfter[v + 1]);
  const int ring = (span + 2 * kBand - 1) / kBand * kBand;
  if (ring >= h) return h;
  // The order ResampleImage works in: before each band, the destination rows whose rows are all
  // made; the band then overwrites the rows a ring below its own, none of which may still be
  // read.
  size_t v = 0;
  for (int y0 = 0; y0 < h; y0 += kBand) {
    while (v < H && lastRow[v] < y0) ++v;
    const int overwritten = std::min(y0 + kBand, h) - 1 - ring;
    if (overwritten >= firstAfter[v]) return h;
  }
  return ring;
}

// The fewest destination rows a band of the resampler takes: a band also makes the
// intermediate rows its first and last rows share with the next band's.
constexpr int kResampleBandRows = 32;

// The resize in bands of destination rows, each with its own buffers: a band makes the
// intermediate rows its destination rows read (a few are made by two bands, alike) and sums
// them. Each value is summed as in the one-band walk, so the bytes are the same.
unsigned ResampleInBands(const uint8_t* src, int w, uint8_t* dst, int W, int bytesPerPixel,
                         const ResampleContributions& hc, const ResampleContributions& vc,
                         const RowBandCut& cut) {
  const size_t rowBytes = size_t(W) * size_t(bytesPerPixel);
  std::atomic<bool> failed{false};
  RunRowBands(cut, [&](int, int from, int to) {
    int lo, hi;
    ReadSpan(vc, from, to, lo, hi);
    // The band's contributions, with rows counted from its first intermediate row.
    ResampleContributions mine;
    try {
      for (int v = from; v < to; ++v) {
        mine.offset.push_back(int(mine.index.size()));
        mine.count.push_back(vc.count[size_t(v)]);
        for (int k = 0; k < vc.count[size_t(v)]; ++k) {
          const size_t at = size_t(vc.offset[size_t(v)] + k);
          mine.index.push_back(vc.index[at] - lo);
          mine.weight.push_back(vc.weight[at]);
        }
      }
    } catch (const std::bad_alloc&) {
      failed = true;
      return;
    }
    PassBuffers b;
    std::unique_ptr<uint8_t[]> mid(new (std::nothrow) uint8_t[size_t(hi - lo + 1) * rowBytes]);
    if (!mid || !b.Allocate(w, W, bytesPerPixel)) {
      failed = true;
      return;
    }
    HorizontalRows(src, w, lo, hi + 1, mid.get(), W, bytesPerPixel, hc, b);
    for (int v = from; v < to; ++v)
      ResampleRow(mid.get(), rowBytes, mine, v - from, b.acc.get(), b.flat.get(),
                  dst + size_t(v) * rowBytes);
  });
  return failed ? kGeometryNoMemory : kGeometryOk;
}

}  // namespace

double Lanczos3(double x) {
  if (x == 0.0) return 1.0;
  if (std::fabs(x) >= kSupport) return 0.0;
  const double px = std::numbers::pi * x;
  const double px3 = px / kSupport;
  return (std::sin(px) / px) * (std::sin(px3) / px3);
}

bool BuildResampleContributions(int n, int m, ResampleContributions& out) {
  if (n <= 0 || m <= 0) return false;
  const double s = double(m) / double(n);
  const double r = s >= 1.0 ? kSupport : kSupport / s;
  try {
    out.offset.assign(size_t(m), 0);
    out.count.assign(size_t(m), 0);
    out.index.clear();
    out.weight.clear();
    const size_t perDest = size_t(2 * std::ceil(r) + 1);
    out.index.reserve(size_t(m) * perDest);
    out.weight.reserve(size_t(m) * perDest);
    for (int u = 0; u < m; ++u) {
      const double c = u / s;
      const int lo = int(std::ceil(c - r)), hi = int(std::floor(c + r));
      out.offset[size_t(u)] = int(out.index.size());
      out.count[size_t(u)] = hi - lo + 1;
      for (int j = lo; j <= hi; ++j) {
        out.index.push_back(Mirror(j, n));
        out.weight.push_back(s >= 1.0 ? Lanczos3(c - j) : Lanczos3((c - j) * s) * s);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

unsigned ResampleImage(const uint8_t* src, int w, int h, uint8_t* dst, int W, int H,
                       int bytesPerPixel, int kernel) {
  size_t bytes = 0;
  if (kernel != kLanczos3Kernel || !src || !dst || bytesPerPixel < 1 || bytesPerPixel > 4 ||
      !PictureBytes(w, h, bytesPerPixel, bytes) || !PictureBytes(W, H, bytesPerPixel, bytes))
    return kGeometryBadParam;
  ResampleContributions hc, vc;
  if (!BuildResampleContributions(w, W, hc) || !BuildResampleContributions(h, H, vc))
    return kGeometryNoMemory;
  if (const RowBandCut cut = CutRowBands(0, H, kResampleBandRows); cut.count > 1)
    return ResampleInBands(src, w, dst, W, bytesPerPixel, hc, vc, cut);
  std::vector<int> lastRow;
  const int kept = KeptRows(vc, h, lastRow);
  size_t midBytes = 0;
  if (kept < 1 || !PictureBytes(W, kept, bytesPerPixel, midBytes)) return kGeometryNoMemory;
  // The vertical pass reads row r of the intermediate picture from slot r % kept.
  for (int& r : vc.index) r %= kept;
  const size_t rowBytes = size_t(W) * size_t(bytesPerPixel);
  std::unique_ptr<uint8_t[]> mid(NewLargeBuffer(midBytes));
  PassBuffers b;
  if (!mid || !b.Allocate(w, W, bytesPerPixel)) return kGeometryNoMemory;

  // Each output value sums the same contributions in the same order as a walk column by column
  // would, so the order of the loops does not change any result. A destination row is made as
  // soon as the bands it reads are.
  int v = 0;
  const auto vertical = [&](int madeRows) {
    for (; v < H && lastRow[size_t(v)] < madeRows; ++v)
      ResampleRow(mid.get(), rowBytes, vc, v, b.acc.get(), b.flat.get(),
                  dst + size_t(v) * rowBytes);
  };
  for (int y0 = 0; y0 < h; y0 += kBand) {
    vertical(y0);
    HorizontalBandOf(bytesPerPixel, src, w, h, y0, mid.get() + size_t(y0 % kept) * rowBytes, W,
                     hc, b);
  }
  vertical(h);
  return kGeometryOk;
}

}  // namespace orv
