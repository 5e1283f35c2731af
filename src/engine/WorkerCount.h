// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How many photos a batch works on at once: one worker per core unless asked otherwise, never
// more workers than the memory their photos need allows, never more than there are photos.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

struct WorkerBudget {
  int requested = 0;             // workers asked for; 0 chooses automatically (one per core)
  int cores = 1;                 // cores this process may run on
  int photos = 0;                // photos the run takes up
  uint64_t availableBytes = 0;   // memory the machine can give; 0 when unknown
  uint64_t largestPixels = 0;    // width x height of the batch's largest photo
};

// The memory one worker holds for a photo of `pixels` pixels: the picture and two working copies
// of 3 bytes a pixel, up to two finished outputs waiting for their turn to be written (bounded by
// the uncompressed size), and a fixed allowance for codecs, tables and the log.
uint64_t WorkerBytes(uint64_t pixels);

// The number of workers, at least 1. Only three quarters of the available memory is planned for,
// so that the rest of the system keeps room.
int ChooseWorkerCount(const WorkerBudget& budget);

// "MemAvailable" of a /proc/meminfo text, in bytes; 0 when absent or unreadable.
uint64_t ParseMemAvailable(std::string_view meminfo);
// MemAvailable of this machine (0 when unknown).
uint64_t AvailableMemory();
// The cores the process may run on (its CPU affinity), at least 1.
int UsableCores();

}  // namespace orv
