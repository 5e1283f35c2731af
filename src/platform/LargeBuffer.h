// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Picture-sized buffers. Touching a fresh 72 MB buffer page by page costs more than decoding a
// photo on some machines; buffers of several megabytes are therefore marked for transparent huge
// pages, which cuts the page faults 512-fold. The memory is an ordinary new[] block: release it
// with delete[] (or hold it in std::unique_ptr<uint8_t[]>).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {

// bytes uninitialised bytes, or null when memory is short. A buffer of the same size that this
// thread released a moment ago is handed out again: its pages are already in place, where a
// fresh 72 MB buffer costs its page faults once more for every photo of a batch.
uint8_t* NewLargeBuffer(size_t bytes);
// The size to allocate for a block of at least `bytes` bytes (of several megabytes) so that the
// C library maps it as a whole number of huge pages, which the kernel places on a huge-page
// boundary: all of it can then be huge pages, where a block that starts and ends inside huge
// pages has up to 4 MB at its ends faulted 4 KiB at a time. Smaller sizes come back unchanged.
size_t HugePageFriendlySize(size_t bytes);
// Marks the pages of a block of several megabytes (from new[] or malloc, such as a vector's
// reserved room) for transparent huge pages, the pages at its ends too (the advice changes no
// byte); smaller blocks are left as they are.
void AdviseHugePages(void* block, size_t bytes);
// Gives back a buffer of `bytes` bytes from NewLargeBuffer (or new[]): large ones are kept for
// the thread's next request of that size, a few at a time; the others are deleted.
void ReleaseLargeBuffer(uint8_t* buffer, size_t bytes);
// Deletes the buffers this thread keeps (the end of a run).
void TrimLargeBuffers();

// Hands a buffer of `bytes` bytes back through ReleaseLargeBuffer.
struct LargeBufferRelease {
  size_t bytes = 0;
  void operator()(uint8_t* buffer) const { ReleaseLargeBuffer(buffer, bytes); }
};
using LargeBufferPtr = std::unique_ptr<uint8_t[], LargeBufferRelease>;

// NewLargeBuffer held in a pointer that releases it for reuse; null when memory is short.
inline LargeBufferPtr MakeLargeBuffer(size_t bytes) {
  return LargeBufferPtr(NewLargeBuffer(bytes), LargeBufferRelease{bytes});
}

}  // namespace orv
