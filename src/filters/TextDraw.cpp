// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/TextDraw.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/CheckedMath.h"

namespace orv {

bool MeasureText(std::string_view text, const FontDescription& font, int& width, int& height) {
  width = height = 0;
  if (text.empty()) return true;
  CFontRaster raster;
  return raster.Open(font) && raster.Measure(text, width, height);
}

bool DrawTextSmooth(uint8_t* pixels, int width, int height, std::string_view text,
                    const FontDescription& font, int scale, int64_t x, int64_t y, uint32_t colour) {
  size_t bytes = 0;
  if (!pixels || scale <= 0 || !PictureBytes(width, height, 3, bytes)) return false;
  if (text.empty()) return true;
  CFontRaster raster;
  int w3 = 0, h3 = 0;
  if (!raster.Open(font) || !raster.Measure(text, w3, h3)) return false;
  const int rw = w3 / scale, rh = h3 / scale;
  if (rw <= 0 || rh <= 0) return true;
  size_t bigBytes = 0;
  if (!PictureBytes(w3, h3, 1, bigBytes)) return false;
  std::unique_ptr<uint8_t[]> big(new (std::nothrow) uint8_t[bigBytes]);
  if (!big || !raster.Render(text, big.get(), w3, h3)) return false;

  // White text on black: every channel holds the same coverage, so one grey plane stands for
  // the three, and the mask of a block average a is trunc(0.299 a + 0.587 a + 0.114 a).
  uint8_t maskOf[256];
  for (int a = 0; a < 256; ++a) maskOf[a] = uint8_t(int(0.299 * a + 0.587 * a + 0.114 * a));
  const int e = std::min(w3 / rw, h3 / rh);
  const int area = e * e;
  const int t[3] = {int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF)};

  // Only the part of the reduced text that lands inside the picture is blended.
  const int64_t i0 = std::max<int64_t>(0, -x), i1 = std::min<int64_t>(rw, int64_t(width) - x);
  const int64_t j0 = std::max<int64_t>(0, -y), j1 = std::min<int64_t>(rh, int64_t(height) - y);
  for (int64_t j = j0; j < j1; ++j) {
    uint8_t* out = pixels + size_t(y + j) * size_t(width) * 3;
    for (int64_t i = i0; i < i1; ++i) {
      int sum = 0;
      for (int by = 0; by < e; ++by) {
        const uint8_t* in =
            big.get() + (size_t(j) * size_t(e) + size_t(by)) * size_t(w3) + size_t(i) * size_t(e);
        for (int bx = 0; bx < e; ++bx) sum += in[bx];
      }
      const int m = maskOf[sum / area];
      if (m == 0) continue;  // the blend leaves the pixel as it is
      uint8_t* p = out + size_t(x + i) * 3;
      for (int c = 0; c < 3; ++c)
        p[c] = uint8_t(int(double(t[c]) * m / 255 + double(p[c]) * (255 - m) / 255));
    }
  }
  return true;
}

}  // namespace orv
