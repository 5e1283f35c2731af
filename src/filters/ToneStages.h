// The derive steps of the three flash-indexed colour stages: blue-cast removal ("Removing
// Cast"), midtone gamma ("Adjusting Gamma") and the colour final fix ("Color Final Fix"). Each
// turns the stage's curve value into the filter's parameters and the stage line; the caller
// reads the curve at FlashAxis (settings/CurveAxes.h) in Advanced mode or takes the Basic value.
#pragma once

#include "filters/StageLog.h"

namespace orv {

// The cast gamma of a curve value x (0..255): 1.49609 at 255, 0.668407 at 0, 1 at 128.
double CurveGamma(int x);
// The midtone gamma of a curve value m (0..255): 1 + (m / 128 - 1) / 2 above 128,
// 1 / (1 + 2 ((255 - m) / 128 - 1)) below; 1 at 128.
double MidtoneGamma(int m);

struct CastStageInput {
  bool advanced = false;
  int value = 128;  // ColorCast curve at FlashAxis (Advanced) or ColorCast.SimData (Basic)
  int flash = -1;   // the photograph's flash state (Advanced mode only)
};
struct CastStageParams {
  double gamma = 1.0;  // for RemoveCast, which does nothing at exactly 1
  int mode = 0;        // RemoveCast's mode: the flash state in Advanced mode, 0 in Basic mode
  StageLog log;        // "CC:Gamma=%g"
};
CastStageParams DeriveCastStage(const CastStageInput& in);

struct MidtoneStageInput {
  int value = 128;  // Midtones curve at FlashAxis (Advanced) or Midtones.Simple (Basic)
};
struct MidtoneStageParams {
  bool run = false;  // AdjustGamma on the picture (and the crop); false when the gamma is 1
  double gamma = 1.0;
  StageLog log;  // "MI:Gamma=%g", only when run
};
MidtoneStageParams DeriveMidtoneStage(const MidtoneStageInput& in);

struct SaturationStageInput {
  int value = 128;  // Saturation curve at FlashAxis (Advanced) or Saturation.SimData
};
struct SaturationStageParams {
  int level = 128;  // for AdjustSaturation, which does nothing at 128
  StageLog log;     // "SA: NT=%d"
};
SaturationStageParams DeriveSaturationStage(const SaturationStageInput& in);

}  // namespace orv
