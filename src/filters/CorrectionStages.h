// Pipeline stages that run the correction filters: blue-cast removal (2), midtone gamma (5),
// black-frame subtraction (6), hot pixels (7), the denoiser or portrait smoothing (8), sharpen
// (10) and the colour final fix (11). Each looks up its strength, derives the filter's numbers
// and runs the filter on the picture and, in preview mode, on the detail crop.
#pragma once

#include "engine/StageContext.h"

namespace orv {

bool CastStageRun(StageContext& ctx);
bool MidtoneStageRun(StageContext& ctx);
bool BlackFrameStageRun(StageContext& ctx);
bool HotPixelStageRun(StageContext& ctx);
bool DenoiserStageRun(StageContext& ctx);
bool SharpenStageRun(StageContext& ctx);
bool SaturationStageRun(StageContext& ctx);

}  // namespace orv
