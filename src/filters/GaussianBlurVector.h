// The vector path of the Gaussian blur and the unsharp mask: the same arithmetic as the reference
// code in GaussianBlur.cpp (double sums in tap order, the same divisions and truncations), run on
// all channels of a strip of columns at once so that both passes work in the cache. Built for
// every vector target; the active one runs.
#pragma once

#include <cstdint>

#include "filters/FilterProgress.h"
#include "filters/GaussianBlur.h"

namespace orv {

// The mask step applied to each blurred row instead of storing the blur: dst = clamp(src +
// trunc(clamp((src - blur) x amount, -1024, 1024))) where |src - blur| > threshold. amount must
// be finite.
struct UnsharpStep {
  unsigned threshold;
  double amount;
};

// Whether the vector path runs (a vector target is active rather than the reference code).
bool GaussianBlurVectorRuns();

// dst = the blur of src (or, with mask, the unsharp result); src may be dst, at the cost of two
// buffers of half x channels bytes a row for the columns a strip's neighbour still reads.
// Arguments are already checked. The hook is asked with the same percentages as the
// scalar blur, as the work reaches them. False on allocation failure or a stop request.
bool GaussianBlurVector(const uint8_t* src, uint8_t* dst, int width, int height, int channels,
                        const GaussianKernel& kernel, const UnsharpStep* mask,
                        const ProgressHook* progress);

}  // namespace orv
