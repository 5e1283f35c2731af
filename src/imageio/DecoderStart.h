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

// Records the code and gives the decoder's null result.
inline uint8_t* DecodeFailure(unsigned code) {
  SetLastLibraryError(code);
  return nullptr;
}

}  // namespace orv
