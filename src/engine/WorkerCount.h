// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How many photos a batch works on at once: one worker per core unless asked otherwise, never
// more workers than the memory their photos need allows, never more than there are photos.
#pragma once

#include <cstdint>
#include <string>
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
// What the control groups of this process allow: the cores of its CPU quota and the memory
// room left under its memory limit, the smallest along its cgroup and the cgroup's ancestors.
struct CgroupLimits {
  double cpus = 0;        // quota / period; 0 when unlimited or unknown
  uint64_t memoryRoom = 0;  // limit minus current use; 0 when unlimited or unknown
  bool memoryLimited = false;  // a limit was found (room may then be 0 when it is used up)
};

// Reads the limits from a cgroup file system mounted at `root` ("/sys/fs/cgroup"), for the
// process whose /proc/PID/cgroup text is `procCgroup`: cgroup v2 (`cpu.max`, `memory.max`,
// `memory.current`) where the process has a v2 path, else v1 (`cpu.cfs_quota_us`,
// `cpu.cfs_period_us`, `memory.limit_in_bytes`, `memory.usage_in_bytes`). Inside a container the
// cgroup's own folder is often mounted as the root itself; that is read when the path is absent.
CgroupLimits ReadCgroupLimits(const std::string& root, std::string_view procCgroup);
// The limits of this process.
CgroupLimits OwnCgroupLimits();

// The room left under the address-space limit (RLIMIT_AS) given the process's current size in
// bytes; 0 when there is no limit.
uint64_t AddressSpaceRoom(uint64_t limit, uint64_t currentSize);

// The memory this process may plan for (0 when unknown): the smallest of the machine's
// MemAvailable, the room under its cgroup memory limits, and the room under RLIMIT_AS.
uint64_t AvailableMemory();
// The cores the process may run on: its CPU affinity, lowered to its cgroup CPU quota (rounded
// up); at least 1.
int UsableCores();

// The thread count asked for: `requested` (--threads) when above 0, else the whole number of 1
// or more that ORV_THREADS holds, else 0 (none asked for; an unreadable value counts as none).
int RequestedThreads(int requested);
// The threads the process works with at once, the photo workers and the bands of their photos
// together (platform/ThreadBudget.h): the usable cores, lowered to the requested count.
int PlanThreadLimit(int requested);
// ORV_THREADS as RequestedThreads reads it from the text `value` (null: unset).
int ThreadsFromEnvironment(const char* value);

}  // namespace orv
