// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Picture-sized buffers. Touching a fresh 72 MB buffer page by page costs more than decoding a
// photo on some machines; buffers of several megabytes are therefore marked for transparent huge
// pages, which cuts the page faults 512-fold. Where fresh huge pages turn out slower than small
// ones (below), the process keeps the buffers whose pages it places ahead on small pages instead,
// and the others too unless their writers' own small-page faults cost more still. The memory is
// an ordinary new[] block: release it with delete[] (or hold it in std::unique_ptr<uint8_t[]>).
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
// byte); smaller blocks are left as they are. Once huge pages are slow, the block is marked for
// small pages instead, unless its writer's own faults of small pages would cost more still (on a
// paravirtualized guest each one goes out to the host).
void AdviseHugePages(void* block, size_t bytes);

// Whether this process has seen a fresh huge page come slower than its 512 small pages would.
// On a virtual machine whose host takes back the memory its guest leaves free, a huge page that
// has been free for a few seconds costs about 5 ms to fault in, against 0.2 ms for one freed a
// moment ago and 0.6 ms for 2 MiB of small pages: a photo's first picture then cost more in
// page faults than in decoding.
bool HugePagesSlow();
// Faults in the pages of [begin, end) as a write would, without reading or writing them, and
// times it on the thread's CPU clock: a step that takes longer per huge page than small pages
// would marks huge pages slow. Once they are slow, [restBegin, restEnd) (the part of the buffer
// still to be placed) goes over to small pages, unless restSmall says it has already; restSmall
// is set then. False when the system cannot populate (Linux before 5.14): the writer's own faults
// place the pages then.
bool PlacePageStep(uintptr_t begin, uintptr_t end, uintptr_t restBegin, uintptr_t restEnd,
                   bool& restSmall);
// Places the whole pages of [buffer, buffer + bytes) in steps of 2 MiB from the front, ahead of
// a writer that fills the buffer (PlacePageStep): the cost of the faults is the same as the
// writer's would be, but a slow start switches the rest to small pages.
void PlacePages(uint8_t* buffer, size_t bytes);
// The same for a writer whose extent is not known up front (a band of rows whose end still
// moves): the pages are placed a 2 MiB step at a time as the writing comes to them. Plain data,
// so that it may live in a function that libjpeg's errors leave by longjmp.
struct PagesPlacedAhead {
  uintptr_t placed = 0, end = 0;  // whole pages: placed up to `placed`, never beyond `end`
  bool restSmall = false;
  // The buffer [begin, end) to place.
  void Start(uint8_t* begin, uint8_t* end);
  // Before the writer stores below `writeEnd`: places up to the 2 MiB boundary at or after it.
  void Before(const uint8_t* writeEnd);
};
// Sets whether huge pages count as slow (slower than any small pages) while it lives and puts
// the previous state back; for tests.
class ScopedHugePagesSlow {
 public:
  explicit ScopedHugePagesSlow(bool slow);
  ~ScopedHugePagesSlow();
  ScopedHugePagesSlow(const ScopedHugePagesSlow&) = delete;
  ScopedHugePagesSlow& operator=(const ScopedHugePagesSlow&) = delete;

 private:
  double previous_;
};
// Gives back a buffer of `bytes` bytes from NewLargeBuffer (or new[]): large ones are kept for
// the thread's next request of that size, a few at a time; the others are deleted.
void ReleaseLargeBuffer(uint8_t* buffer, size_t bytes);
// Deletes the buffers this thread keeps (the end of a run).
void TrimLargeBuffers();
// The buffers this thread keeps, taken out of its keeping, for another thread to free: a photo's
// worth of small pages takes milliseconds to free, which a free core can spend while this thread
// goes on. Free gives their pages back first (MADV_DONTNEED), which leaves the process's memory
// map open to others (a direct write pins its pages through it); deleting the blocks outright
// would hold the map for as long as their pages take. The destructor frees what is left.
inline constexpr int kKeptLargeBuffers = 3;
class TakenLargeBuffers {
 public:
  TakenLargeBuffers() = default;
  TakenLargeBuffers(TakenLargeBuffers&& other) noexcept;
  TakenLargeBuffers& operator=(TakenLargeBuffers&&) = delete;
  ~TakenLargeBuffers() { Free(); }
  void Free();
  bool empty() const;

 private:
  friend TakenLargeBuffers TakeKeptLargeBuffers();
  uint8_t* buffers_[kKeptLargeBuffers] = {};
  size_t bytes_[kKeptLargeBuffers] = {};
};
TakenLargeBuffers TakeKeptLargeBuffers();

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
