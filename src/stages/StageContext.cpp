// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/StageContext.h"

#include "settings/CurveAxes.h"

namespace orv {

bool StageContext::CopyToSpare() {
  return Check(!picture.empty() && spare.CopyFrom(picture), "no memory for a copy of the picture");
}

bool StageContext::CopyCropToSpare() {
  return crop && detailSpare && !crop->empty() && detailSpare->CopyFrom(*crop);
}

int FlashStageValue(const CurveStageSettings& stage, const CameraSummary& camera) {
  return stage.advanced ? LookupAt(*stage.curve, FlashAxis(camera)) : BasicLookup(*stage.curve);
}

}  // namespace orv
