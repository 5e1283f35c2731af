// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/MinoltaStage.h"

#include <algorithm>
#include <cctype>

#include "filters/MinoltaMatcher.h"

namespace orv {

bool IsMinoltaModel(std::string_view displayModel) {
  std::string lower(displayModel);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return lower.find("minolta") != std::string::npos;
}

bool IsAlreadySrgb(int colorSpace, std::string_view jpegComment) {
  return colorSpace == 1 || jpegComment == kColorMatchedComment;
}

MinoltaStagePlan DeriveMinoltaStage(const SRGBGroup& srgb, std::string_view displayModel, int colorSpace,
                               std::string_view jpegComment) {
  MinoltaStagePlan plan;
  if (srgb.Enabled != 1) return plan;
  if (srgb.Test == 0) {
    if (!IsMinoltaModel(displayModel)) {
      plan.logText = "Color Matching Skipping - it is not Minolta image";
      return plan;
    }
    if (IsAlreadySrgb(colorSpace, jpegComment)) {
      plan.colorMatched = true;
      plan.logText = "Color Matching Skipping - image is already in sRGB";
      return plan;
    }
  }
  plan.match = true;
  plan.colorMatched = true;
  plan.stageText = "Color Matching (Minolta->sRGB";
  plan.logText = "DiMAGE->sRGB";
  return plan;
}


StageOutcome RunMinoltaStage(StageContext& ctx) {
  const CameraSummary& c = ctx.camera;
  MinoltaStagePlan plan =
      DeriveMinoltaStage(ctx.settings.sRGB, c.DisplayModel, c.ColorSpace, c.JpegComment);
  if (plan.colorMatched) ctx.colorMatched = true;
  if (plan.match) {
    ctx.services.ShowStageText(plan.stageText);
    ctx.InPlace(
        [](Image& img) { return MatchMinoltaColors(img.pixels(), img.width(), img.height()); });
  }
  if (!plan.logText.empty()) ctx.StageLine(plan.logText);
  return StageOutcome::kDone;
}

}  // namespace orv
