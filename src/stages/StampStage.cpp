// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/StampStage.h"

namespace orv {

StampStyle StampStyleFromSettings(const TextGroup& text) {
  StampStyle style;
  style.fontName = text.FontName;
  style.fontSize = text.FontSize;
  style.italic = text.Italic;
  style.underline = text.Underline;
  style.weight = text.Weight;
  style.placement = text.Placement;
  style.backType = text.BackType;
  style.offsetX = text.OffsetX;
  style.offsetY = text.OffsetY;
  style.textColor = uint32_t(text.TextColor) & 0xFFFFFF;
  style.bkColor = uint32_t(text.BKColor) & 0xFFFFFF;
  return style;
}

StampStagePlan DeriveStampStage(const TextGroup& text, const StampValues& values, bool previewMode) {
  StampStagePlan plan;
  if (text.Enabled != 1 || previewMode) return plan;
  plan.run = true;
  plan.text = ExpandStampTokens(text.String, values, text.DateType);
  plan.style = StampStyleFromSettings(text);
  return plan;
}

StampValues StampValuesFrom(const CameraSummary& c) {
  StampValues v;
  v.DateTime = c.DateTime;
  v.ShutterText = c.ShutterText;
  v.FNumberText = c.FNumberText;
  v.IsoText = c.IsoText;
  v.DisplayModel = c.DisplayModel;
  v.ExposureProgramText = c.ExposureProgramText;
  v.MeteringModeText = c.MeteringModeText;
  v.Flash = c.Flash;
  return v;
}

StageOutcome RunStampStage(StageContext& ctx) {
  StampStagePlan plan =
      DeriveStampStage(ctx.settings.Text, StampValuesFrom(ctx.camera), ctx.previewMode);
  if (!plan.run || !ctx.processPicture) return StageOutcome::kDone;
  // A text the fonts cannot draw leaves the picture unstamped; that is not counted a failure.
  Image& p = ctx.picture;
  RenderStamp(p.pixels(), p.width(), p.height(), plan.text, plan.style);
  return StageOutcome::kDone;
}

}  // namespace orv
