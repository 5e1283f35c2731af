// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting a queue over several processes or machines: shard K of N keeps the photos whose
// stable hash falls to it. The hash is FNV-1a 64 of the photo's key, its path relative to the
// root it was found under (a folder given on the command line or in a file list), as UTF-8
// bytes with '/' separators; shard = floor(hash * N / 2^64) + 1. The key does not depend on where the
// library is mounted, and each photo's shard depends on its own key only, so adding a photo
// moves no other photo.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/BatchQueue.h"

namespace orv {

struct Shard {
  int index = 1;  // K, 1..count
  int count = 1;  // N
};

// FNV-1a 64 (offset basis 14695981039346656037, prime 1099511628211).
uint64_t ShardHash(std::string_view key);
// The shard (1..count) a key belongs to: floor(ShardHash(key) * count / 2^64) + 1.
int ShardOf(std::string_view key, int count);

// Parses "K/N" with 1 <= K <= N. False with a message otherwise.
bool ParseShard(const std::string& text, Shard& shard, std::string& error);

using EnvironmentFn = std::function<const char*(const char* name)>;
// The shard of a job-array task, never guessed. The index comes from Slurm
// (SLURM_ARRAY_TASK_ID), AWS Batch (AWS_BATCH_JOB_ARRAY_INDEX) or a Kubernetes Indexed Job
// (JOB_COMPLETION_INDEX), looked for in that order; index i is shard i+1. The count is
// `givenCount` (--shard auto/N; 0 when not given) or ORV_SHARD_COUNT, which must agree; AWS
// Batch's AWS_BATCH_JOB_ARRAY_SIZE counts too, its arrays always being whole. Slurm's
// SLURM_ARRAY_TASK_MIN, _MAX and _STEP are checked against the id. False with a message naming
// the variables when they cannot describe the shard.
bool ShardFromEnvironment(const EnvironmentFn& getenv, int givenCount, Shard& shard,
                          std::string& error);

// Parses "auto" (count 0) or "auto/N" (N >= 1). False with a message otherwise.
bool ParseAutoShardCount(const std::string& text, int& count, std::string& error);

// A root the queue was built from: an absolute path and the text it was given as.
struct QueueRoot {
  std::string absolute;
  std::string given;
};

// The shard key of a queued path: below a folder root, the path relative to that folder; for a
// file root, the text it was given as with "." components and doubled slashes removed.
class ShardKeys {
 public:
  explicit ShardKeys(const std::vector<QueueRoot>& roots);
  std::string KeyOf(const std::string& queuedPath) const;

 private:
  std::vector<std::pair<std::string, std::string>> files_;  // absolute -> key, sorted
  std::vector<std::pair<std::string, size_t>> folders_;     // absolute with '/' -> order, sorted
};

// Keeps the Cue List items of the shard, in their order.
void KeepShard(std::vector<CueItem>& cue, const ShardKeys& keys, const Shard& shard);

}  // namespace orv
