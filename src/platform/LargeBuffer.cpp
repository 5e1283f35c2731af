// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LargeBuffer.h"

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <limits>
#include <new>
#include <utility>

#include "platform/CheckedMath.h"

namespace orv {

namespace {

constexpr size_t kHugeFrom = size_t(4) << 20;
constexpr size_t kHugePage = size_t(2) << 20;
// glibc's malloc maps a large request of n bytes as ALIGN_UP(ALIGN_UP(n + 8, 16) + 8, page)
// bytes (its two size fields), so a request of k x 2 MiB - 24 is mapped as exactly k x 2 MiB.
constexpr size_t kMallocOverhead = 24;
// Linux 6.1's synchronous collapse into a huge page; older kernels refuse it.
constexpr int kCollapse = 25;
// The longest a step of page placing may take, per 2 MiB, before huge pages count as slow: a
// huge page freed a moment ago takes about 0.2 ms, 2 MiB of small pages 0.3 to 0.6 ms, a huge
// page the host of a virtual machine must supply again about 5 ms.
constexpr double kSlowSecondsPerHugePage = 1.5e-3;

// What the slowest step that found huge pages slow took per huge page; 0 while none has.
std::atomic<double> slowHugeSeconds{0.0};

double ThreadSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// What 2 MiB of small pages cost when a writer's own stores fault them in one at a time, as in
// a buffer that nobody places: measured once, on a few pages of a mapping of its own. Placing
// (MADV_POPULATE_WRITE) faults them in inside the kernel, 0.3 to 0.6 ms per 2 MiB everywhere;
// a writer's faults cost about the same on most machines, but 7 ms on a paravirtualized guest
// whose every fault goes out to its host, more than a fresh huge page there.
double SmallFaultSecondsPer2MiB() {
  static const double seconds = [] {
    constexpr size_t kPages = 32;
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    void* block = ::mmap(nullptr, kPages * page, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return 0.0;
    ::madvise(block, kPages * page, MADV_NOHUGEPAGE);
    volatile uint8_t* bytes = static_cast<volatile uint8_t*>(block);
    const double start = ThreadSeconds();
    for (size_t i = 0; i < kPages; ++i) bytes[i * page] = 1;
    const double spent = ThreadSeconds() - start;
    ::munmap(block, kPages * page);
    return spent * double(kHugePage) / double(kPages * page);
  }();
  return seconds;
}

// Gives `advice` for the whole pages of [begin, end): the pages at its ends may hold other
// allocations.
void AdviseWholePages(uintptr_t begin, uintptr_t end, int advice) {
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  begin = (begin + page - 1) & ~(page - 1);
  end &= ~(page - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, advice);
}

// Marks the whole pages of [begin, end) for small pages.
void AdviseSmallPages(uintptr_t begin, uintptr_t end) {
  AdviseWholePages(begin, end, MADV_NOHUGEPAGE);
}

// Buffers released by this thread, kept for its next requests of the same sizes: a picture, the
// JPEG band streams' block and a luma plane are what one photo of a batch allocates and frees.
struct KeptBuffers {
  static constexpr int kSlots = kKeptLargeBuffers;
  uint8_t* buffer[kSlots] = {};
  size_t bytes[kSlots] = {};

  ~KeptBuffers() { Trim(); }
  void Trim() {
    for (int i = 0; i < kSlots; ++i) {
      delete[] buffer[i];
      buffer[i] = nullptr;
      bytes[i] = 0;
    }
  }
  uint8_t* Take(size_t size) {
    for (int i = 0; i < kSlots; ++i) {
      if (buffer[i] && bytes[i] == size) {
        uint8_t* p = buffer[i];
        buffer[i] = nullptr;
        bytes[i] = 0;
        return p;
      }
    }
    return nullptr;
  }
  // Keeps the buffer in a free slot, else in place of the oldest kept one, which is deleted.
  void Keep(uint8_t* p, size_t size) {
    int slot = 0;
    for (int i = 0; i < kSlots; ++i) {
      if (!buffer[i]) {
        slot = i;
        break;
      }
      if (age[i] < age[slot]) slot = i;
    }
    delete[] buffer[slot];
    buffer[slot] = p;
    bytes[slot] = size;
    age[slot] = ++clock;
  }
  uint64_t age[kSlots] = {};
  uint64_t clock = 0;
};

thread_local KeptBuffers kept;

}  // namespace

void ReleaseLargeBuffer(uint8_t* buffer, size_t bytes) {
  if (!buffer) return;
  if (bytes < kHugeFrom) {
    delete[] buffer;
    return;
  }
  kept.Keep(buffer, bytes);
}

void TrimLargeBuffers() {
  kept.Trim();
}

TakenLargeBuffers TakeKeptLargeBuffers() {
  TakenLargeBuffers taken;
  for (int i = 0; i < kKeptLargeBuffers; ++i) {
    taken.buffers_[i] = kept.buffer[i];
    taken.bytes_[i] = kept.bytes[i];
    kept.buffer[i] = nullptr;
    kept.bytes[i] = 0;
  }
  return taken;
}

TakenLargeBuffers::TakenLargeBuffers(TakenLargeBuffers&& other) noexcept {
  for (int i = 0; i < kKeptLargeBuffers; ++i) {
    buffers_[i] = std::exchange(other.buffers_[i], nullptr);
    bytes_[i] = std::exchange(other.bytes_[i], 0);
  }
}

void TakenLargeBuffers::Free() {
  for (int i = 0; i < kKeptLargeBuffers; ++i) {
    if (!buffers_[i]) continue;
    // The whole pages inside the block: the allocator's own words around it stay.
    const uintptr_t begin = uintptr_t(buffers_[i]);
    AdviseWholePages(begin, begin + bytes_[i], MADV_DONTNEED);
    delete[] buffers_[i];
    buffers_[i] = nullptr;
    bytes_[i] = 0;
  }
}

bool TakenLargeBuffers::empty() const {
  return std::all_of(std::begin(buffers_), std::end(buffers_), [](uint8_t* b) { return !b; });
}

size_t HugePageFriendlySize(size_t bytes) {
  size_t whole = 0;
  if (bytes < kHugeFrom || !CheckedAdd(bytes, kMallocOverhead + kHugePage - 1, whole))
    return bytes;
  return (whole & ~(kHugePage - 1)) - kMallocOverhead;
}

uint8_t* NewLargeBuffer(size_t bytes) {
  if (bytes >= kHugeFrom)
    if (uint8_t* again = kept.Take(bytes)) return again;
  const size_t allocated = HugePageFriendlySize(bytes);
  uint8_t* p = new (std::nothrow) uint8_t[allocated ? allocated : 1];
  if (p) AdviseHugePages(p, allocated);
  return p;
}

void AdviseHugePages(void* block, size_t bytes) {
  if (!block || bytes < kHugeFrom) return;
  // From the page holding the first byte to the one holding the last: the advice covers the
  // whole mapping of a block from HugePageFriendlySize, so that its first and last huge pages
  // can be huge too. It is a hint and may fail.
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  const uintptr_t begin = uintptr_t(block) & ~(page - 1);
  const uintptr_t end = (uintptr_t(block) + bytes + page - 1) & ~(page - 1);
  // Small pages on a system whose fresh huge pages are slow, even where huge pages are the
  // default for every mapping; but not where the writer's own faults of small pages would cost
  // more still (nobody places this block's pages ahead of its writer).
  const double slowHuge = slowHugeSeconds.load(std::memory_order_relaxed);
  const bool small = slowHuge > 0 && SmallFaultSecondsPer2MiB() < slowHuge;
  const int advice = small ? MADV_NOHUGEPAGE : MADV_HUGEPAGE;
  if (::madvise(reinterpret_cast<void*>(begin), end - begin, advice) != 0 ||
      advice == MADV_NOHUGEPAGE)
    return;
  // The allocator has already written its header into the first page, so the huge page that
  // holds it would be faulted in 4 KiB at a time; it is made huge now instead.
  const uintptr_t head = begin & ~(kHugePage - 1);
  if (head == begin && end - begin >= kHugePage)
    ::madvise(reinterpret_cast<void*>(head), kHugePage, kCollapse);
}

bool HugePagesSlow() {
  return slowHugeSeconds.load(std::memory_order_relaxed) > 0;
}

bool PlacePageStep(uintptr_t begin, uintptr_t end, uintptr_t restBegin, uintptr_t restEnd,
                   bool& restSmall) {
#ifdef MADV_POPULATE_WRITE
  if (end <= begin) return true;
  const double start = ThreadSeconds();
  if (::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE) != 0)
    return false;
  const double perHugePage = (ThreadSeconds() - start) / (double(end - begin) / double(kHugePage));
  // Steps of less than half a huge page say too little: one fault can cost more than the rest.
  if (end - begin >= kHugePage / 2 && perHugePage > kSlowSecondsPerHugePage) {
    double slowest = slowHugeSeconds.load(std::memory_order_relaxed);
    while (perHugePage > slowest &&
           !slowHugeSeconds.compare_exchange_weak(slowest, perHugePage, std::memory_order_relaxed)) {
    }
  }
  // Slow since this step or an earlier one (another band's, another buffer's): the rest of the
  // range, which may have been marked for huge pages before, goes on small pages, once: the
  // advice holds the mapping's lock against every other thread's faults.
  if (!restSmall && HugePagesSlow()) {
    AdviseSmallPages(restBegin, restEnd);
    restSmall = true;
  }
  return true;
#else
  (void)begin;
  (void)end;
  (void)restBegin;
  (void)restEnd;
  (void)restSmall;
  return false;
#endif
}

void PagesPlacedAhead::Start(uint8_t* begin, uint8_t* stop) {
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  // Only the whole pages inside the buffer: the pages at its ends may hold other allocations.
  placed = (uintptr_t(begin) + page - 1) & ~(page - 1);
  end = std::max(placed, uintptr_t(stop) & ~(page - 1));
  restSmall = HugePagesSlow();
  if (restSmall) AdviseSmallPages(placed, end);
}

void PagesPlacedAhead::Before(const uint8_t* writeEnd) {
  const uintptr_t want =
      std::min(end, (uintptr_t(writeEnd) + kHugePage - 1) & ~(kHugePage - 1));
  while (placed < want) {
    const uintptr_t next = std::min(end, (placed & ~(kHugePage - 1)) + kHugePage);
    // A system that cannot populate leaves the pages to the writer's own faults.
    if (!PlacePageStep(placed, next, next, end, restSmall)) {
      placed = end;
      return;
    }
    placed = next;
  }
}

ScopedHugePagesSlow::ScopedHugePagesSlow(bool slow)
    : previous_(slowHugeSeconds.load(std::memory_order_relaxed)) {
  // Slow beyond any small pages: every large buffer goes on small pages.
  slowHugeSeconds.store(slow ? std::numeric_limits<double>::infinity() : 0.0,
                        std::memory_order_relaxed);
}
ScopedHugePagesSlow::~ScopedHugePagesSlow() {
  slowHugeSeconds.store(previous_, std::memory_order_relaxed);
}

void PlacePages(uint8_t* buffer, size_t bytes) {
  if (!buffer || bytes < kHugeFrom) return;
  PagesPlacedAhead pages;
  pages.Start(buffer, buffer + bytes);
  pages.Before(buffer + bytes);
}

}  // namespace orv
