// Included first by every file that uses Highway (before any hwy header), so that all of them
// build the same targets and agree on the dispatch tables.
#pragma once

// The targets built: every one Highway offers for the architecture but SSSE3, which adds nothing
// over SSE4 for the kernels, and the fixed-width SVE variants, which add nothing over SVE. A
// processor without any of them runs the reference code.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_SVE_256 | HWY_SVE2_128)
#endif

// True while a kernel file is compiled for Highway's one-lane fallback target. Its entry points
// run the reference code there: the processor has no vector target this build knows.
#define ORV_FALLBACK_TARGET (HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128)
