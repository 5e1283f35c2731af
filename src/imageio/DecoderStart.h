// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The checks every 24-bit decoder of the layer starts with, and its failure exit.
#pragma once

#include <cstdint>

#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

namespace orv {

struct ImageSource;

// False, with the thread's last error set, when the call cannot go on: no context, no source
// (code 38), or a bit depth other than 24 or a missing size output (code 5).
inline bool BeginDecode(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginLibraryCall()) return false;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return false;
  }
  if (bits != 24 || !width || !height) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  return true;
}

// The start of a decoder of bytes in memory, as the decoding helper runs them: the thread's
// context with the last decoding's metadata and error words cleared, or null with the last error
// set (code 5 for missing bytes or size outputs).
inline LibraryContext* BeginMemoryDecode(const uint8_t* data, int* width, int* height) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return nullptr;
  if (!data || !width || !height) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  ctx->decoded = {};
  ctx->errorDetail.clear();
  return ctx;
}

// Records the code and gives the decoder's null result.
inline uint8_t* DecodeFailure(unsigned code) {
  SetLastLibraryError(code);
  return nullptr;
}

}  // namespace orv
