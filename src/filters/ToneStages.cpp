#include "filters/ToneStages.h"

#include <string>

namespace orv {

double CurveGamma(int x) {
  if (x > 128) return 1 + (x / 128.0 - 1) / 2;
  if (x < 128) return 1 / (1 + ((255 - x) / 128.0 - 1) / 2);
  return 1.0;
}

double MidtoneGamma(int m) {
  // The lower branch doubles the step (factor 2 where CurveGamma halves it), so darkening
  // reaches further than brightening.
  if (m > 128) return 1 + (m / 128.0 - 1) / 2;
  if (m < 128) return 1 / (1 + 2 * ((255 - m) / 128.0 - 1));
  return 1.0;
}

CastStageParams DeriveCastStage(const CastStageInput& in) {
  CastStageParams p;
  p.gamma = CurveGamma(255 - in.value);
  p.mode = in.advanced ? in.flash : 0;
  p.log.text = "CC:Gamma=" + FormatG(p.gamma);
  return p;
}

MidtoneStageParams DeriveMidtoneStage(const MidtoneStageInput& in) {
  MidtoneStageParams p;
  if (in.value == 128) return p;
  p.gamma = MidtoneGamma(in.value);
  if (p.gamma == 1.0) return p;  // m = 127 lands on exactly 1
  p.run = true;
  p.log.text = "MI:Gamma=" + FormatG(p.gamma);
  return p;
}

SaturationStageParams DeriveSaturationStage(const SaturationStageInput& in) {
  SaturationStageParams p;
  p.level = in.value;
  p.log.text = "SA: NT=" + std::to_string(in.value);
  return p;
}

}  // namespace orv
