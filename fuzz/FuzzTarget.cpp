// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One libFuzzer target; the build compiles this file once per decoder with ORV_FUZZ_TARGET set
// to the decoder's name in FuzzDecoders.h.
#include <cstdlib>

#include "FuzzDecoders.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keep single inputs cheap: 64 megapixels is plenty to reach every code path.
  setenv("ORV_MAX_MEGAPIXELS", "64", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::fuzz::RunTarget(ORV_FUZZ_TARGET, data, size);
  return 0;
}
