// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Constant colour data of Minolta DiMAGE cameras: the camera and sRGB primaries and the two
// 512-sample tone curves.
#pragma once

#include <array>
#include <span>

namespace orv {

using Matrix3 = std::array<double, 9>;  // row-major
using ToneCurve = std::array<double, 512>;

// Camera RGB to XYZ (D50), rows X, Y, Z.
extern const Matrix3 kCameraToXyzMatrix;
// sRGB to XYZ (D50, the ICC sRGB profile's colorants), rows X, Y, Z.
extern const Matrix3 kSrgbToXyzMatrix;

// One known point of a tone curve: its sample index and value.
struct CurveKnot {
  int k;
  double v;
};

// The known points of the two curves; the full curves run through them.
std::span<const CurveKnot> CameraToneKnots();
std::span<const CurveKnot> OutputToneKnots();

// Sample k of the camera curve is the linear light of camera code k / 511 (steep towards the
// top); the output curve lifts the mid-tones of linear value k / 511. Both are filled between
// their known points by monotone piecewise cubic Hermite interpolation, so they are smooth and
// never decrease.
const ToneCurve& CameraToneCurve();
const ToneCurve& OutputToneCurve();

// The 512 samples through the knots (first at 0, last at 511) by monotone piecewise cubic
// Hermite interpolation: slopes by the weighted harmonic mean of the neighbouring secant slopes
// (zero where those differ in sign or one is zero), end slopes by the one-sided three-point
// formula limited so that the curve keeps the data's shape.
ToneCurve InterpolateMonotone(std::span<const CurveKnot> knots);

}  // namespace orv
