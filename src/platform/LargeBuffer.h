// Picture-sized buffers. Touching a fresh 72 MB buffer page by page costs more than decoding a
// photo on some machines; buffers of several megabytes are therefore marked for transparent huge
// pages, which cuts the page faults 512-fold. The memory is an ordinary new[] block: release it
// with delete[] (or hold it in std::unique_ptr<uint8_t[]>).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// bytes uninitialised bytes, or null when memory is short.
uint8_t* NewLargeBuffer(size_t bytes);

}  // namespace orv
