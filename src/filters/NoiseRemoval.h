// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Speckle removal: every pixel moves one level at a time towards its neighbours along four
// directions, which flattens isolated bright and dark specks while edges stay.
#pragma once

#include <cstdint>

#include "filters/FilterProgress.h"

namespace orv {

// One call of the filter on an R,G,B picture in place. False (pixels unchanged) on a null
// pointer, a non-positive size, allocation failure, or when the progress hook asks to stop.
// The hook is asked 14 times (after the setup, once per direction and channel, at the end).
bool SpeckleRemove(uint8_t* pixels, int width, int height, const ProgressHook* progress = nullptr);

}  // namespace orv
