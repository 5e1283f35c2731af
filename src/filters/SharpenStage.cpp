#include "filters/SharpenStage.h"

#include <algorithm>
#include <string>

#include "settings/Curve.h"

namespace orv {

SharpenStageParams DeriveSharpenStage(const SharpenStageInput& in) {
  SharpenStageParams p;
  p.percent = std::min(int(in.value / 2.55), 100);
  if (in.advanced) p.sigma = in.radiusValue / 51.0 + 0.6;
  if (p.percent <= 0) return p;
  if (!in.advanced || in.type == 0) {
    p.method = SharpenStageParams::kNeighbour;
    p.neighbourStrength = p.percent / 2;
    p.log.text = "SH: NT=" + std::to_string(p.percent);
    return p;
  }
  p.method = SharpenStageParams::kUnsharp;
  p.amount = p.percent / 100.0;
  p.log.text = "SH: Thresh=" + std::to_string(p.threshold) + ", Amount=" + FormatG(p.amount) +
               ", Sigma=" + FormatG(p.sigma);
  return p;
}

}  // namespace orv
