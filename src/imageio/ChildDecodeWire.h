// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the program and its decoding helper say to each other. The program starts
//   orv-decode DECODER [--seconds N] [--memory BYTES] [--box WIDTHxHEIGHT] [--percent N]
// with the file on standard input (the photo's own file, or a memory file holding its bytes) and
// reads on standard output one answer: this header, then the pixels (width x height x 3 bytes,
// when the error is 0), the EXIF block, the colour profile, the XMP packet and the decoder's own
// words, each of the size the header gives.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr uint32_t kHelperMagic = 0x4456524F;  // "ORVD" in the bytes of this machine
// Raised whenever the answer's form changes, so a stale helper is refused rather than misread.
inline constexpr uint32_t kHelperVersion = 1;

// No EXIF block, profile, XMP packet or message comes near this; a helper claiming more is not
// believed.
inline constexpr uint32_t kMaxHelperBlobBytes = 64u << 20;

struct HelperAnswer {
  uint32_t magic;
  uint32_t version;
  uint32_t error;
  int32_t width, height;
  uint32_t exifSize, iccSize, xmpSize, detailSize;
  uint32_t upright;
  // The file's full size when the picture is smaller (a RAW at half size), else 0.
  int32_t fullWidth, fullHeight;
  // The picture the decoder refused for passing the pixel cap, for the load's message.
  int64_t refusedWidth, refusedHeight;
};
static_assert(sizeof(HelperAnswer) == 64, "the answer has no padding");

// Marks this process as the helper: from now on LimitChildMemory caps it.
void MarkDecodeHelperProcess();

}  // namespace orv
