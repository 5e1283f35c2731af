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
    error = "--shard " + text + ": expected K/N with 1 <= K <= N, or auto";
    return false;
  }
  shard = {k, n};
  return true;
}

bool ShardFromEnvironment(const EnvironmentFn& getenv, Shard& shard, std::string& error) {
  auto value = [&](const char* name, int& out) {
    const char* v = getenv(name);
    if (!v) {
      error = std::string("--shard auto: ") + name + " is not set";
      return false;
    }
    if (!ParseCount(v, out)) {
      error = std::string("--shard auto: ") + name + "=" + v + " is not a whole number";
      return false;
    }
    return true;
  };
  int index = 0, count = 0;
  const char* engine = nullptr;
  if (getenv("SLURM_ARRAY_TASK_ID")) {
    engine = "SLURM_ARRAY_TASK_ID";
    int id = 0, min = 0;
    if (!value("SLURM_ARRAY_TASK_ID", id) || !value("SLURM_ARRAY_TASK_MIN", min) ||
        !value("SLURM_ARRAY_TASK_COUNT", count))
      return false;
    index = id - min;
  } else if (getenv("AWS_BATCH_JOB_ARRAY_INDEX")) {
    engine = "AWS_BATCH_JOB_ARRAY_INDEX";
    if (!value("AWS_BATCH_JOB_ARRAY_INDEX", index) || !value("AWS_BATCH_JOB_ARRAY_SIZE", count))
      return false;
  } else if (getenv("JOB_COMPLETION_INDEX")) {
    engine = "JOB_COMPLETION_INDEX";
    if (!value("JOB_COMPLETION_INDEX", index) || !value("ORV_SHARD_COUNT", count)) return false;
  } else {
    error =
        "--shard auto: no job-array index found; set SLURM_ARRAY_TASK_ID (with "
        "SLURM_ARRAY_TASK_MIN and SLURM_ARRAY_TASK_COUNT), AWS_BATCH_JOB_ARRAY_INDEX (with "
        "AWS_BATCH_JOB_ARRAY_SIZE) or JOB_COMPLETION_INDEX (with ORV_SHARD_COUNT)";
    return false;
  }
  if (count < 1 || index < 0 || index >= count) {
    error = std::string("--shard auto: index ") + std::to_string(index) + " from " + engine +
            " is not below the shard count " + std::to_string(count);
    return false;
  }
  shard = {index + 1, count};
  return true;
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
