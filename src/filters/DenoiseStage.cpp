#include "filters/DenoiseStage.h"

#include <algorithm>
#include <string>

namespace orv {

CurvePoint DenoiseCurvePoint(int iso, bool hasExif) {
  if (iso == 0) return {100.0, false};
  return {double(std::min(iso, 400)), hasExif};
}

CurvePoint DistanceCurvePoint(double distance, bool hasExif) {
  if (distance == 0) return {50.0, false};
  return {distance, hasExif};
}

CurvePoint CleanSkinCurvePoint(int flash, bool hasExif) {
  if (flash == -1) return {0.0, false};
  return {double(flash), hasExif};
}

DenoiseStageParams DeriveDenoiseStage(const DenoiseStageInput& in) {
  DenoiseStageParams p;
  p.alpha = in.strength / 255.0;
  p.passes = std::min(in.passLevel, 3);
  if (in.portrait) {
    p.radius = in.cleanSkin / 50.0;
    p.pinkTones = in.pinkTones ? 1 : 0;
    if (p.radius > 0) {
      p.action = DenoiseStageParams::kPortrait;
      p.log.text = "DECS:Alpha=" + FormatG(p.alpha) + ", Radius=" + FormatG(p.radius);
    }
    return p;
  }
  if (p.alpha > 0) {
    p.action = DenoiseStageParams::kNoiseRemoval;
    p.log.text = "DE:Alpha=" + FormatG(p.alpha) + ", Level=" + std::to_string(p.passes);
  }
  return p;
}

}  // namespace orv
