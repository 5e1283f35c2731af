// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CImageFilters: the object a pipeline run calls the pixel filters through. It carries the
// auto-balance levels found on the main picture to the preview's detail crop, so both are
// stretched alike.
//
// Conventions every filter of this folder follows:
//  - pictures are Image layout (R, G, B, top-down, stride 3 x width) passed as pointer, width,
//    height; filters work in place and return true on success;
//  - real-to-integer conversions truncate toward zero; results are clamped to 0..255 on a signed
//    integer before a byte is stored; real arithmetic is double precision;
//  - per-value transfer functions are precomputed into tables, so the per-pixel work is table
//    reads and integer arithmetic in one or two passes;
//  - temporaries are freed before returning; on failure the picture is left as it was.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

class CImageFilters {
 public:
  virtual ~CImageFilters() = default;

  // plane[i] = trunc(0.299 R + 0.587 G + 0.114 B) for every pixel.
  bool LumaPlane(const uint8_t* pixels, int width, int height, uint8_t* plane);
  // Stretches the plane between the levels at the given percentiles and stores the levels.
  bool StretchLuma(uint8_t* plane, int width, int height, double lowPercent, double highPercent);
  // Stretches the plane with the stored levels.
  bool ApplyStoredLevels(uint8_t* plane, int width, int height);
  // Finds the luminance levels at lowLevel/255 and (255 - highLevel)/255 of the pixels, stretches
  // the luminance between them and moves every channel by the change of its pixel's luminance.
  bool AutoLevels(uint8_t* pixels, int width, int height, int lowLevel, int highLevel);
  // The same move with the levels stored by the last stretch (the detail crop's path).
  bool ApplyLevels(uint8_t* pixels, int width, int height);
  // Auto balance in one pass and without a copy, byte for byte what AutoLevels on a copy and
  // Blend of that copy into the picture give. FindBalanceLevels reads the picture and stores
  // the levels (as AutoLevels does); BalanceInPlace then moves and mixes every pixel with them.
  bool FindBalanceLevels(const uint8_t* pixels, int width, int height, int lowLevel,
                         int highLevel);
  bool BalanceInPlace(uint8_t* pixels, int width, int height, double alpha);
  // dst = trunc(dst (1 - alpha) + src alpha) per byte; alpha is clamped to 0..1.
  bool Blend(uint8_t* dst, int width, int height, const uint8_t* src, int srcWidth, int srcHeight,
             double alpha);

  // Tone curves (GammaFilters.cpp).
  // Midtone gamma on all channels: table[i] = trunc((i / 256)^(1 / gamma) x 256); gamma 0 and 1
  // change nothing. False for a negative or NaN gamma.
  bool AdjustGamma(uint8_t* pixels, int width, int height, double gamma);
  // Passes the channels selected by the mask's low byte (1 R, 2 G, 4 B) through a 256-byte table.
  bool ApplyChannelLut(uint8_t* pixels, int width, int height, unsigned mask, const uint8_t* table);
  // Blue-cast removal: a rounded gamma curve on blue; with mode 1 (flash fired) and a darkening
  // gamma the green channel gets the milder gamma 1 - (1 - gamma) / 1.8 as well. Gamma exactly 0
  // or 1 changes nothing.
  bool RemoveCast(uint8_t* pixels, int width, int height, double gamma, int mode);

  // Long-exposure noise (BlackFrame.cpp, HotPixels.cpp).
  // dst = max(0, src - frame) per byte; all three buffers are width x height pictures and may
  // be the same buffer.
  bool SubtractBlackFrame(uint8_t* dst, int width, int height, const uint8_t* src,
                          const uint8_t* frame);
  // Pulls every pixel that is brighter than the per-channel median of its wi x wi window towards
  // that median, never brightening; nt (0..255) is the share of the change kept. src holds
  // dst's pixels as they were before the call; it may be dst itself. wi is clamped to 3..9 and an even size is rounded up to the
  // next odd one; pixels closer than half a window to an edge are not touched.
  bool RemoveHotPixels(uint8_t* dst, int width, int height, const uint8_t* src, int nt, int wi);

  // Portrait de-focus (PortraitSmooth.cpp): bright areas take a softened copy, dark areas a
  // sharpened one; with pinkTones reddish pixels are pushed towards a pink tone.
  bool PortraitSmooth(uint8_t* pixels, int width, int height, double radius, int pinkTones);

  // Saturation about an integer luminance (Saturation.cpp); level 128 changes nothing, levels
  // outside -128..384 are ignored.
  bool AdjustSaturation(uint8_t* pixels, int width, int height, int level);

  int LevelLow = 0;
  int LevelHigh = 255;

 private:
  // Builds the stretch map of the stored levels; false when they span no range.
  bool StretchMap(uint8_t map[256]) const;
  // Shifts every pixel's channels by old luma - new luma, with old luma from the plane.
  static void ShiftByLuma(uint8_t* pixels, const uint8_t* plane, int width, int height,
                          const uint8_t map[256]);
  bool MoveByLevels(uint8_t* pixels, int width, int height, bool findLevels, int lowLevel,
                    int highLevel);
};

}  // namespace orv
