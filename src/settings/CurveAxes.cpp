// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CurveAxes.h"

#include <algorithm>

#include "settings/Profile.h"

namespace orv {

double BalanceShutter(const CameraSummary& c) {
  return c.EffectiveShutter == 0 ? 0.002 : c.EffectiveShutter;
}

AxisValue BalanceAxis(const CameraSummary& c) {
  AxisValue a;
  a.hasExif = c.HasExif && c.EffectiveShutter != 0;
  double r = std::max(BalanceShutter(c) / 0.002, 2.0);
  a.x = std::min(ExposureStops(r), 11.0);
  if (c.Flash == 1 && a.hasExif) a.x = 13;
  return a;
}

AxisValue FlashAxis(const CameraSummary& c) {
  return {double(c.Flash), c.HasExif && c.Flash != -1};
}

AxisValue CleanSkinAxis(const CameraSummary& c) {
  return {c.Flash == -1 ? 0.0 : double(c.Flash), c.HasExif && c.Flash != -1};
}

AxisValue SharpenAxis(const CameraSummary& c) {
  double t = c.EffectiveShutter;
  return {t >= 1 ? t : 0.0, c.HasExif && t != 0};
}

AxisValue RadiusAxis(const CameraSummary& c) {
  double f = c.FNumber == 0 ? 2.0 : c.FNumber;
  return {std::clamp(ExposureStops(f), 1.0, 3.0), SharpenAxis(c).hasExif};
}

AxisValue HotPixelsAxis(const CameraSummary& c) {
  return {c.EffectiveShutter, c.HasExif && c.EffectiveShutter != 0};
}

AxisValue DenoiseAxis(const CameraSummary& c) {
  double iso = c.Iso == 0 ? 100.0 : std::min(double(c.Iso), 400.0);
  return {iso, c.HasExif && c.Iso != 0};
}

AxisValue DistanceAxis(const CameraSummary& c) {
  return {c.SubjectDistance == 0 ? 50.0 : c.SubjectDistance, c.HasExif && c.SubjectDistance != 0};
}

int LookupAt(Curve& curve, AxisValue axis) {
  return curve.StageLookup(axis.x, axis.hasExif);
}

int BasicLookup(Curve& curve) {
  return curve.StageLookup(0.0, false);
}

HotPixelStrength LookupHotPixelStrength(Settings& s, const CameraSummary& c) {
  HotPixelStrength h;
  AxisValue given = HotPixelsAxis(c);
  h.axis = given;
  h.listed = s.HotPixels.Exclude != 0 && ExListMatches(s.HotPixels.ExList, c.DisplayModel);
  if (h.listed && s.HotPixels.ExcludeType == 0) {
    h.skipped = true;
  } else {
    if (h.listed) h.axis.hasExif = false;
    h.threshold = LookupAt(s.HotPixels.Advanced, h.axis);
  }
  s.Window.Advanced.SetNoExifIndex(s.HotPixels.Advanced.NoExifIndex());
  h.window = LookupAt(s.Window.Advanced, given);
  return h;
}

}  // namespace orv
