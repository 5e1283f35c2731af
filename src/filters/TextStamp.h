// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The text stamp: one line of free text and camera values drawn into a corner of the picture,
// optionally over a semi-transparent or opaque box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// The camera values the stamp's tokens stand for: the texts of the photograph's camera summary.
struct StampValues {
  std::string DateTime;             // %DATE%, as read ("YYYY:MM:DD HH:MM:SS")
  std::string ShutterText;          // %SPEED%
  std::string FNumberText;          // %FNUM%
  std::string IsoText;              // %ISO%
  std::string DisplayModel;         // %MODEL%
  std::string ExposureProgramText;  // %PROGRAM%
  std::string MeteringModeText;     // %METERING%
  int Flash = -1;                   // %FLASH%: 1 fired, 0 not fired, -1 unknown
};

// "Flash Used" for 1, "No Flash" for 0, empty otherwise.
std::string FlashText(int flash);

enum StampDateType : int {
  kDateUnchanged = 0,
  kDateDayMonthYear = 1,
  kDateMonthDayYear = 2,
  kDateDayMonthYearTime = 3,
  kDateMonthDayYearTime = 4,
};

// Reformats "YYYY:MM:DD HH:MM:SS" (read by position, separators not examined). Type 0 or an
// empty text: unchanged. Otherwise trimmed; a trimmed text under 19 characters is returned as is.
std::string FormatStampDate(std::string_view date, int dateType);

// Replaces the first occurrence of each token, in the order %DATE% %SPEED% %FNUM% %ISO% %MODEL%
// %PROGRAM% %METERING% %FLASH%, by its value.
std::string ExpandStampTokens(std::string_view text, const StampValues& values, int dateType);

enum StampPlacement : int {
  kTopCenter = 0,
  kBottomCenter = 1,
  kTopLeft = 2,
  kTopRight = 3,
  kBottomLeft = 4,
  kBottomRight = 5,  // and any other value
};

enum StampBackground : int {
  kBackTransparent = 0,  // no box
  kBack25 = 1,
  kBack50 = 2,  // and any other positive value
  kBackOpaque = 3,
};

// The drawing settings of the stamp (the Text section's values).
struct StampStyle {
  std::string fontName;
  int fontSize = 16;
  int italic = 0;
  int underline = 0;
  int weight = 400;
  int placement = kBottomLeft;
  int backType = kBackTransparent;
  int offsetX = 0;
  int offsetY = 0;
  uint32_t textColor = 0xFFFFFF;  // 0x00BBGGRR
  uint32_t bkColor = 0;
};

// Sizes below 8 (negative ones included) are drawn as 8.
int StampFontSize(int fontSize);

// Where the text and its box go, for a text of w x h pixels in a W x H picture.
struct StampLayout {
  int64_t x = 0, y = 0;  // top left of the text
  bool box = false;
  int64_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  double boxWeight = 0;                              // the box colour's share
};
StampLayout PlaceStamp(int width, int height, int textWidth, int textHeight,
                       const StampStyle& style);

// Draws the text into the picture in place. False when the picture is bad or the font cannot be
// made or drawn (the box may already be applied then).
bool RenderStamp(uint8_t* pixels, int width, int height, std::string_view text,
                 const StampStyle& style);

}  // namespace orv
