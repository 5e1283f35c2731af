// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// TransformJpeg: lossless JPEG rotations and flips on TurboJPEG's transform, over memory buffers.
// The DCT coefficients are rearranged, never decoded and re-encoded, and every marker segment of
// the source (APPn including EXIF, comments) is copied into the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orv {

// The selector in the low byte of the flags.
enum JpegTransform : unsigned {
  kJpegNoTransform = 0,
  kJpegFlipLeftRight = 1,
  kJpegFlipTopBottom = 2,
  kJpegTransverse = 3,
  kJpegTranspose = 4,
  kJpegRotate90 = 5,  // clockwise
  kJpegRotate180 = 6,
  kJpegRotate270 = 7,  // 90 degrees counter-clockwise
};

// Flag bits above the selector.
constexpr unsigned kJpegToGreyscale = 1u << 8;
constexpr unsigned kJpegNoTrim = 1u << 9;  // keep partial edge blocks (the transform may fail)
constexpr unsigned kJpegProgressive = 1u << 10;

// Transforms the JPEG file held in src into out. Without kJpegNoTrim, edge blocks that do not
// fill a whole coding block and would move to the leading edge are dropped. Returns 0; 5 for a
// null source, an empty one or an unknown selector or flag; 9 when the source is not a JPEG the
// transform can read; 1 when memory runs out. out is left empty on failure.
unsigned TransformJpeg(const uint8_t* src, size_t srcSize, unsigned flags,
                       std::vector<uint8_t>& out);

// The same, handing the transformed file to sink while the transform's own buffer still holds
// it (no copy); the sink's result (0 or a code) becomes the result.
using TransformSink = std::function<unsigned(const uint8_t* data, size_t size)>;
unsigned TransformJpeg(const uint8_t* src, size_t srcSize, unsigned flags,
                       const TransformSink& sink);

}  // namespace orv
