// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programs' side of a RAW file: it is decoded in the decoding helper (RawDecode.cpp), so
// nothing here needs LibRaw.
#include <cstdint>

#include "imageio/ChildDecode.h"
#include "imageio/LibraryError.h"
#include "imageio/RawCodec.h"

namespace orv {
namespace {

// The largest RAW files (150-megapixel medium format, uncompressed) stay well below this.
constexpr uint64_t kMaxRawFileBytes = 1ull << 30;
// A 100-megapixel file takes about 25 s to demosaic on a slow core; a file still busy after this
// long is not a photograph.
constexpr int kSecondsAllowed = 180;

}  // namespace

uint8_t* ReadRaw(ImageSource* source, int bits, int* width, int* height) {
  return DecodeSourceInChild(helper_decoder::kRaw, source, bits, width, height, kMaxRawFileBytes,
                             {.seconds = kSecondsAllowed, .failureCode = kErrBadRaw});
}

}  // namespace orv
