// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/MinoltaMatcher.h"

#include <cmath>

#include "filters/MinoltaRows.h"
#include "platform/CheckedMath.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

Matrix3 Multiply(const Matrix3& a, const Matrix3& b) {
  Matrix3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r[size_t(3 * i + j)] = a[size_t(3 * i)] * b[size_t(j)] +
                             a[size_t(3 * i + 1)] * b[size_t(3 + j)] +
                             a[size_t(3 * i + 2)] * b[size_t(6 + j)];
  return r;
}

Matrix3 Inverse(const Matrix3& m) {
  const double a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], f = m[5], g = m[6], h = m[7],
               i = m[8];
  const double A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  const double det = a * A + b * B + c * C;
  return {A / det, -(b * i - c * h) / det, (b * f - c * e) / det,
          B / det, (a * i - c * g) / det,  -(a * f - c * d) / det,
          C / det, -(a * h - b * g) / det, (a * e - b * d) / det};
}

inline double Clamp01(double v) {
  return v < 0.0 ? 0.0 : v > 1.0 ? 1.0 : v;
}

}  // namespace

Matrix3 CameraToSrgbMatrix() {
  return Multiply(Inverse(kSrgbToXyzMatrix), kCameraToXyzMatrix);
}

void CMinoltaMatcher::BuildTables() {
  matrix = CameraToSrgbMatrix();
  const ToneCurve& camera = CameraToneCurve();
  for (int i = 0; i < 256; ++i) linear[i] = camera[size_t(2 * i + 1)];
  for (int i = 0; i < 1024; ++i) {
    const double a = i / 1023.0;
    // The threshold 0.00304 (not the standard's 0.0031308) is the camera's own.
    const double e = a > 0.00304 ? 1.055 * std::pow(a, 1 / 2.4) - 0.055 : 12.92 * a;
    srgb[i] = uint8_t(int(e * 255 + 0.5));
  }
}

void CMinoltaMatcher::MatchPixel(const uint8_t* src, uint8_t* dst) const {
  const double r = linear[src[0]], g = linear[src[1]], b = linear[src[2]];
  const ToneCurve& out = OutputToneCurve();
  for (int c = 0; c < 3; ++c) {
    const double v = Clamp01(matrix[size_t(3 * c)] * r + matrix[size_t(3 * c + 1)] * g +
                             matrix[size_t(3 * c + 2)] * b);
    dst[c] = srgb[int(out[size_t(v * 511)] * 1023)];
  }
}

bool MatchMinoltaColors(uint8_t* pixels, int width, int height) {
  size_t bytes = 0;
  if (!pixels || !PictureBytes(width, height, 3, bytes)) return false;
  const CMinoltaMatcher matcher;
  // The output curve and the encoding folded into one table: index trunc(v x 511) to the byte.
  uint8_t encode[512];
  const ToneCurve& out = OutputToneCurve();
  for (int i = 0; i < 512; ++i) encode[i] = matcher.srgb[int(out[size_t(i)] * 1023)];
  // Each pixel depends only on itself, so converting in place gives what a second buffer would.
  RunPixelBands(width, height, [&](size_t first, size_t count) {
    MatchMinoltaRun(pixels + 3 * first, count, matcher.linear, matcher.matrix, encode);
  });
  return true;
}

}  // namespace orv
