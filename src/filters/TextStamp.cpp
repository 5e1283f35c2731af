// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/TextStamp.h"

#include <algorithm>

#include "filters/TextDraw.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr int kStampScale = 3;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void ApplyBox(uint8_t* pixels, int width, const StampLayout& l, uint32_t colour) {
  const double a = l.boxWeight;
  uint8_t map[3][256];
  for (int c = 0; c < 3; ++c) {
    const int k = int(colour >> (8 * c) & 0xFF);
    for (int v = 0; v < 256; ++v) map[c][v] = uint8_t(int(k * a + v * (1 - a)));
  }
  for (int64_t y = l.top; y < l.bottom; ++y) {
    uint8_t* p = pixels + (size_t(y) * size_t(width) + size_t(l.left)) * 3;
    for (int64_t x = l.left; x < l.right; ++x, p += 3) {
      p[0] = map[0][p[0]];
      p[1] = map[1][p[1]];
      p[2] = map[2][p[2]];
    }
  }
}

}  // namespace

std::string FlashText(int flash) {
  if (flash == 1) return "Flash Used";
  if (flash == 0) return "No Flash";
  return {};
}

std::string FormatStampDate(std::string_view date, int dateType) {
  if (dateType == kDateUnchanged || date.empty()) return std::string(date);
  while (!date.empty() && IsBlank(date.front())) date.remove_prefix(1);
  while (!date.empty() && IsBlank(date.back())) date.remove_suffix(1);
  if (date.size() < 19) return std::string(date);
  const std::string_view year = date.substr(0, 4), month = date.substr(5, 2),
                         day = date.substr(8, 2), hour = date.substr(11, 2),
                         minute = date.substr(14, 2);
  std::string out;
  switch (dateType) {
    case kDateDayMonthYear:
    case kDateDayMonthYearTime:
      out.append(day).append("/").append(month).append("/").append(year);
      break;
    case kDateMonthDayYear:
    case kDateMonthDayYearTime:
      out.append(month).append("/").append(day).append("/").append(year);
      break;
    default:
      // Types beyond the list keep the text as it is (trimmed).
      return std::string(date);
  }
  if (dateType == kDateDayMonthYearTime || dateType == kDateMonthDayYearTime)
    out.append("  ").append(hour).append(":").append(minute);
  return out;
}

std::string ExpandStampTokens(std::string_view text, const StampValues& values, int dateType) {
  const std::pair<std::string_view, std::string> tokens[] = {
      {"%DATE%", FormatStampDate(values.DateTime, dateType)},
      {"%SPEED%", values.ShutterText},
      {"%FNUM%", values.FNumberText},
      {"%ISO%", values.IsoText},
      {"%MODEL%", values.DisplayModel},
      {"%PROGRAM%", values.ExposureProgramText},
      {"%METERING%", values.MeteringModeText},
      {"%FLASH%", FlashText(values.Flash)},
  };
  std::string out(text);
  for (const auto& [token, value] : tokens) {
    const size_t at = out.find(token);
    if (at != std::string::npos) out.replace(at, token.size(), value);
  }
  return out;
}

int StampFontSize(int fontSize) {
  return fontSize < 8 ? 8 : fontSize;
}

StampLayout PlaceStamp(int width, int height, int textWidth, int textHeight,
                       const StampStyle& style) {
  const int64_t W = width, H = height, w = textWidth, h = textHeight;
  const int64_t ox = style.offsetX, oy = style.offsetY;
  StampLayout l;
  switch (style.placement) {
    case kTopCenter:
      l.x = (W - w) / 2, l.y = oy;
      break;
    case kBottomCenter:
      l.x = (W - w) / 2, l.y = H - h - oy;
      break;
    case kTopLeft:
      l.x = ox, l.y = oy;
      break;
    case kTopRight:
      l.x = W - w - ox, l.y = oy;
      break;
    case kBottomLeft:
      l.x = ox, l.y = H - h - oy;
      break;
    default:
      l.x = W - w - ox, l.y = H - h - oy;
      break;
  }
  if (style.backType > 0) {
    l.left = std::max<int64_t>(0, l.x - h / 2);
    l.top = std::max<int64_t>(0, l.y - h / 8);
    l.right = std::min<int64_t>(W, l.x + w + h / 2);
    l.bottom = std::min<int64_t>(H, l.y + h + h / 8);
    l.box = l.left < l.right && l.top < l.bottom;
    l.boxWeight = style.backType == kBack25 ? 0.25 : style.backType == kBackOpaque ? 1.0 : 0.5;
  }
  return l;
}

bool RenderStamp(uint8_t* pixels, int width, int height, std::string_view text,
                 const StampStyle& style) {
  size_t bytes = 0;
  if (!pixels || !PictureBytes(width, height, 3, bytes)) return false;
  FontDescription font;
  font.face = style.fontName;
  // The text is rendered at three times its size and reduced, which antialiases it.
  const int64_t big = int64_t(StampFontSize(style.fontSize)) * kStampScale;
  if (big > 0xFFFF) return false;
  font.height = int(big);
  font.weight = style.weight;
  font.italic = style.italic == 1;
  font.underline = style.underline == 1;
  int w3 = 0, h3 = 0;
  if (!MeasureText(text, font, w3, h3)) return false;
  const StampLayout l = PlaceStamp(width, height, w3 / kStampScale, h3 / kStampScale, style);
  if (l.box) ApplyBox(pixels, width, l, style.bkColor);
  return DrawTextSmooth(pixels, width, height, text, font, kStampScale, l.x, l.y, style.textColor);
}

}  // namespace orv
