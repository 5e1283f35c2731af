// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Minolta colour matching stage's derive step: whether a picture is matched, whether it
// counts as sRGB afterwards, and the stage's texts. No pixels are touched here.
#pragma once

#include <string>
#include <string_view>

#include "settings/Settings.h"
#include "stages/StageContext.h"

namespace orv {

// The JPEG comment that marks a colour-matched output, recognised again on input.
inline constexpr std::string_view kColorMatchedComment = "sRGB Matched";

// The display model names a Minolta camera (the test ignores letter case).
bool IsMinoltaModel(std::string_view displayModel);
// The picture is already in sRGB: EXIF ColorSpace 1, or the exact comment of an earlier match.
bool IsAlreadySrgb(int colorSpace, std::string_view jpegComment);

struct MinoltaStagePlan {
  bool match = false;         // run MatchMinoltaColors on the picture (and the detail crop)
  bool colorMatched = false;  // set ColorMatched: the output is marked with the comment
  std::string stageText;      // the progress window's stage text when matching
  std::string logText;        // the stage line; empty for none
};

// sRGB.Enabled 1 turns matching on; with sRGB.Test 0 it is limited to Minolta pictures not yet in
// sRGB, with sRGB.Test non-zero every picture is matched.
MinoltaStagePlan DeriveMinoltaStage(const SRGBGroup& srgb, std::string_view displayModel, int colorSpace,
                               std::string_view jpegComment);

StageOutcome RunMinoltaStage(StageContext& ctx);

}  // namespace orv
