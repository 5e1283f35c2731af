// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/StageSettings.h"

namespace orv {
namespace {

CurveStageSettings Choose(const Settings& s, CurveSection& section) {
  CurveStageSettings stage;
  stage.advanced = s.IsAdvanced();
  stage.enabled = (stage.advanced ? section.Enabled : section.SimEnabled) == 1;
  stage.curve = stage.advanced ? &section.Advanced : &section.Basic;
  return stage;
}

}  // namespace

CurveStageSettings BalanceSettingsOf(Settings& s) {
  return Choose(s, s.Balance);
}
CurveStageSettings MidtonesSettingsOf(Settings& s) {
  return Choose(s, s.Midtones);
}
CurveStageSettings ColorCastSettingsOf(Settings& s) {
  return Choose(s, s.ColorCast);
}
CurveStageSettings SaturationSettingsOf(Settings& s) {
  return Choose(s, s.Saturation);
}

FilterSimSettings FilterSimSettingsOf(const Settings& s) {
  const FilterSimGroup& f = s.FilterSim;
  if (s.IsAdvanced()) return {f.Enabled == 1, f.FilterNo, f.BW == 1};
  return {f.SimEnabled == 1, f.SimFilterNo, f.SimBW == 1};
}

SharpenSettings SharpenSettingsOf(Settings& s) {
  CurveStageSettings base = Choose(s, s.Sharpen);
  SharpenSettings stage{base.enabled, base.advanced, base.curve};
  if (base.advanced) {
    stage.radius = &s.Radius.Advanced;
    stage.type = s.Sharpen.Type;
  }
  return stage;
}

bool BlackFrameEnabled(const Settings& s) {
  return s.HotPixels.BF == 1;
}

HotPixelSettings HotPixelSettingsOf(Settings& s) {
  CurveStageSettings base = Choose(s, s.HotPixels);
  HotPixelSettings stage{base.enabled, base.advanced, base.curve};
  if (base.advanced) {
    stage.window = &s.Window.Advanced;
    stage.exclude = s.HotPixels.Exclude;
    stage.excludeType = s.HotPixels.ExcludeType;
    stage.exList = &s.HotPixels.ExList;
  }
  return stage;
}

DenoiseSettings DenoiseSettingsOf(Settings& s) {
  DenoiseSettings stage;
  stage.advanced = s.IsAdvanced();
  if (stage.advanced) {
    stage.enabled = s.Denoise.Enabled == 1;
    stage.portrait = s.CleanSkin.Enabled == 1;
    stage.cleanSkin = &s.CleanSkin.Advanced;
    stage.pinkTones = s.CleanSkin.PinkTones == 1;
    stage.denoise = &s.Denoise.Advanced;
    stage.distance = &s.Distance.Advanced;
  } else {
    stage.enabled = s.Denoise.SimEnabled == 1;
    stage.portrait = s.CleanSkin.SimEnabled == 1;
    stage.cleanSkin = &s.CleanSkin.Basic;
    stage.pinkTones = s.CleanSkin.SimPinkTones == 1;
    stage.denoise = &s.Denoise.Basic;
    stage.distance = &s.Distance.Basic;
  }
  return stage;
}

}  // namespace orv
