// Pipeline stages that run the colour filters of this folder: Minolta colour matching (stage 1),
// photographic filter simulation (stage 4) and the text stamp (stage 12).
#pragma once

#include "engine/StageContext.h"
#include "filters/TextStamp.h"

namespace orv {

bool MinoltaColorStage(StageContext& ctx);
bool FilterSimulationStageRun(StageContext& ctx);
bool TextStampStage(StageContext& ctx);

// The camera texts a stamp's tokens take.
StampValues StampValuesFrom(const CameraSummary& c);

}  // namespace orv
