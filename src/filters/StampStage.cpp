#include "filters/StampStage.h"

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

StampPlan DeriveStampStage(const TextGroup& text, const StampValues& values, bool previewMode) {
  StampPlan plan;
  if (text.Enabled != 1 || previewMode) return plan;
  plan.run = true;
  plan.text = ExpandStampTokens(text.String, values, text.DateType);
  plan.style = StampStyleFromSettings(text);
  return plan;
}

}  // namespace orv
