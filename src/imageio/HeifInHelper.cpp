// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programs' side of a HEIF file: it is decoded in the decoding helper (HeifRead.cpp), so
// reading one does not load libheif here.
#include <cstdint>

#include "imageio/ChildDecode.h"
#include "imageio/Codecs.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

// HEIF photographs are a few megabytes; a 200-megapixel one stays well below this.
constexpr uint64_t kMaxHeifFileBytes = 1ull << 30;
// A 12-megapixel HEIC decodes in under a second; a file still busy after this is not a photo.
constexpr int kSecondsAllowed = 60;

}  // namespace

uint8_t* ReadHeif(ImageSource* source, int bits, int* width, int* height) {
  return DecodeSourceInChild(helper_decoder::kHeif, source, bits, width, height, kMaxHeifFileBytes,
                             {.seconds = kSecondsAllowed, .failureCode = kErrBadHeif});
}

}  // namespace orv
