// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PagesAhead.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "platform/LargeBuffer.h"

namespace orv {

void PopulatePagesBackwards(uint8_t* buffer, size_t bytes, const std::atomic<size_t>& reached) {
#ifdef MADV_POPULATE_WRITE
  constexpr uintptr_t kStep = uintptr_t(2) << 20;
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  const uintptr_t start = uintptr_t(buffer);
  // Only the whole pages inside the buffer: the pages at its ends may hold other allocations,
  // which populating would fault in for nothing.
  const uintptr_t first = (start + page - 1) & ~(page - 1);
  uintptr_t end = (start + bytes) & ~(page - 1);
  bool restSmall = false;  // everything below the steps is marked for small pages
  while (end > first) {
    uintptr_t begin = (end - 1) & ~(kStep - 1);  // the start of the 2 MiB step holding end - 1
    if (begin < first) begin = first;
    if (begin < start + reached.load(std::memory_order_relaxed)) return;
    // Faults the pages in as a write would, but neither reads nor writes them: the writer may
    // be storing into its own pages meanwhile. Kernels before 5.14 refuse; then stop. A slow
    // step puts the rest, down to the writer, on small pages.
    const uintptr_t writer = start + reached.load(std::memory_order_relaxed);
    if (!PlacePageStep(begin, end, std::max(first, writer), begin, restSmall)) return;
    end = begin;
  }
#else
  (void)buffer;
  (void)bytes;
  (void)reached;
#endif
}

}  // namespace orv
