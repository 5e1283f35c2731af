// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Turns every correction of a settings model off, so that a test switches on only the one it
// looks at.
#pragma once

#include "settings/Settings.h"

namespace orv::test {

inline void TurnCorrectionsOff(Settings& s) {
  for (CurveSection* c : {&s.Balance, &s.Midtones, &s.ColorCast, &s.Saturation,
                          static_cast<CurveSection*>(&s.Sharpen),
                          static_cast<CurveSection*>(&s.HotPixels), &s.Denoise})
    c->Enabled = c->SimEnabled = 0;
  s.FilterSim.Enabled = s.FilterSim.SimEnabled = 0;
  s.sRGB.Enabled = 0;
  s.Text.Enabled = 0;
}

}  // namespace orv::test
