// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A small player of the common enhanced-metafile records: mapping (window and viewport origins
// and extents, saved states), pens and solid brushes, rectangles, ellipses, polygons, polylines,
// lines and device-independent bitmaps (StretchDIBits, SetDIBitsToDevice, BitBlt, StretchBlt).
// Records it does not know are skipped. Every record's size and every offset inside it is checked
// against the data before use, and all drawing is clipped to the picture.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imageio/Codecs.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "imageio/SourceReader.h"
#include "platform/CheckedMath.h"
#include "imageio/metafile/Metafile.h"

namespace orv {
namespace {

// A real coordinate as a pixel index within 0..size-1; NaN gives 0.
int PixelIndex(double v, int size) {
  if (!(v > 0)) return 0;
  if (v >= double(size - 1)) return size - 1;
  return int(v);
}

enum Record : uint32_t {
  kHeader = 1,
  kPolygon = 3,
  kPolyline = 4,
  kEof = 14,
  kSetWindowExt = 9,
  kSetWindowOrg = 10,
  kSetViewportExt = 11,
  kSetViewportOrg = 12,
  kSetMapMode = 17,
  kSetPolyFillMode = 19,
  kMoveTo = 27,
  kSaveDc = 33,
  kRestoreDc = 34,
  kSelectObject = 37,
  kCreatePen = 38,
  kCreateBrush = 39,
  kDeleteObject = 40,
  kEllipse = 42,
  kRectangle = 43,
  kLineTo = 54,
  kBitBlt = 76,
  kStretchBlt = 77,
  kSetDibitsToDevice = 80,
  kStretchDibits = 81,
  kPolygon16 = 86,
  kPolyline16 = 87,
};

constexpr uint32_t kStockBase = 0x80000000u;
constexpr int kMaxSavedStates = 256;
constexpr uint32_t kMaxHandles = 65536;
constexpr uint64_t kMaxPoints = 65536;

struct Pt {
  double x, y;
};

struct Tool {
  bool isPen = false;
  bool visible = true;
  uint32_t colour = 0;  // 0x00BBGGRR
};

struct State {
  int mapMode = 1;
  double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
  double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
  Tool pen{true, true, 0};
  Tool brush{false, true, 0xFFFFFF};
  bool winding = false;
  Pt cursor{0, 0};
};

class Player {
 public:
  Player(uint8_t* pixels, int w, int h, double sx, double ox, double sy, double oy)
      : px_(pixels), w_(w), h_(h), sx_(sx), ox_(ox), sy_(sy), oy_(oy) {}

  void SetHandles(uint32_t n) { objects_.assign(std::min(n, kMaxHandles), Tool{}); }
  unsigned Play(const uint8_t* d, size_t size);

 private:
  Pt Map(double x, double y) const {
    double dx = x, dy = y;
    if (s_.mapMode == 7 || s_.mapMode == 8) {  // isotropic, anisotropic
      if (s_.winExtX != 0) dx = (x - s_.winOrgX) * s_.vpExtX / s_.winExtX + s_.vpOrgX;
      if (s_.winExtY != 0) dy = (y - s_.winOrgY) * s_.vpExtY / s_.winExtY + s_.vpOrgY;
    } else {
      dx = x - s_.winOrgX + s_.vpOrgX;
      dy = y - s_.winOrgY + s_.vpOrgY;
    }
    return {dx * sx_ + ox_, dy * sy_ + oy_};
  }
  void Plot(int x, int y, uint32_t c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    uint8_t* p = px_ + (size_t(y) * size_t(w_) + size_t(x)) * 3;
    p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
  }
  void Fill(const std::vector<Pt>& poly, uint32_t colour);
  void Line(Pt a, Pt b, uint32_t colour);
  void Outline(const std::vector<Pt>& poly, bool closed) {
    if (!s_.pen.visible || poly.size() < 2) return;
    for (size_t i = 0; i + 1 < poly.size(); ++i) Line(poly[i], poly[i + 1], s_.pen.colour);
    if (closed) Line(poly.back(), poly.front(), s_.pen.colour);
  }
  void Shape(const std::vector<Pt>& poly) {
    if (s_.brush.visible) Fill(poly, s_.brush.colour);
    Outline(poly, true);
  }
  void Select(uint32_t handle);
  // Draws a DIB (info header and bits inside the record) into a device rectangle.
  void Blit(const uint8_t* rec, size_t size, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
            uint32_t cbBits, double x, double y, double cx, double cy, int32_t srcX, int32_t srcY,
            int32_t srcW, int32_t srcH);

  uint8_t* px_;
  int w_, h_;
  double sx_, ox_, sy_, oy_;
  State s_;
  std::vector<State> saved_;
  std::vector<Tool> objects_;
};

void Player::Fill(const std::vector<Pt>& poly, uint32_t colour) {
  if (poly.size() < 3) return;
  double top = poly[0].y, bottom = poly[0].y;
  for (const Pt& p : poly) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  double firstRow = std::ceil(top - 0.5), lastRow = std::floor(bottom - 0.5);
  if (!(firstRow <= lastRow) || lastRow < 0 || firstRow > double(h_ - 1)) return;
  int y0 = PixelIndex(firstRow, h_), y1 = PixelIndex(lastRow, h_);
  std::vector<std::pair<double, int>> xs;
  for (int y = y0; y <= y1; ++y) {
    const double cy = y + 0.5;
    xs.clear();
    for (size_t i = 0; i < poly.size(); ++i) {
      Pt a = poly[i], b = poly[(i + 1) % poly.size()];
      if ((a.y <= cy) == (b.y <= cy)) continue;
      double x = a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y);
      xs.push_back({x, a.y < b.y ? 1 : -1});
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += xs[i].second;
      bool inside = s_.winding ? wind != 0 : i % 2 == 0;
      if (!inside) continue;
      // Edges far outside the picture (or not numbers at all) are held to it before they
      // become pixel indices.
      double left = std::ceil(xs[i].first - 0.5), right = std::floor(xs[i + 1].first - 0.5);
      if (!(left <= right) || right < 0 || left > double(w_ - 1)) continue;
      int xa = PixelIndex(left, w_), xb = PixelIndex(right, w_);
      for (int x = xa; x <= xb; ++x) Plot(x, y, colour);
    }
  }
}

void Player::Line(Pt a, Pt b, uint32_t colour) {
  // Clip to the picture first (Liang-Barsky) so that far-away coordinates cost nothing.
  double t0 = 0, t1 = 1, dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x + 1, w_ - a.x, a.y + 1, h_ - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return;
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return;
  }
  int x0 = int(std::lround(a.x + t0 * dx)), y0 = int(std::lround(a.y + t0 * dy));
  int x1 = int(std::lround(a.x + t1 * dx)), y1 = int(std::lround(a.y + t1 * dy));
  int ddx = std::abs(x1 - x0), ddy = -std::abs(y1 - y0);
  int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1, err = ddx + ddy;
  for (;;) {
    Plot(x0, y0, colour);
    if (x0 == x1 && y0 == y1) break;
    int e2 = 2 * err;
    if (e2 >= ddy) err += ddy, x0 += stepX;
    if (e2 <= ddx) err += ddx, y0 += stepY;
  }
}

void Player::Select(uint32_t handle) {
  if (handle & kStockBase) {
    static const uint32_t kGreys[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0};
    uint32_t stock = handle & ~kStockBase;
    if (stock <= 4)
      s_.brush = {false, true, kGreys[stock]};
    else if (stock == 5)
      s_.brush = {false, false, 0};
    else if (stock == 6)
      s_.pen = {true, true, 0xFFFFFF};
    else if (stock == 7)
      s_.pen = {true, true, 0};
    else if (stock == 8)
      s_.pen = {true, false, 0};
    return;
  }
  if (handle >= objects_.size()) return;
  const Tool& t = objects_[handle];
  (t.isPen ? s_.pen : s_.brush) = t;
}

void Player::Blit(const uint8_t* rec, size_t size, uint32_t offBmi, uint32_t cbBmi,
                  uint32_t offBits, uint32_t cbBits, double x, double y, double cx, double cy,
                  int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH) {
  if (cbBmi < 40 || !RangeInside(offBmi, cbBmi, size) || !RangeInside(offBits, cbBits, size))
    return;
  // Wrap the DIB in a BMP file header and let the BMP decoder do the checked work.
  std::vector<uint8_t> bmp;
  try {
    bmp.resize(14 + size_t(cbBmi) + cbBits);
  } catch (...) {
    return;
  }
  bmp[0] = 'B', bmp[1] = 'M';
  PutLe32(&bmp[2], uint32_t(bmp.size()));
  PutLe32(&bmp[10], 14 + cbBmi);
  std::memcpy(&bmp[14], rec + offBmi, cbBmi);
  if (cbBits) std::memcpy(&bmp[14 + cbBmi], rec + offBits, cbBits);
  const bool bottomUp = int32_t(Le32(rec + offBmi + 8)) > 0;
  ImageSource* src = OpenSourceMemory(bmp.data(), bmp.size());
  int dw = 0, dh = 0;
  LibraryBuffer dib(src ? ReadBmp(src, 24, &dw, &dh) : nullptr);
  CloseSource(src);
  if (!dib) return;
  if (srcW == 0 || srcH == 0) srcW = dw, srcH = dh;
  // DIB source rectangles count rows from the bottom for bottom-up bitmaps.
  const int64_t top = bottomUp ? int64_t(dh) - srcY - srcH : srcY;
  Pt a = Map(x, y), b = Map(x + cx, y + cy);
  double left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  double upper = std::min(a.y, b.y), lower = std::max(a.y, b.y);
  const bool flipX = (b.x < a.x) != (srcW < 0), flipY = (b.y < a.y) != (srcH < 0);
  const int64_t sw = std::abs(int64_t(srcW)), sh = std::abs(int64_t(srcH));
  if (!(right - left > 0) || !(lower - upper > 0)) return;
  double firstX = std::ceil(left - 0.5), lastX = std::floor(right - 0.5);
  double firstY = std::ceil(upper - 0.5), lastY = std::floor(lower - 0.5);
  if (lastX < 0 || firstX > double(w_ - 1) || lastY < 0 || firstY > double(h_ - 1)) return;
  int xa = PixelIndex(firstX, w_), xb = PixelIndex(lastX, w_);
  int ya = PixelIndex(firstY, h_), yb = PixelIndex(lastY, h_);
  for (int py = ya; py <= yb; ++py) {
    double fy = (py + 0.5 - upper) / (lower - upper);
    if (flipY) fy = 1 - fy;
    int64_t sy = top + std::min<int64_t>(sh - 1, int64_t(fy * double(sh)));
    if (sy < 0 || sy >= dh) continue;
    for (int pxl = xa; pxl <= xb; ++pxl) {
      double fx = (pxl + 0.5 - left) / (right - left);
      if (flipX) fx = 1 - fx;
      int64_t sx = int64_t(srcX) + std::min<int64_t>(sw - 1, int64_t(fx * double(sw)));
      if (sx < 0 || sx >= dw) continue;
      const uint8_t* s = dib.get() + (size_t(sy) * size_t(dw) + size_t(sx)) * 3;
      std::memcpy(px_ + (size_t(py) * size_t(w_) + size_t(pxl)) * 3, s, 3);
    }
  }
}

unsigned Player::Play(const uint8_t* d, size_t size) {
  size_t at = 0;
  while (at + 8 <= size) {
    const uint32_t type = Le32(d + at), length = Le32(d + at + 4);
    if (length < 8 || length % 4 || !RangeInside(at, length, size)) return kErrBadMetafile;
    const uint8_t* r = d + at;
    auto i32 = [&](size_t off) { return off + 4 <= length ? int32_t(Le32(r + off)) : 0; };
    auto u32 = [&](size_t off) { return off + 4 <= length ? Le32(r + off) : 0u; };
    auto points = [&](size_t countAt, bool small) {
      std::vector<Pt> pts;
      uint64_t n = u32(countAt), each = small ? 4 : 8;
      // Longer outlines are not drawn: they would cost a pass over every point per scan line.
      if (n > kMaxPoints || !RangeInside(countAt + 4, n * each, length)) return pts;
      pts.reserve(size_t(n));
      for (uint64_t i = 0; i < n; ++i) {
        const uint8_t* p = r + countAt + 4 + i * each;
        double x = small ? int16_t(Le16(p)) : int32_t(Le32(p));
        double y = small ? int16_t(Le16(p + 2)) : int32_t(Le32(p + 4));
        pts.push_back(Map(x, y));
      }
      return pts;
    };
    switch (type) {
      case kEof:
        return kErrNone;
      case kSetMapMode:
        s_.mapMode = i32(8);
        break;
      case kSetPolyFillMode:
        s_.winding = i32(8) == 2;
        break;
      case kSetWindowExt:
        s_.winExtX = i32(8), s_.winExtY = i32(12);
        break;
      case kSetWindowOrg:
        s_.winOrgX = i32(8), s_.winOrgY = i32(12);
        break;
      case kSetViewportExt:
        s_.vpExtX = i32(8), s_.vpExtY = i32(12);
        break;
      case kSetViewportOrg:
        s_.vpOrgX = i32(8), s_.vpOrgY = i32(12);
        break;
      case kSaveDc:
        if (saved_.size() < size_t(kMaxSavedStates)) saved_.push_back(s_);
        break;
      case kRestoreDc: {
        int32_t n = i32(8);  // negative: relative to the top of the stack
        if (n < 0 && size_t(-int64_t(n)) <= saved_.size()) {
          saved_.resize(saved_.size() - size_t(-int64_t(n)) + 1);
          s_ = saved_.back();
          saved_.pop_back();
        }
        break;
      }
      case kCreatePen:
      case kCreateBrush: {
        uint32_t handle = u32(8);
        if (handle >= objects_.size()) break;
        Tool t;
        t.isPen = type == kCreatePen;
        uint32_t style = u32(12);
        t.colour = u32(t.isPen ? 24 : 16) & 0xFFFFFF;
        t.visible = t.isPen ? (style & 0xF) != 5 : style != 1;  // PS_NULL, BS_NULL
        objects_[handle] = t;
        break;
      }
      case kSelectObject:
        Select(u32(8));
        break;
      case kDeleteObject:
        if (u32(8) < objects_.size()) objects_[u32(8)] = Tool{};
        break;
      case kRectangle:
      case kEllipse: {
        double l = i32(8), t = i32(12), rr = i32(16), b = i32(20);
        std::vector<Pt> poly;
        if (type == kRectangle) {
          poly = {Map(l, t), Map(rr, t), Map(rr, b), Map(l, b)};
        } else {
          const double cx = (l + rr) / 2, cy = (t + b) / 2, rx = (rr - l) / 2, ry = (b - t) / 2;
          for (int i = 0; i < 72; ++i) {
            double a = i * 2 * M_PI / 72;
            poly.push_back(Map(cx + rx * std::cos(a), cy + ry * std::sin(a)));
          }
        }
        Shape(poly);
        break;
      }
      case kPolygon:
      case kPolygon16:
        Shape(points(24, type == kPolygon16));
        break;
      case kPolyline:
      case kPolyline16:
        Outline(points(24, type == kPolyline16), false);
        break;
      case kMoveTo:
        s_.cursor = {double(i32(8)), double(i32(12))};
        break;
      case kLineTo: {
        Pt to{double(i32(8)), double(i32(12))};
        if (s_.pen.visible) Line(Map(s_.cursor.x, s_.cursor.y), Map(to.x, to.y), s_.pen.colour);
        s_.cursor = to;
        break;
      }
      case kStretchDibits:
        if (length >= 80)
          Blit(r, length, u32(48), u32(52), u32(56), u32(60), i32(24), i32(28), i32(72), i32(76),
               i32(32), i32(36), i32(40), i32(44));
        break;
      case kSetDibitsToDevice:
        if (length >= 76)
          Blit(r, length, u32(48), u32(52), u32(56), u32(60), i32(24), i32(28), i32(40), i32(44),
               i32(32), i32(36), i32(40), i32(44));
        break;
      case kBitBlt:
      case kStretchBlt: {
        if (length < 100) break;
        double x = i32(24), y = i32(28), cx = i32(32), cy = i32(36);
        uint32_t cbBmi = u32(88);
        if (cbBmi == 0) {  // no source bitmap: a pattern fill with the current brush
          if (s_.brush.visible)
            Fill({Map(x, y), Map(x + cx, y), Map(x + cx, y + cy), Map(x, y + cy)}, s_.brush.colour);
          break;
        }
        int32_t sw = type == kStretchBlt ? i32(100) : int32_t(cx);
        int32_t sh = type == kStretchBlt ? i32(104) : int32_t(cy);
        Blit(r, length, u32(84), cbBmi, u32(92), u32(96), x, y, cx, cy, i32(44), i32(48), sw, sh);
        break;
      }
      default:
        break;
    }
    at += length;
  }
  return kErrNone;  // a missing EOF record: play what is there
}

}  // namespace

uint8_t* PlayEmf(const uint8_t* d, size_t size, int* width, int* height) {
  auto fail = [](unsigned code) -> uint8_t* {
    SetLastLibraryError(code);
    return nullptr;
  };
  if (size < 88) return fail(kErrBadMetafile);
  const uint32_t headerSize = Le32(d + 4);
  if (headerSize < 88 || !RangeInside(0, headerSize, size)) return fail(kErrBadMetafile);
  const int64_t fl = int32_t(Le32(d + 24)), ft = int32_t(Le32(d + 28));
  const int64_t fr = int32_t(Le32(d + 32)), fb = int32_t(Le32(d + 36));
  const uint32_t handles = Le16(d + 52);
  const int64_t devW = int32_t(Le32(d + 72)), devH = int32_t(Le32(d + 76));
  const int64_t mmW = int32_t(Le32(d + 80)), mmH = int32_t(Le32(d + 84));
  if (fr <= fl || fb <= ft || devW <= 0 || devH <= 0 || mmW <= 0 || mmH <= 0)
    return fail(kErrBadMetafile);
  // The frame is in hundredths of a millimetre; 2540 of them make an inch.
  const int64_t w = ((fr - fl) * kScreenDpi + 1270) / 2540;
  const int64_t h = ((fb - ft) * kScreenDpi + 1270) / 2540;
  if (w <= 0 || h <= 0) return fail(kErrBadMetafile);
  LibraryBuffer pixels(AllocatePixels(w, h, 3, false));
  if (!pixels) return nullptr;
  std::memset(pixels.get(), kMetafileBackground, size_t(w) * size_t(h) * 3);
  // Reference-device pixels to hundredths of a millimetre, then to picture pixels.
  const double sx = double(mmW) * 100 / double(devW) * double(w) / double(fr - fl);
  const double sy = double(mmH) * 100 / double(devH) * double(h) / double(fb - ft);
  Player player(pixels.get(), int(w), int(h), sx, -double(fl) * double(w) / double(fr - fl), sy,
                -double(ft) * double(h) / double(fb - ft));
  player.SetHandles(handles);
  unsigned result = player.Play(d, size);
  if (result != kErrNone) return fail(result);
  *width = int(w);
  *height = int(h);
  return pixels.release();
}

}  // namespace orv
