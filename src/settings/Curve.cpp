// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Curve.h"

#include <algorithm>
#include <cmath>

namespace orv {

Curve::Curve() : labels_(size_t(pointCount_)) {
  points_.fill(128);
}

void Curve::SetPoint(int index, int value) {
  if (index < 0 || index >= kSlots) return;
  points_[size_t(index)] = uint8_t(std::clamp(value, 0, 255));
}

int Curve::GetPoint(int index) const {
  if (index < 0 || index >= kSlots) return 0;
  return points_[size_t(index)];
}

void Curve::SetPointCount(int n) {
  // More than 20 points would address slots that do not exist.
  pointCount_ = std::clamp(n, 1, kSlots);
  labels_.assign(size_t(pointCount_), std::string());
}

void Curve::SetRange(double xMin, double xMax) {
  xMin_ = xMin;
  xMax_ = xMax;
}

double Curve::PointX(int k) const {
  if (pointCount_ <= 1) return xMin_;
  return xMin_ + k * (xMax_ - xMin_) / (pointCount_ - 1);
}

void Curve::SetMarker(double x) {
  markerX_ = std::clamp(x, std::min(xMin_, xMax_), std::max(xMin_, xMax_));
  if (pointCount_ <= 1) {
    markerIndex_ = 0;
    return;
  }
  double step = (xMax_ - xMin_) / (pointCount_ - 1);
  if (step == 0.0) {
    markerIndex_ = 0;
    return;
  }
  double pos = (markerX_ - xMin_) / step + 0.5;
  markerIndex_ = std::clamp(int(pos), 0, pointCount_ - 1);
}

int Curve::Lookup(double x, bool hasExif) {
  x = std::clamp(x, std::min(xMin_, xMax_), std::max(xMin_, xMax_));
  int v;
  if (pointCount_ == 1) {
    v = GetPoint(0);
  } else if (!hasExif) {
    // A no-EXIF index read from a hand-edited profile may lie anywhere; keep it on a slot.
    v = GetPoint(std::clamp(noExifIndex_, 0, kSlots - 1));
  } else if (discrete_) {
    v = GetPoint(std::clamp(int(x), 0, 1));
  } else {
    double step = (xMax_ - xMin_) / (pointCount_ - 1);
    if (step == 0.0) return 0;
    double l = std::clamp((x - xMin_) / step, 0.0, double(pointCount_ - 1));
    int m = int(l);
    double f = l - m;
    if (m >= kSlots) return -1;
    if (f == 0.0) {
      v = GetPoint(m);
    } else {
      int m2 = std::min(m + 1, pointCount_ - 1);
      v = int(GetPoint(m) + f * (GetPoint(m2) - GetPoint(m)));
    }
  }
  return Quantize(v);
}

int Curve::StageLookup(double x, bool hasExif) {
  SetMarker(x);
  SetHasExif(hasExif);
  return Lookup(x, hasExif);
}

int Curve::Quantize(int v) {
  if (levels_ <= 0) return v;
  if (levels_ == 1) levels_ = 2;
  int b = 255 / (levels_ - 1);
  if (b == 0) b = 1;
  return (v + b / 2) / b + 1;
}

void Curve::SetLabel(int index, std::string label) {
  if (index < 0 || index >= pointCount_) return;
  labels_[size_t(index)] = std::move(label);
}

const std::string& Curve::Label(int index) const {
  static const std::string kEmpty;
  if (index < 0 || index >= pointCount_) return kEmpty;
  return labels_[size_t(index)];
}

void Curve::SetTitles(std::string axisTitle, std::string curveTitle) {
  axisTitle_ = std::move(axisTitle);
  curveTitle_ = std::move(curveTitle);
}

double ExposureStops(double v) {
  // Halving never brings infinity below 2, so a non-finite value has no stops.
  if (!std::isfinite(v)) return 0.0;
  int k = 0;
  while (std::trunc(v) > 1.0) {
    v /= 2.0;
    ++k;
  }
  return k + (v - std::trunc(v));
}

}  // namespace orv
