// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A stage strength laid out over one exposure quantity: up to 20 point values (0..255) evenly
// spaced between XMin and XMax, with a point chosen for photographs that lack the quantity.
// The same object is edited by the curve control of the settings pages and read by the pipeline.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class Curve {
 public:
  static constexpr int kSlots = 20;

  Curve();

  // Point values. Out-of-range indices are ignored on set and read as 0.
  void SetPoint(int index, int value);
  int GetPoint(int index) const;

  // Number of points in use (at least 1); resets the row labels to n empty texts.
  void SetPointCount(int n);
  int PointCount() const { return pointCount_; }

  void SetRange(double xMin, double xMax);
  double XMin() const { return xMin_; }
  double XMax() const { return xMax_; }
  // The axis value of point k.
  double PointX(int k) const;

  // The point used without an axis value. Stored as given; Lookup brings it into 0..19.
  void SetNoExifIndex(int index) { noExifIndex_ = index; }
  int NoExifIndex() const { return noExifIndex_; }

  void SetHasExif(bool hasExif) { hasExif_ = hasExif; }
  bool HasExif() const { return hasExif_; }

  // Records the row nearest to x for display.
  void SetMarker(double x);
  int MarkerIndex() const { return markerIndex_; }
  double MarkerX() const { return markerX_; }

  // The curve value at x: 0..255, or a level 1..Levels for curves with output levels.
  int Lookup(double x, bool hasExif);
  // A stage's lookup: set marker, set has-EXIF, then Lookup, in that order.
  int StageLookup(double x, bool hasExif);
  int Quantize(int v);

  void SetDiscrete(bool discrete) { discrete_ = discrete; }
  bool Discrete() const { return discrete_; }
  void SetLevels(int levels) { levels_ = levels; }
  int Levels() const { return levels_; }
  void SetFlashRow(bool flashRow) { flashRow_ = flashRow; }
  bool FlashRow() const { return flashRow_; }
  void SetCentered(bool centered) { centered_ = centered; }
  bool Centered() const { return centered_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Enabled() const { return enabled_; }

  void SetLabel(int index, std::string label);
  const std::string& Label(int index) const;
  void SetTitles(std::string axisTitle, std::string curveTitle);
  const std::string& AxisTitle() const { return axisTitle_; }
  const std::string& CurveTitle() const { return curveTitle_; }

 private:
  std::array<uint8_t, kSlots> points_;
  int pointCount_ = 4;
  double xMin_ = 0.0;
  double xMax_ = 100.0;
  int noExifIndex_ = 1;
  bool hasExif_ = false;
  bool discrete_ = false;
  int levels_ = 0;
  int markerIndex_ = 0;
  double markerX_ = 0.0;
  std::vector<std::string> labels_;
  std::string axisTitle_;
  std::string curveTitle_;
  bool enabled_ = true;
  bool flashRow_ = false;
  bool centered_ = false;
};

// The piecewise-linear base-2 logarithm that places shutter times and F-numbers on the axes:
// halve while the integer part exceeds 1, counting the halvings, then add the remaining fraction.
double ExposureStops(double v);

}  // namespace orv
