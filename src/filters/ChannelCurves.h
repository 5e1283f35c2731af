// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Per-channel tone tables built from a levels-and-gamma curve, as the blue-cast removal uses
// them: three 256-entry tables, identity at creation, each filled by one curve and applied to
// the pixels in one pass.
#pragma once

#include <cstdint>

namespace orv {

// The levels-and-gamma curve at x (0..1): input levels inLow..inHigh, output levels
// outLow..outHigh, gamma applied in between (odd-symmetric below 0). Double precision; the
// result is in 0..1 for the levels the program uses.
double LevelsGammaCurve(int inLow, int inHigh, int outLow, int outHigh, double gamma, double x);

class CChannelCurves {
 public:
  CChannelCurves();

  // Fill one table: entry i = curve(i / 255) x 255 rounded half up, clamped to 0..255.
  void SetRed(int inLow, int inHigh, int outLow, int outHigh, double gamma);
  void SetGreen(int inLow, int inHigh, int outLow, int outHigh, double gamma);
  void SetBlue(int inLow, int inHigh, int outLow, int outHigh, double gamma);

  // Every byte of every pixel through its channel's table.
  bool ApplyAll(uint8_t* pixels, int width, int height) const;
  // Only the blue byte through the blue table.
  bool ApplyBlue(uint8_t* pixels, int width, int height) const;

  // Table entry i of channel 0 (R), 1 (G) or 2 (B); 0 for an index out of range.
  int32_t Entry(int channel, int i) const;

 private:
  static void Fill(int32_t table[256], int inLow, int inHigh, int outLow, int outHigh,
                   double gamma);

  int32_t red_[256];
  int32_t green_[256];
  int32_t blue_[256];
};

}  // namespace orv
