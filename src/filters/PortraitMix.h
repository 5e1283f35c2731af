// Portrait smoothing's final mix (PortraitSmooth.cpp): one entry point that runs the vector code
// of the active kernel target (the same integer formulas in 16-bit lanes, whose products never
// pass 255 x 255) or the reference code, with the same bytes either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Mixes count pixels: pixels is read and written, sharp and soft (the sharpened and the blurred
// copy) only read; pinkTones overlays reddish pixels with the pink tone.
void PortraitMix(uint8_t* pixels, const uint8_t* sharp, const uint8_t* soft, size_t count,
                 bool pinkTones);

}  // namespace orv
