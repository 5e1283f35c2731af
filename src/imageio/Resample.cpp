#include "imageio/Resample.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <numbers>

#include "imageio/GeometryResult.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr double kSupport = 3.0;

// Mirrors an index that falls outside 0..n-1: below 0 about 0 (-j), at or above n about the last
// pixel (2n - j - 1). Lines shorter than the support can need the reflection more than once.
int Mirror(int j, int n) {
  while (j < 0 || j >= n) j = j < 0 ? -j : 2 * n - j - 1;
  return j;
}

// Rounds half away from zero and clamps to a byte.
inline uint8_t ToByte(double v) {
  double r = std::round(v);
  return r <= 0.0 ? 0 : r >= 255.0 ? 255 : uint8_t(r);
}

// One pass over a line-oriented layout: out[u] for every destination index from in[index...].
// step is the distance between neighbouring source pixels of a line in bytes; channels are the
// bytes per pixel. A contribution whose values are all equal keeps that value exactly.
template <int Channels>
void ResampleLine(const uint8_t* in, size_t step, uint8_t* out, size_t outStep,
                  const ResampleContributions& c, int m) {
  for (int u = 0; u < m; ++u, out += outStep) {
    const int* idx = c.index.data() + c.offset[size_t(u)];
    const double* wt = c.weight.data() + c.offset[size_t(u)];
    const int n = c.count[size_t(u)];
    double sum[Channels] = {};
    uint8_t first[Channels];
    bool flat[Channels];
    const uint8_t* p0 = in + size_t(idx[0]) * step;
    for (int ch = 0; ch < Channels; ++ch) {
      first[ch] = p0[ch];
      flat[ch] = true;
    }
    for (int i = 0; i < n; ++i) {
      const uint8_t* p = in + size_t(idx[i]) * step;
      for (int ch = 0; ch < Channels; ++ch) {
        sum[ch] += wt[i] * p[ch];
        flat[ch] &= p[ch] == first[ch];
      }
    }
    for (int ch = 0; ch < Channels; ++ch) out[ch] = flat[ch] ? first[ch] : ToByte(sum[ch]);
  }
}

// The vertical pass for one destination row: every byte of the row sums its column over the
// contributing rows of the intermediate picture, in contribution order.
void ResampleRow(const uint8_t* mid, size_t rowBytes, const ResampleContributions& c, int v,
                 double* acc, uint8_t* flatMask, uint8_t* out) {
  const int* idx = c.index.data() + c.offset[size_t(v)];
  const double* wt = c.weight.data() + c.offset[size_t(v)];
  const int n = c.count[size_t(v)];
  const uint8_t* first = mid + size_t(idx[0]) * rowBytes;
  std::fill(acc, acc + rowBytes, 0.0);
  std::fill(flatMask, flatMask + rowBytes, uint8_t(1));
  for (int i = 0; i < n; ++i) {
    const uint8_t* row = mid + size_t(idx[i]) * rowBytes;
    const double w = wt[i];
    for (size_t x = 0; x < rowBytes; ++x) {
      acc[x] += w * row[x];
      flatMask[x] &= uint8_t(row[x] == first[x]);
    }
  }
  for (size_t x = 0; x < rowBytes; ++x) out[x] = flatMask[x] ? first[x] : ToByte(acc[x]);
}

template <int Channels>
void HorizontalPass(const uint8_t* src, int w, int h, uint8_t* mid, int W,
                    const ResampleContributions& c) {
  for (int y = 0; y < h; ++y)
    ResampleLine<Channels>(src + size_t(y) * size_t(w) * Channels, Channels,
                           mid + size_t(y) * size_t(W) * Channels, Channels, c, W);
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
  size_t midBytes = 0;
  if (!PictureBytes(W, h, bytesPerPixel, midBytes)) return kGeometryNoMemory;
  ResampleContributions hc, vc;
  if (!BuildResampleContributions(w, W, hc) || !BuildResampleContributions(h, H, vc))
    return kGeometryNoMemory;
  const size_t rowBytes = size_t(W) * size_t(bytesPerPixel);
  std::unique_ptr<uint8_t[]> mid(new (std::nothrow) uint8_t[midBytes]);
  std::unique_ptr<double[]> acc(new (std::nothrow) double[rowBytes]);
  std::unique_ptr<uint8_t[]> flat(new (std::nothrow) uint8_t[rowBytes]);
  if (!mid || !acc || !flat) return kGeometryNoMemory;

  // The horizontal results of every source row first (bytes, rounded like the final values),
  // then the vertical pass row by row. Each output value sums the same contributions in the same
  // order as a column-at-a-time walk, so the order of the loops does not change any result.
  switch (bytesPerPixel) {
    case 1:
      HorizontalPass<1>(src, w, h, mid.get(), W, hc);
      break;
    case 2:
      HorizontalPass<2>(src, w, h, mid.get(), W, hc);
      break;
    case 3:
      HorizontalPass<3>(src, w, h, mid.get(), W, hc);
      break;
    default:
      HorizontalPass<4>(src, w, h, mid.get(), W, hc);
      break;
  }
  for (int v = 0; v < H; ++v)
    ResampleRow(mid.get(), rowBytes, vc, v, acc.get(), flat.get(), dst + size_t(v) * rowBytes);
  return kGeometryOk;
}

}  // namespace orv
