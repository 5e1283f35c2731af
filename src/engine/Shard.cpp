// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Shard.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace orv {
namespace {

// A whole number 0..INT_MAX written with digits only.
bool ParseCount(std::string_view text, int& value) {
  if (text.empty() || text.size() > 10) return false;
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < 0 || v > INT_MAX) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  value = int(v);
  return true;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Drops "." components and doubled slashes; a leading '/' stays.
std::string NormalizeGiven(const std::string& text) {
  std::string out = !text.empty() && text[0] == '/' ? "/" : "";
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t slash = text.find('/', pos);
    if (slash == std::string::npos) slash = text.size();
    std::string_view part(text.data() + pos, slash - pos);
    if (!part.empty() && part != ".") {
      if (!out.empty() && out.back() != '/') out += '/';
      out += part;
    }
    pos = slash + 1;
  }
  return out;
}

}  // namespace

uint64_t ShardHash(std::string_view key) {
  uint64_t h = 14695981039346656037ull;
  for (char c : key) {
    h ^= uint64_t(static_cast<unsigned char>(c));
    h *= 1099511628211ull;
  }
  return h;
}

int ShardOf(std::string_view key, int count) {
  if (count <= 1) return 1;
  // floor(hash * count / 2^64): the high bits of FNV-1a are well mixed, its low bits less so
  // (hash mod 5 of numbered file names is visibly uneven).
  uint64_t h = ShardHash(key), n = uint64_t(count);
  uint64_t low = (h & 0xffffffffu) * n, high = (h >> 32) * n;
  return int((high + (low >> 32)) >> 32) + 1;
}

bool ParseShard(const std::string& text, Shard& shard, std::string& error) {
  size_t slash = text.find('/');
  int k = 0, n = 0;
  if (slash == std::string::npos || !ParseCount(std::string_view(text).substr(0, slash), k) ||
      !ParseCount(std::string_view(text).substr(slash + 1), n) || k < 1 || k > n) {
    error = "--shard " + text + ": expected K/N with 1 <= K <= N, auto or auto/N";
    return false;
  }
  shard = {k, n};
  return true;
}

bool ShardFromEnvironment(const EnvironmentFn& getenv, int givenCount, Shard& shard,
                          std::string& error) {
  auto fail = [&](const std::string& message) {
    error = "--shard auto: " + message;
    return false;
  };
  // A variable's value when set: false (error set) when it is set but no whole number.
  auto number = [&](const char* name, int& out, bool& set) {
    const char* v = getenv(name);
    set = v != nullptr;
    if (set && !ParseCount(v, out))
      return fail(std::string(name) + "=" + v + " is not a whole number");
    return true;
  };
  auto required = [&](const char* name, int& out) {
    bool set = false;
    if (!number(name, out, set)) return false;
    return set || fail(std::string(name) + " is not set");
  };

  // The shard count: given with the option or by ORV_SHARD_COUNT, and they must agree.
  int count = givenCount, envCount = 0;
  bool envCountSet = false;
  if (!number("ORV_SHARD_COUNT", envCount, envCountSet)) return false;
  if (envCountSet && givenCount > 0 && envCount != givenCount)
    return fail("ORV_SHARD_COUNT=" + std::to_string(envCount) + " and --shard auto/" +
                std::to_string(givenCount) + " name different shard counts");
  if (envCountSet) count = envCount;

  int index = 0;
  const char* source = nullptr;
  if (getenv("SLURM_ARRAY_TASK_ID")) {
    // A task's own array id is its shard's index. SLURM_ARRAY_TASK_COUNT and _MIN describe
    // this submission only (a re-submission of --array=3,7 counts 2 tasks from 3), so they
    // never give the shard; MIN, MAX and STEP only check that the id fits the array.
    source = "SLURM_ARRAY_TASK_ID";
    int min = 0, max = 0, step = 0;
    bool minSet = false, maxSet = false, stepSet = false;
    if (!required("SLURM_ARRAY_TASK_ID", index) ||
        !number("SLURM_ARRAY_TASK_MIN", min, minSet) ||
        !number("SLURM_ARRAY_TASK_MAX", max, maxSet) ||
        !number("SLURM_ARRAY_TASK_STEP", step, stepSet))
      return false;
    if (count < 1)
      return fail("the shard count is not known: give --shard auto/N (N the number of shards, "
                  "the array declared --array=0-(N-1)) or set ORV_SHARD_COUNT; "
                  "SLURM_ARRAY_TASK_COUNT counts the tasks of one submission, not the shards");
    const std::string id = "SLURM_ARRAY_TASK_ID=" + std::to_string(index);
    if ((minSet && index < min) || (maxSet && index > max))
      return fail(id + " lies outside SLURM_ARRAY_TASK_MIN=" +
                  (minSet ? std::to_string(min) : std::string("(unset)")) +
                  " .. SLURM_ARRAY_TASK_MAX=" +
                  (maxSet ? std::to_string(max) : std::string("(unset)")));
    if (minSet && stepSet && step > 0 && (index - min) % step != 0)
      return fail(id + " is not SLURM_ARRAY_TASK_MIN=" + std::to_string(min) +
                  " plus a multiple of SLURM_ARRAY_TASK_STEP=" + std::to_string(step));
    if (maxSet && max >= count)
      return fail("SLURM_ARRAY_TASK_MAX=" + std::to_string(max) +
                  " is not below the shard count " + std::to_string(count) +
                  ": declare the array --array=0-" + std::to_string(count - 1) +
                  " (or a part of it)");
  } else if (getenv("AWS_BATCH_JOB_ARRAY_INDEX")) {
    // An AWS Batch array always runs the indexes 0..size-1 of one submission: its size is the
    // shard count unless one is given.
    source = "AWS_BATCH_JOB_ARRAY_INDEX";
    int size = 0;
    if (!required("AWS_BATCH_JOB_ARRAY_INDEX", index) ||
        !required("AWS_BATCH_JOB_ARRAY_SIZE", size))
      return false;
    if (count > 0 && size != count)
      return fail("AWS_BATCH_JOB_ARRAY_SIZE=" + std::to_string(size) +
                  " is not the shard count " + std::to_string(count));
    count = size;
  } else if (getenv("JOB_COMPLETION_INDEX")) {
    source = "JOB_COMPLETION_INDEX";
    if (!required("JOB_COMPLETION_INDEX", index)) return false;
    if (count < 1)
      return fail("the shard count is not known: give --shard auto/N or set ORV_SHARD_COUNT "
                  "(the Job's completions)");
  } else {
    return fail(
        "no job-array index found; set SLURM_ARRAY_TASK_ID (with --shard auto/N or "
        "ORV_SHARD_COUNT), AWS_BATCH_JOB_ARRAY_INDEX (with AWS_BATCH_JOB_ARRAY_SIZE) or "
        "JOB_COMPLETION_INDEX (with --shard auto/N or ORV_SHARD_COUNT)");
  }
  if (count < 1 || index < 0 || index >= count)
    return fail(std::string("index ") + std::to_string(index) + " from " + source +
                " is not below the shard count " + std::to_string(count));
  shard = {index + 1, count};
  return true;
}

bool ParseAutoShardCount(const std::string& text, int& count, std::string& error) {
  count = 0;
  if (text == "auto") return true;
  if (text.rfind("auto/", 0) == 0 && ParseCount(std::string_view(text).substr(5), count) &&
      count >= 1)
    return true;
  error = "--shard " + text + ": expected K/N with 1 <= K <= N, auto or auto/N";
  return false;
}

ShardKeys::ShardKeys(const std::vector<QueueRoot>& roots) {
  for (size_t i = 0; i < roots.size(); ++i) {
    files_.emplace_back(roots[i].absolute, NormalizeGiven(roots[i].given));
    folders_.emplace_back(WithSlash(roots[i].absolute), i);
  }
  // Stable, so a path given twice keeps its first text and its first folder.
  auto byPath = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::stable_sort(files_.begin(), files_.end(), byPath);
  std::stable_sort(folders_.begin(), folders_.end(), byPath);
}

std::string ShardKeys::KeyOf(const std::string& queuedPath) const {
  auto file =
      std::lower_bound(files_.begin(), files_.end(), queuedPath,
                       [](const auto& entry, const std::string& p) { return entry.first < p; });
  if (file != files_.end() && file->first == queuedPath) return file->second;
  // The nearest-listed folder root above the path: its scan put the path in the queue first.
  size_t bestOrder = SIZE_MAX, bestLength = 0;
  for (size_t slash = queuedPath.rfind('/'); slash != std::string::npos;
       slash = slash == 0 ? std::string::npos : queuedPath.rfind('/', slash - 1)) {
    std::string_view prefix(queuedPath.data(), slash + 1);
    auto folder = std::lower_bound(
        folders_.begin(), folders_.end(), prefix,
        [](const auto& entry, std::string_view p) { return std::string_view(entry.first) < p; });
    if (folder != folders_.end() && folder->first == prefix && folder->second < bestOrder) {
      bestOrder = folder->second;
      bestLength = prefix.size();
    }
  }
  if (bestLength > 0) return queuedPath.substr(bestLength);
  return NormalizeGiven(queuedPath);
}

void KeepShard(std::vector<CueItem>& cue, const ShardKeys& keys, const Shard& shard) {
  std::erase_if(cue, [&](const CueItem& item) {
    return ShardOf(keys.KeyOf(item.path), shard.count) != shard.index;
  });
}

}  // namespace orv
