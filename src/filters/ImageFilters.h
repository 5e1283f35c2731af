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
  // dst = trunc(dst (1 - alpha) + src alpha) per byte; alpha is clamped to 0..1.
  bool Blend(uint8_t* dst, int width, int height, const uint8_t* src, int srcWidth, int srcHeight,
             double alpha);

  int LevelLow = 0;
  int LevelHigh = 255;

 private:
  // Builds the stretch map of the stored levels; false when they span no range.
  bool StretchMap(uint8_t map[256]) const;
  // Shifts every pixel's channels by old luma - new luma, with old luma from the plane.
  static void ShiftByLuma(uint8_t* pixels, const uint8_t* plane, size_t count,
                          const uint8_t map[256]);
  bool MoveByLevels(uint8_t* pixels, int width, int height, bool findLevels, int lowLevel,
                    int highLevel);
};

}  // namespace orv
