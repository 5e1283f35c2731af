// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The row kernels of the speckle filter's half-passes, in builds for wider vectors than the
// reference code's own clones. Every kernel compares and adjusts bytes exactly as the reference
// loops do, so the results are the same on every path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filters/KernelPath.h"

namespace orv {

// out[i] from in[i] and the neighbour(s) in[i + o] (and in[i - o]) for i in [0, n).
using SpeckleRowFn = void (*)(uint8_t* __restrict out, const uint8_t* __restrict in, ptrdiff_t o,
                              int n);

struct SpeckleRowKernels {
  SpeckleRowFn raiseToward, lowerToward, raiseBetween, lowerBetween;
};

// The kernels for the path, or nullptr where the reference code's clones are the widest build.
const SpeckleRowKernels* SpeckleRowKernelsFor(KernelPath path);

}  // namespace orv
