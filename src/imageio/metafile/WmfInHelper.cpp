// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programs' side of a WMF file: it plays in the decoding helper (WmfPlayer.cpp), so nothing
// here needs libwmf.
#include "imageio/ChildDecode.h"
#include "imageio/LibraryError.h"
#include "imageio/metafile/Metafile.h"
#include "platform/CheckedMath.h"

namespace orv {

// libwmf is a large C library that trusts the files it reads, and fuzzing still finds ways to
// crash it. It plays in the decoding helper, so such a file is one failed load; 30 seconds is far
// beyond what any sound metafile needs. Every crash fuzzing still finds is in the device's text
// drawing (a null glyph bitmap for some stretched or rotated fonts), so after a crash the file
// plays once more without its text rather than not at all.
uint8_t* PlayWmf(const uint8_t* data, size_t size, int* width, int* height) {
  ChildLimits limits;
  limits.seconds = 30;
  // The canvas and libwmf's device copies of it, for the largest picture the cap allows.
  limits.memoryBytes = ChildMemoryFor(MaxPixelCount(), 8);
  limits.failureCode = kErrBadMetafile;
  ChildEnd end = ChildEnd::kAnswered;
  uint8_t* pixels = RenderInChild(helper_decoder::kWmf, data, size, width, height, limits, &end);
  if (pixels || end != ChildEnd::kDied) return pixels;
  return RenderInChild(helper_decoder::kWmfWithoutText, data, size, width, height, limits);
}

}  // namespace orv
