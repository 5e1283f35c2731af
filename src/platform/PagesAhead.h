// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Page faults of a fresh picture-sized buffer taken off a serial writer. A decoder fills its
// picture from the first row to the last on one thread, and each first touch of a page costs a
// fault there: on some machines (virtual ones above all) those faults cost as much as the
// decoding. While the writer works, a free core of the thread budget puts the pages in place from
// the buffer's end towards the writer, without reading or writing the memory.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "platform/LargeBuffer.h"
#include "platform/ThreadBudget.h"

namespace orv {

// Faults in the pages of [buffer, buffer + bytes) that are not in place yet, in steps of 2 MiB
// from the end backwards, and stops before a step that `reached` (the bytes from the start a
// writer has come to) has overtaken. Memory that cannot be populated this way is left alone.
void PopulatePagesBackwards(uint8_t* buffer, size_t bytes, const std::atomic<size_t>& reached);

// Runs write() on the calling thread, with PopulatePagesBackwards on a free core meanwhile. When
// no core is free, the caller places the pages itself first (PlacePages), which costs what the
// writer's faults would and lets a slow start go over to small pages. write() moves `reached`
// forward as it goes.
template <typename Write>
void WriteWithPagesAhead(uint8_t* buffer, size_t bytes, const std::atomic<size_t>& reached,
                         Write&& write) {
  if (!HelpersFree()) {
    PlacePages(buffer, bytes);
    write();
    return;
  }
  const std::thread::id caller = std::this_thread::get_id();
  bool written = false;  // touched on the calling thread only
  // The caller writes in whichever task it takes, so the writer's callbacks stay on its
  // thread; when helpers take both tasks, it writes once they are done.
  auto task = [&](int) {
    if (std::this_thread::get_id() == caller && !written) {
      written = true;
      write();
    } else {
      PopulatePagesBackwards(buffer, bytes, reached);
    }
  };
  RunTasks(2, task);
  if (!written) write();
}

}  // namespace orv
