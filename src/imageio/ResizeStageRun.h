// Pipeline stage 9, resize: replaces the working picture by its resampled copy.
#pragma once

#include "engine/StageContext.h"

namespace orv {

bool ResizeStage(StageContext& ctx);

}  // namespace orv
