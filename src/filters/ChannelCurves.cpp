// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/ChannelCurves.h"

#include <cmath>

#include "filters/CopiedBlocks.h"
#include "filters/FilterArgs.h"

namespace orv {

double LevelsGammaCurve(int inLow, int inHigh, int outLow, int outHigh, double gamma, double x) {
  double a = inLow, b = inHigh, c = outLow, d = outHigh;
  double t = 255 * x - a;
  // Equal input levels give no range to divide by; the curve then starts at the low level.
  if (inHigh != inLow) t /= (b - a);
  if (gamma != 0) {
    double e = 1 / gamma;
    t = t >= 0 ? std::pow(t, e) : -std::pow(-t, e);
  }
  if (d >= c) {
    t = (d - c) * t + c;
  } else {
    t = c - (c - d) * t;
  }
  return t / 255;
}

CChannelCurves::CChannelCurves() {
  for (int i = 0; i < 256; ++i) red_[i] = green_[i] = blue_[i] = i;
}

void CChannelCurves::Fill(int32_t table[256], int inLow, int inHigh, int outLow, int outHigh,
                          double gamma) {
  for (int i = 0; i < 256; ++i) {
    double v = LevelsGammaCurve(inLow, inHigh, outLow, outHigh, gamma, i / 255.0) * 255 + 0.5;
    // NaN (an unusable gamma) fails both tests below; it maps to 0 rather than to an
    // undefined conversion.
    if (!(v >= 0)) {
      table[i] = 0;
    } else if (v >= 255) {
      table[i] = 255;
    } else {
      table[i] = int32_t(v);
    }
  }
}

void CChannelCurves::SetRed(int a, int b, int c, int d, double g) {
  Fill(red_, a, b, c, d, g);
}
void CChannelCurves::SetGreen(int a, int b, int c, int d, double g) {
  Fill(green_, a, b, c, d, g);
}
void CChannelCurves::SetBlue(int a, int b, int c, int d, double g) {
  Fill(blue_, a, b, c, d, g);
}

int32_t CChannelCurves::Entry(int channel, int i) const {
  if (i < 0 || i > 255) return 0;
  switch (channel) {
    case 0:
      return red_[i];
    case 1:
      return green_[i];
    case 2:
      return blue_[i];
    default:
      return 0;
  }
}

bool CChannelCurves::ApplyAll(uint8_t* pixels, int width, int height) const {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  // The low byte of each entry is what gets stored; byte tables keep the loop to three reads.
  uint8_t r[256], g[256], b[256];
  for (int i = 0; i < 256; ++i) {
    r[i] = uint8_t(red_[i]);
    g[i] = uint8_t(green_[i]);
    b[i] = uint8_t(blue_[i]);
  }
  // Each block is read from a copy of itself (CopiedBlocks.h).
  ForEachCopiedBlock(pixels, bytes, [&r, &g, &b](uint8_t* out, const uint8_t* in, size_t n) {
    for (size_t i = 0; i < n; i += 3) {
      out[i] = r[in[i]];
      out[i + 1] = g[in[i + 1]];
      out[i + 2] = b[in[i + 2]];
    }
  });
  return true;
}

bool CChannelCurves::ApplyBlue(uint8_t* pixels, int width, int height) const {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  uint8_t b[256];
  for (int i = 0; i < 256; ++i) b[i] = uint8_t(blue_[i]);
  ForEachCopiedBlock(pixels, bytes, [&b](uint8_t* out, const uint8_t* in, size_t n) {
    for (size_t i = 2; i < n; i += 3) out[i] = b[in[i]];
  });
  return true;
}

}  // namespace orv
