// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programs' side of the decoders that run in the decoding helper (RawDecode.cpp,
// HeifRead.cpp, metafile/WmfPlayer.cpp): each hands its file over with its format's limits.
// Nothing here calls LibRaw, libheif or libwmf, so the programs do not load them to read a file.
#include <cstdint>

#include "imageio/ChildDecode.h"
#include "imageio/Codecs.h"
#include "imageio/LibraryError.h"
#include "imageio/RawCodec.h"
#include "imageio/metafile/Metafile.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

// The largest RAW files (150-megapixel medium format, uncompressed) stay well below this.
constexpr uint64_t kMaxRawFileBytes = 1ull << 30;
// A 100-megapixel file takes about 25 s to demosaic on a slow core; a file still busy after this
// long is not a photograph.
constexpr int kRawSecondsAllowed = 180;

// HEIF photographs are a few megabytes; a 200-megapixel one stays well below this.
constexpr uint64_t kMaxHeifFileBytes = 1ull << 30;
// A 12-megapixel HEIC decodes in under a second; a file still busy after this is not a photo.
constexpr int kHeifSecondsAllowed = 60;

}  // namespace

uint8_t* ReadRaw(ImageSource* source, int bits, int* width, int* height) {
  return DecodeSourceInChild(helper_decoder::kRaw, source, bits, width, height, kMaxRawFileBytes,
                             {.seconds = kRawSecondsAllowed, .failureCode = kErrBadRaw});
}

uint8_t* ReadHeif(ImageSource* source, int bits, int* width, int* height) {
  return DecodeSourceInChild(helper_decoder::kHeif, source, bits, width, height, kMaxHeifFileBytes,
                             {.seconds = kHeifSecondsAllowed, .failureCode = kErrBadHeif});
}

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
