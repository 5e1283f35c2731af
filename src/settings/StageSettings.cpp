#include "settings/StageSettings.h"

namespace orv {
namespace {

CurveStage Choose(const Settings& s, CurveSection& section) {
  CurveStage stage;
  stage.advanced = s.IsAdvanced();
  stage.enabled = (stage.advanced ? section.Enabled : section.SimEnabled) == 1;
  stage.curve = stage.advanced ? &section.Advanced : &section.Basic;
  return stage;
}

}  // namespace

CurveStage BalanceStage(Settings& s) {
  return Choose(s, s.Balance);
}
CurveStage MidtonesStage(Settings& s) {
  return Choose(s, s.Midtones);
}
CurveStage ColorCastStage(Settings& s) {
  return Choose(s, s.ColorCast);
}
CurveStage SaturationStage(Settings& s) {
  return Choose(s, s.Saturation);
}

FilterSimStage FilterSimulationStage(const Settings& s) {
  const FilterSimGroup& f = s.FilterSim;
  if (s.IsAdvanced()) return {f.Enabled == 1, f.FilterNo, f.BW == 1};
  return {f.SimEnabled == 1, f.SimFilterNo, f.SimBW == 1};
}

SharpenStage SharpeningStage(Settings& s) {
  CurveStage base = Choose(s, s.Sharpen);
  SharpenStage stage{base.enabled, base.advanced, base.curve};
  if (base.advanced) {
    stage.radius = &s.Radius.Advanced;
    stage.type = s.Sharpen.Type;
  }
  return stage;
}

bool BlackFrameEnabled(const Settings& s) {
  return s.HotPixels.BF == 1;
}

HotPixelStage HotPixelsStage(Settings& s) {
  CurveStage base = Choose(s, s.HotPixels);
  HotPixelStage stage{base.enabled, base.advanced, base.curve};
  if (base.advanced) {
    stage.window = &s.Window.Advanced;
    stage.exclude = s.HotPixels.Exclude;
    stage.excludeType = s.HotPixels.ExcludeType;
    stage.exList = &s.HotPixels.ExList;
  }
  return stage;
}

DenoiseStage DenoiserStage(Settings& s) {
  DenoiseStage stage;
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
