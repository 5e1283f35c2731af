// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CurveShapes.h"

#include <initializer_list>

namespace orv {
namespace {

struct Shape {
  int points;
  double xMin, xMax;
  const char* axisTitle;
  const char* curveTitle;
  std::initializer_list<const char*> labels;  // empty text: the row shows its axis value
  bool discrete = false;
  bool centered = false;
  bool flashRow = false;
  int levels = 0;
  bool hasBasic = true;
};

void Apply(CurveSection& section, const Shape& shape) {
  Curve& a = section.Advanced;
  a.SetPointCount(shape.points);
  a.SetRange(shape.xMin, shape.xMax);
  a.SetTitles(shape.axisTitle, shape.curveTitle);
  int i = 0;
  for (const char* label : shape.labels) a.SetLabel(i++, label);
  a.SetDiscrete(shape.discrete);
  a.SetCentered(shape.centered);
  a.SetFlashRow(shape.flashRow);
  a.SetLevels(shape.levels);

  // The Basic curve: one point, no axis title, the same curve title and output levels.
  Curve& b = section.Basic;
  b.SetPointCount(1);
  b.SetRange(0.0, 0.0);
  b.SetTitles("", shape.curveTitle);
  b.SetCentered(shape.centered);
  b.SetLevels(shape.levels);
  b.SetNoExifIndex(0);
}

}  // namespace

void ShapeCurves(Settings& s) {
  Apply(s.Balance, {7,
                    1,
                    13,
                    "Shutter Speed",
                    "Balance",
                    {"250", "60", "15", "4", "1\"", "4\"", "Flash"},
                    false,
                    false,
                    true});
  Apply(s.Midtones, {2, 0, 1, "Flash", "Midtones", {"NoFlash", "Flash"}, true, true});
  Apply(s.ColorCast, {2, 0, 1, "Flash", "ColorCast", {"NoFlash", "Flash"}, true, true});
  Apply(s.Saturation, {2, 0, 1, "Flash", "Saturation", {"NoFlash", "Flash"}, true, true});
  Apply(s.Sharpen, {3, 0, 2, "Shutter Speed", "Sharpen", {"<1\"", "1\"", ">2\""}});
  Apply(s.Radius, {5,
                   1.0,
                   2.9,
                   "F-number",
                   "Radius",
                   {"2", "2.8", "4", "5.6", "8"},
                   false,
                   false,
                   false,
                   0,
                   false});
  Apply(s.HotPixels,
        {5, 0, 8, "Shutter Speed (sec)", "Hot Pixels", {"<1\"", "2\"", "4\"", "6\"", "8\""}});
  Apply(s.Window, {5, 0, 8, "Window", "Hot Pixels", {}, false, false, false, 4, false});
  Apply(s.Denoise,
        {5, 100, 500, "ISO", "Denoisser", {"", "", "", "", "Flash"}, false, false, true});
  Apply(s.Distance, {3,
                     0,
                     10,
                     "Subject Distance (m)",
                     "Denoisser",
                     {"<", "5 m", "Inf."},
                     false,
                     false,
                     false,
                     3});
  Apply(s.CleanSkin, {2, 0, 1, "Soft Focus", "Smoother", {"NoFlash", "Flash"}});
}

}  // namespace orv
