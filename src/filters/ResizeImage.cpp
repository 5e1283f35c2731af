// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/ResizeImage.h"

#include "imageio/GeometryResult.h"
#include "filters/Resample.h"
#include "filters/TwoPassScaler.h"

namespace orv {

bool ResizeImage(const uint8_t* src, int w, int h, uint8_t* dst, int W, int H, int filter) {
  if (filter == kResizeTwoPassBilinear) {
    CTwoPassScaler scaler;
    return scaler.Scale(src, w, h, dst, W, H);
  }
  return ResampleImage(src, w, h, dst, W, H, 3, kLanczos3Kernel) == kGeometryOk;
}

}  // namespace orv
