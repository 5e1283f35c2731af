// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Which fields a pipeline stage reads in which mode. The pipeline asks these functions instead
// of testing Mode.Advanced and the switches itself; a switch counts as on only when it holds 1.
#pragma once

#include <string>

#include "settings/Settings.h"

namespace orv {

// A stage driven by one curve: the Advanced curve in Advanced mode, the one-point Basic curve
// in Basic mode, and the matching switch.
struct CurveStageSettings {
  bool enabled = false;
  bool advanced = false;
  Curve* curve = nullptr;
};

CurveStageSettings BalanceSettingsOf(Settings& s);
CurveStageSettings MidtonesSettingsOf(Settings& s);
CurveStageSettings ColorCastSettingsOf(Settings& s);
CurveStageSettings SaturationSettingsOf(Settings& s);

struct FilterSimSettings {
  bool enabled = false;
  int filterNo = 0;  // position in the filter list as the pages show it
  bool blackAndWhite = false;
};
FilterSimSettings FilterSimSettingsOf(const Settings& s);

struct SharpenSettings {
  bool enabled = false;
  bool advanced = false;
  Curve* amount = nullptr;  // Sharpen curve (Advanced) or Sharpen.SimData (Basic)
  Curve* radius = nullptr;  // Advanced mode only
  int type = 0;             // Sharpen.Type, Advanced mode only
};
SharpenSettings SharpenSettingsOf(Settings& s);

// Black-frame subtraction reads the same switch in both modes.
bool BlackFrameEnabled(const Settings& s);

struct HotPixelSettings {
  bool enabled = false;
  bool advanced = false;
  Curve* threshold = nullptr;  // HotPixels curve (Advanced) or HotPixels.SimData (Basic)
  Curve* window = nullptr;     // Advanced mode only
  // The camera-model exclusion applies in Advanced mode only.
  int exclude = 0;
  int excludeType = 0;
  const std::string* exList = nullptr;
};
HotPixelSettings HotPixelSettingsOf(Settings& s);

struct DenoiseSettings {
  bool enabled = false;
  bool advanced = false;
  bool portrait = false;       // portrait de-focus instead of noise removal
  Curve* cleanSkin = nullptr;  // portrait strength
  bool pinkTones = false;      // with portrait de-focus
  Curve* denoise = nullptr;    // noise-removal strength
  Curve* distance = nullptr;   // number of passes
};
DenoiseSettings DenoiseSettingsOf(Settings& s);

}  // namespace orv
