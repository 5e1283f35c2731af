// How deep a HEIF file's primary image is derived: a grid or overlay names its tiles through
// 'dimg' references, and a tile may itself be derived. libheif follows such chains without a bound
// (a 100 KB file of 1,600 chained grids takes it ten seconds), so the decoder measures the chain
// from the boxes first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// The longest chain of 'dimg' references from the primary item (0: not derived). -1 when the file
// has no readable 'meta' box with a primary item (libheif then says what is wrong); INT32_MAX for
// a chain that loops.
int64_t HeifDerivationDepth(const uint8_t* data, size_t size);

// Real files derive at most a few levels (a grid of tiles, an overlay of grids).
inline constexpr int64_t kMaxHeifDerivationDepth = 16;

}  // namespace orv
