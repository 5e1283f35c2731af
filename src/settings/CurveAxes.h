// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Where a photograph stands on each curve's axis: the axis value x and whether the photograph
// gives it (has-EXIF), from its camera summary. One small function per curve, so that the stages
// and their log lines use the same rule.
#pragma once

#include "exif/CameraSummary.h"
#include "settings/Settings.h"

namespace orv {

struct AxisValue {
  double x = 0.0;
  bool hasExif = false;
};

// t below is the summary's effective shutter time in seconds.
AxisValue BalanceAxis(const CameraSummary& c);    // exposure stops of t/0.002, 13 for flash
AxisValue FlashAxis(const CameraSummary& c);      // Midtones, ColorCast, Saturation
AxisValue CleanSkinAxis(const CameraSummary& c);  // flash, 0 when unknown
AxisValue SharpenAxis(const CameraSummary& c);    // t from 1 s on, else 0
AxisValue RadiusAxis(const CameraSummary& c);     // exposure stops of the F-number, 1..3
AxisValue HotPixelsAxis(const CameraSummary& c);  // t
AxisValue DenoiseAxis(const CameraSummary& c);    // ISO, 100 when unknown, at most 400
AxisValue DistanceAxis(const CameraSummary& c);   // metres, 50 when unknown

// The shutter time the balance line reports: t, or 0.002 when it is unknown.
double BalanceShutter(const CameraSummary& c);

// A stage's lookup in Advanced mode: marker, has-EXIF, value.
int LookupAt(Curve& curve, AxisValue axis);
// A stage's lookup in Basic mode: x = 0 without EXIF, which a one-point curve answers with its
// only point.
int BasicLookup(Curve& curve);

// The hot-pixel strength in Advanced mode, with the camera-model rule: a listed model (when the
// exclusion is on) either skips the stage (ExcludeType 0) or uses the no-EXIF point. The Window
// curve then takes the HotPixels curve's no-EXIF index and is looked up with the flag the
// photograph gave before the model rule.
struct HotPixelStrength {
  bool listed = false;   // the model is in the exclusion list and the exclusion is on
  bool skipped = false;  // strength 0 without a lookup
  int threshold = 0;     // HotPixels curve value, 0..255
  int window = 1;        // Window curve level, 1..4
  AxisValue axis;        // as the HotPixels lookup used it (after the model rule)
};
HotPixelStrength LookupHotPixelStrength(Settings& s, const CameraSummary& c);

}  // namespace orv
