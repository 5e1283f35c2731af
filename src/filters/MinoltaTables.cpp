// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/MinoltaTables.h"

#include <cmath>
#include <vector>

namespace orv {
namespace {

// clang-format off
constexpr CurveKnot kCameraKnots[] = {
  {0, 0.0}, {1, 0.000412}, {2, 0.000839}, {4, 0.001663}, {8, 0.003326}, {16, 0.006577},
  {32, 0.012955}, {48, 0.019242}, {64, 0.025528}, {96, 0.038544}, {128, 0.052827},
  {160, 0.069245}, {192, 0.088319}, {224, 0.110002}, {256, 0.135119}, {288, 0.165545},
  {320, 0.200763}, {352, 0.242618}, {384, 0.292744}, {416, 0.368124}, {448, 0.483009},
  {480, 0.64036}, {496, 0.79292}, {504, 0.897261}, {508, 0.955962}, {510, 0.985321}, {511, 1.0},
};
constexpr CurveKnot kOutputKnots[] = {
  {0, 0.0}, {1, 0.00145}, {2, 0.002838}, {4, 0.005524}, {8, 0.010544}, {16, 0.02031},
  {32, 0.046921}, {48, 0.090639}, {64, 0.144656}, {96, 0.273732}, {128, 0.406928},
  {160, 0.508812}, {192, 0.610697}, {224, 0.689204}, {256, 0.755886}, {288, 0.814786},
  {320, 0.858015}, {352, 0.897322}, {384, 0.924895}, {416, 0.94847}, {448, 0.968139},
  {480, 0.983841}, {496, 0.992111}, {504, 0.996323}, {508, 0.998428}, {510, 0.999481}, {511, 1.0},
};
// clang-format on

double Sign(double v) {
  return v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0;
}

// End slope from the first two intervals, kept from overshooting the data.
double EndSlope(double h0, double h1, double d0, double d1) {
  double s = ((2 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
  if (Sign(s) != Sign(d0))
    s = 0;
  else if (Sign(d0) != Sign(d1) && std::fabs(s) > std::fabs(3 * d0))
    s = 3 * d0;
  return s;
}

}  // namespace

const Matrix3 kCameraToXyzMatrix = {0.52858,  0.412567,  0.02301,    //
                                    0.280212, 0.827759,  -0.107986,  //
                                    0.060455, -0.034973, 0.799408};
const Matrix3 kSrgbToXyzMatrix = {0.436066, 0.385147, 0.143066,  //
                                  0.222488, 0.716873, 0.060608,  //
                                  0.013916, 0.097076, 0.714096};

std::span<const CurveKnot> CameraToneKnots() {
  return kCameraKnots;
}
std::span<const CurveKnot> OutputToneKnots() {
  return kOutputKnots;
}

ToneCurve InterpolateMonotone(std::span<const CurveKnot> knots) {
  const size_t n = knots.size();
  std::vector<double> h(n - 1), d(n - 1), m(n);
  for (size_t i = 0; i + 1 < n; ++i) {
    h[i] = knots[i + 1].k - knots[i].k;
    d[i] = (knots[i + 1].v - knots[i].v) / h[i];
  }
  for (size_t i = 1; i + 1 < n; ++i) {
    if (d[i - 1] * d[i] <= 0) {
      m[i] = 0;
    } else {
      const double w1 = 2 * h[i] + h[i - 1], w2 = h[i] + 2 * h[i - 1];
      m[i] = (w1 + w2) / (w1 / d[i - 1] + w2 / d[i]);
    }
  }
  m[0] = EndSlope(h[0], h[1], d[0], d[1]);
  m[n - 1] = EndSlope(h[n - 2], h[n - 3], d[n - 2], d[n - 3]);

  ToneCurve out{};
  for (size_t i = 0; i + 1 < n; ++i) {
    for (int k = knots[i].k; k < knots[i + 1].k; ++k) {
      const double t = (k - knots[i].k) / h[i], t2 = t * t, t3 = t2 * t;
      out[size_t(k)] = (2 * t3 - 3 * t2 + 1) * knots[i].v + (t3 - 2 * t2 + t) * h[i] * m[i] +
                       (-2 * t3 + 3 * t2) * knots[i + 1].v + (t3 - t2) * h[i] * m[i + 1];
    }
  }
  out[size_t(knots[n - 1].k)] = knots[n - 1].v;
  return out;
}

const ToneCurve& CameraToneCurve() {
  static const ToneCurve curve = InterpolateMonotone(kCameraKnots);
  return curve;
}

const ToneCurve& OutputToneCurve() {
  static const ToneCurve curve = InterpolateMonotone(kOutputKnots);
  return curve;
}

}  // namespace orv
