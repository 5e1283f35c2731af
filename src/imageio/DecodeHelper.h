// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The decoding helper's own side: the body of the `orv-decode` program (and of the tests' helper
// with decoders of their own), which decodes one file from standard input and answers on standard
// output in the form ChildDecodeWire.h states.
#pragma once

#include <cstddef>

#include "imageio/ChildDecode.h"

namespace orv {

struct HelperDecoder {
  const char* name;
  PictureRenderer render;
};

// Caps itself (memory, processor time, an end with the program that started it), runs the named
// decoder on standard input and writes the answer. Returns the process's exit status: 0 once the
// answer is out, 2 for a command line it does not understand, 1 when the answer could not be
// written.
int RunDecodeHelper(int argc, char** argv, const HelperDecoder* decoders, size_t count);

}  // namespace orv
