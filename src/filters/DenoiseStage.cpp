#include "filters/DenoiseStage.h"

#include <algorithm>
#include <string>

namespace orv {

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
