// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CMinoltaMatcher: converts pictures stored in a Minolta DiMAGE camera's own colour space to
// sRGB: camera tone curve to linear light, camera primaries to sRGB primaries, output tone curve,
// sRGB encoding.
#pragma once

#include <cstdint>

#include "filters/MinoltaTables.h"

namespace orv {

class CMinoltaMatcher {
 public:
  CMinoltaMatcher() { BuildTables(); }
  virtual ~CMinoltaMatcher() = default;

  // Fills the matrix and the two tables.
  void BuildTables();
  // Converts one pixel (3 bytes R, G, B); src and dst may be the same.
  void MatchPixel(const uint8_t* src, uint8_t* dst) const;

  double linear[256];  // camera code to linear light
  uint8_t srgb[1024];  // linear light i / 1023 to sRGB code
  Matrix3 matrix;      // camera linear RGB to sRGB linear RGB, row-major
};

// M = inverse(sRGB to XYZ) x (camera to XYZ), the inverse by cofactors and determinant.
Matrix3 CameraToSrgbMatrix();

// Converts the whole picture in place. False for a null picture or a non-positive or too large
// size.
bool MatchMinoltaColors(uint8_t* pixels, int width, int height);

}  // namespace orv
