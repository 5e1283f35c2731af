// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Curve.h"

#include <gtest/gtest.h>

#include "settings/Settings.h"

namespace orv {
namespace {

TEST(Curve, PointsClampAndIgnoreBadIndices) {
  Curve c;
  c.SetPoint(0, 300);
  c.SetPoint(1, -5);
  c.SetPoint(20, 77);
  c.SetPoint(-1, 77);
  EXPECT_EQ(c.GetPoint(0), 255);
  EXPECT_EQ(c.GetPoint(1), 0);
  EXPECT_EQ(c.GetPoint(20), 0);
  EXPECT_EQ(c.GetPoint(-1), 0);
  c.SetPointCount(0);
  EXPECT_EQ(c.PointCount(), 1);
}

TEST(Curve, ExposureStopsIsAPiecewiseLinearLog2) {
  EXPECT_DOUBLE_EQ(ExposureStops(2), 1);
  EXPECT_DOUBLE_EQ(ExposureStops(3), 1.5);
  EXPECT_DOUBLE_EQ(ExposureStops(4), 2);
  EXPECT_DOUBLE_EQ(ExposureStops(6), 2.5);
  EXPECT_DOUBLE_EQ(ExposureStops(500), 8.953125);
  EXPECT_DOUBLE_EQ(ExposureStops(0.25), 0.25);
  EXPECT_DOUBLE_EQ(ExposureStops(1.0 / 0.0), 0.0);  // never loops forever
}

TEST(Curve, BalanceLookupInterpolatesAtTheShutterTime) {
  Settings s;
  Curve& c = s.Balance.Advanced;
  int pts[] = {0, 60, 120, 180, 240, 255, 30};
  for (int i = 0; i < 7; ++i) c.SetPoint(i, pts[i]);
  double r = (1.0 / 30) / 0.002;
  double x = std::min(ExposureStops(std::max(r, 2.0)), 11.0);
  EXPECT_EQ(c.StageLookup(x, true), 91);
  EXPECT_EQ(c.MarkerIndex(), 2);
  EXPECT_EQ(c.StageLookup(13, true), 30);   // the flash row
  EXPECT_EQ(c.StageLookup(11, true), 255);  // 8 s: x = 11 exactly, point 5
  c.SetNoExifIndex(4);
  EXPECT_EQ(c.StageLookup(x, false), 240);
  c.SetNoExifIndex(57);  // a hand-edited profile: kept on a slot
  EXPECT_EQ(c.StageLookup(x, false), c.GetPoint(19));
}

TEST(Curve, LevelsQuantizeToRows) {
  Settings s;
  Curve& d = s.Distance.Advanced;
  d.SetPoint(0, 0);
  d.SetPoint(1, 255);
  d.SetPoint(2, 255);
  EXPECT_EQ(d.StageLookup(2.5, true), 2);  // l = 0.5, v = 127
  d.SetNoExifIndex(3);
  d.SetPoint(3, 128);
  EXPECT_EQ(d.StageLookup(50, false), 2);
  EXPECT_EQ(d.Quantize(63), 1);
  EXPECT_EQ(d.Quantize(64), 2);
  EXPECT_EQ(d.Quantize(191), 3);
  Curve& w = s.Window.Advanced;
  for (int i = 0; i < 5; ++i) w.SetPoint(i, 255);
  EXPECT_EQ(w.StageLookup(3, true), 4);
  EXPECT_EQ(w.Quantize(42), 1);
  EXPECT_EQ(w.Quantize(43), 2);
  EXPECT_EQ(w.Quantize(212), 3);
  EXPECT_EQ(w.Quantize(213), 4);
  Curve one;
  one.SetLevels(1);
  EXPECT_EQ(one.Quantize(127), 1);  // one level is treated as two
  EXPECT_EQ(one.Quantize(255), 2);
  EXPECT_EQ(one.Levels(), 2);
}

TEST(Curve, DiscreteAndOnePointCurves) {
  Settings s;
  Curve& m = s.Midtones.Advanced;
  m.SetPoint(0, 10);
  m.SetPoint(1, 200);
  EXPECT_EQ(m.StageLookup(1, true), 200);
  EXPECT_EQ(m.StageLookup(0.7, true), 10);  // no interpolation
  m.SetNoExifIndex(0);
  EXPECT_EQ(m.StageLookup(-1, false), 10);
  Curve& b = s.Midtones.Basic;
  b.SetPoint(0, 99);
  EXPECT_EQ(b.StageLookup(0, false), 99);
  EXPECT_EQ(b.StageLookup(123, true), 99);
  Curve flat;
  flat.SetRange(5, 5);
  EXPECT_EQ(flat.Lookup(5, true), 0);  // zero-width range
}

}  // namespace
}  // namespace orv
