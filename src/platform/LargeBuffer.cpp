// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LargeBuffer.h"

#include <sys/mman.h>
#include <unistd.h>
#include <new>

namespace orv {

namespace {

constexpr size_t kHugeFrom = size_t(4) << 20;

// Buffers released by this thread, kept for its next requests of the same sizes: a picture, its
// spare and a luma plane are what one photo of a batch allocates and frees.
struct KeptBuffers {
  static constexpr int kSlots = 3;
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

uint8_t* NewLargeBuffer(size_t bytes) {
  if (bytes >= kHugeFrom)
    if (uint8_t* again = kept.Take(bytes)) return again;
  uint8_t* p = new (std::nothrow) uint8_t[bytes ? bytes : 1];
  if (p) AdviseHugePages(p, bytes);
  return p;
}

PageSpan WholePagesInside(const void* block, size_t bytes) {
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  return {(uintptr_t(block) + page - 1) & ~(page - 1), (uintptr_t(block) + bytes) & ~(page - 1)};
}

void AdviseHugePages(void* block, size_t bytes) {
  if (!block || bytes < kHugeFrom) return;
  // The advice is a hint and may fail.
  const PageSpan pages = WholePagesInside(block, bytes);
  if (pages.end > pages.begin)
    ::madvise(reinterpret_cast<void*>(pages.begin), pages.end - pages.begin, MADV_HUGEPAGE);
}

}  // namespace orv
