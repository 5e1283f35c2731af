// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/BlackFrame.h"

#include <algorithm>
#include <cstring>

#include "filters/FilterArgs.h"
#include "filters/ImageFilters.h"
#include "platform/RowBands.h"

namespace orv {

bool CImageFilters::SubtractBlackFrame(uint8_t* dst, int width, int height, const uint8_t* src,
                                       const uint8_t* frame) {
  size_t bytes = 0;
  if (!PictureArgs(dst, width, height, bytes) || !src || !frame) return false;
  // Every byte reads its own bytes alone (the buffers may be one): bands of rows.
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    uint8_t* const out = dst;  // locals, not captures: see RunPixelBands
    const uint8_t* const in = src;
    const uint8_t* const dark = frame;
    for (size_t i = 3 * first; i < 3 * (first + count); ++i) {
      uint8_t s = in[i], f = dark[i];
      out[i] = s > f ? uint8_t(s - f) : 0;
    }
  });
  return true;
}

bool CutFrameToCrop(const uint8_t* frame, int frameWidth, int frameHeight, int left, int top,
                    uint8_t* out, int cropWidth, int cropHeight) {
  size_t frameBytes = 0, cropBytes = 0;
  if (!PictureArgs(frame, frameWidth, frameHeight, frameBytes) ||
      !PictureArgs(out, cropWidth, cropHeight, cropBytes))
    return false;
  std::memset(out, 128, cropBytes);
  for (int y = 0; y < cropHeight; ++y) {
    int64_t fy = int64_t(top) + y;
    if (fy < 0 || fy >= frameHeight) continue;
    // The columns of this row that fall inside the frame, copied in one piece.
    int64_t x0 = std::max<int64_t>(0, -int64_t(left));
    int64_t x1 = std::min<int64_t>(cropWidth, int64_t(frameWidth) - left);
    if (x0 >= x1) continue;
    const uint8_t* from = frame + (size_t(fy) * size_t(frameWidth) + size_t(left + x0)) * 3;
    std::memcpy(out + (size_t(y) * size_t(cropWidth) + size_t(x0)) * 3, from, size_t(x1 - x0) * 3);
  }
  return true;
}

}  // namespace orv
