// The luminance of RGB pixels: trunc(0.299 R + 0.587 G + 0.114 B) with the three products as
// doubles summed in that order, the same bytes on the reference code and every vector target.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// The luma of count pixels (three bytes each) from rgb into luma.
void LumaRow(const uint8_t* rgb, uint8_t* luma, size_t count);

}  // namespace orv
