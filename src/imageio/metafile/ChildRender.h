// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a third-party renderer in a child process, so that a file which crashes it or keeps it
// busy costs one failed load instead of the whole program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// A renderer in the style of the decoders: a buffer released with FreeLibraryBuffer, or null
// with the last error set.
using PictureRenderer = uint8_t* (*)(const uint8_t* data, size_t size, int* width, int* height);

enum class ChildEnd { kAnswered, kDied, kTimedOut };

// Calls `render` in a child process and hands back its 24-bit picture in this one. The child's
// error code comes back as the last error. A child that dies, or that has not finished after
// `secondsAllowed`, is ended and gives `failureCode`; a picture over the size limit gives 1.
// `end`, when given, says which of these happened.
uint8_t* RenderInChild(PictureRenderer render, const uint8_t* data, size_t size, int* width,
                       int* height, int secondsAllowed, unsigned failureCode,
                       ChildEnd* end = nullptr);

}  // namespace orv
