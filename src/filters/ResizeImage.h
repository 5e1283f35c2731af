// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// ResizeImage: the resize stage's resampler, chosen by Size.Filter.
#pragma once

#include <cstdint>

namespace orv {

enum ResizeFilter : int {
  kResizeTwoPassBilinear = 0,  // "High Quality 2-Pass Bi-Linear Scaling"
  kResizeLanczos3 = 1,         // "Lanczos 3"; any value other than 0 selects it
};

// Scales a w x h picture (Image layout) into dst, a caller-owned W x H x 3 buffer: filter 0 with
// CTwoPassScaler, any other value with ResampleImage's Lanczos 3. False on bad arguments or when
// memory runs out (dst is then unspecified).
bool ResizeImage(const uint8_t* src, int w, int h, uint8_t* dst, int W, int H, int filter);

}  // namespace orv
