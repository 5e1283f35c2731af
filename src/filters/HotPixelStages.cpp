#include "filters/HotPixelStages.h"

#include <string>

namespace orv {

BlackFrameStageParams DeriveBlackFrameStage(const BlackFrameStageInput& in) {
  BlackFrameStageParams p;
  if (!in.frameLoaded) {
    p.log.text = "BF: No BF Loaded";
    return p;
  }
  p.showStageText = true;
  double t = in.shutter;
  bool hasExif = in.hasExif && t != 0;
  if (!hasExif) t = 2.0;
  // Strictly longer than one second, and only a frame of the picture's own size.
  p.subtract = t > 1 && in.width == in.frameWidth && in.height == in.frameHeight;
  if (!p.subtract) p.log.text = "BF: Skipping";
  return p;
}

HotPixelStageParams DeriveHotPixelStage(const HotPixelStageInput& in) {
  HotPixelStageParams p;
  double t = in.shutter;
  bool hasExif = in.hasExif && t != 0;
  if (in.advanced) {
    if (in.excluded && in.excludeType == 0) {
      p.nt = 0;
    } else {
      if (in.excluded && in.excludeType == 1) hasExif = false;
      p.nt = in.threshold;
    }
    p.wi = in.windowLevel + 2;
  } else {
    p.nt = in.threshold;
    p.wi = 3;
  }
  if (!hasExif && p.nt > 0) t = 1.0;
  // One second or longer, equality included.
  p.run = t >= 1 && p.nt > 0;
  if (p.run) p.log.text = "HP:NT=" + std::to_string(p.nt) + ",WI=" + std::to_string(p.wi);
  return p;
}

}  // namespace orv
