// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/PreviewPicture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orv::ui {

Size2 FitInside(int width, int height, int paneWidth, int paneHeight) {
  if (width <= 0 || height <= 0 || paneWidth <= 0 || paneHeight <= 0) return {};
  if (width <= paneWidth && height <= paneHeight) return {width, height};
  // Pick the limiting side, then round the other (at least one pixel).
  if (int64_t(width) * paneHeight >= int64_t(height) * paneWidth) {
    int h = int((int64_t(height) * paneWidth + width / 2) / width);
    return {paneWidth, std::max(1, h)};
  }
  int w = int((int64_t(width) * paneHeight + height / 2) / height);
  return {std::max(1, w), paneHeight};
}

bool ReducePicture(const Image& src, int paneWidth, int paneHeight, Image& dst) {
  if (src.empty()) return false;
  const int W = src.width(), H = src.height();
  Size2 fit = FitInside(W, H, paneWidth, paneHeight);
  if (fit.width == 0) return false;
  if (fit.width == W && fit.height == H) return dst.CopyFrom(src);
  const int w = fit.width, h = fit.height;
  if (!dst.Allocate(w, h)) return false;

  // Source column span of every target column: [x0[i], x0[i + 1]).
  std::vector<int> x0(w + 1);
  for (int i = 0; i <= w; ++i) x0[i] = int(int64_t(i) * W / w);
  std::vector<uint32_t> sums(size_t(w) * 3);
  for (int j = 0; j < h; ++j) {
    int y0 = int(int64_t(j) * H / h);
    int y1 = int(int64_t(j + 1) * H / h);
    std::fill(sums.begin(), sums.end(), 0u);
    for (int y = y0; y < y1; ++y) {
      const uint8_t* s = src.row(y);
      uint32_t* acc = sums.data();
      for (int i = 0; i < w; ++i, acc += 3) {
        uint32_t r = 0, g = 0, b = 0;
        for (int x = x0[i]; x < x0[i + 1]; ++x, s += 3) r += s[0], g += s[1], b += s[2];
        acc[0] += r, acc[1] += g, acc[2] += b;
      }
    }
    uint8_t* d = dst.row(j);
    const uint32_t* acc = sums.data();
    for (int i = 0; i < w; ++i, acc += 3, d += 3) {
      uint32_t n = uint32_t(x0[i + 1] - x0[i]) * uint32_t(y1 - y0);
      d[0] = uint8_t((acc[0] + n / 2) / n);
      d[1] = uint8_t((acc[1] + n / 2) / n);
      d[2] = uint8_t((acc[2] + n / 2) / n);
    }
  }
  return true;
}

DetailPlace CentredDetail(int width, int height, int viewWidth, int viewHeight) {
  DetailPlace p;
  p.width = std::clamp(viewWidth, 0, std::max(0, width));
  p.height = std::clamp(viewHeight, 0, std::max(0, height));
  p.x = (width - p.width) / 2;
  p.y = (height - p.height) / 2;
  return p;
}

DetailPlace ClampDetail(DetailPlace place, int x, int y, int width, int height) {
  place.x = std::max(0, std::min(x, width - place.width));
  place.y = std::max(0, std::min(y, height - place.height));
  return place;
}

bool CutDetail(const Image& picture, const DetailPlace& place, Image& crop) {
  if (picture.empty() || place.width <= 0 || place.height <= 0) return false;
  if (place.x < 0 || place.y < 0 || place.x + place.width > picture.width() ||
      place.y + place.height > picture.height())
    return false;
  if (crop.width() != place.width || crop.height() != place.height || crop.empty())
    if (!crop.Allocate(place.width, place.height)) return false;
  for (int y = 0; y < place.height; ++y)
    std::memcpy(crop.row(y), picture.row(place.y + y) + size_t(place.x) * 3,
                size_t(place.width) * 3);
  return true;
}

}  // namespace orv::ui
