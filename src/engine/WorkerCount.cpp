// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WorkerCount.h"

#include <sched.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace orv {
namespace {

constexpr uint64_t kFixedWorkerBytes = 32ull << 20;
constexpr int kMaxWorkers = 256;

uint64_t SaturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

}  // namespace

uint64_t WorkerBytes(uint64_t pixels) {
  // Three pictures plus two waiting outputs, each at most 3 bytes a pixel.
  return SaturatingAdd(SaturatingMul(pixels, 3 * (3 + 2)), kFixedWorkerBytes);
}

int ChooseWorkerCount(const WorkerBudget& b) {
  int n = b.requested > 0 ? b.requested : std::max(1, b.cores);
  n = std::min(n, kMaxWorkers);
  if (b.photos > 0) n = std::min(n, b.photos);
  if (b.availableBytes > 0) {
    uint64_t usable = b.availableBytes / 4 * 3;
    uint64_t fit = usable / WorkerBytes(b.largestPixels);
    n = int(std::min<uint64_t>(uint64_t(n), std::max<uint64_t>(fit, 1)));
  }
  return std::max(n, 1);
}

uint64_t ParseMemAvailable(std::string_view text) {
  constexpr std::string_view kKey = "MemAvailable:";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    uint64_t kb = 0;
    auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), kb);
    if (ec != std::errc() || ptr == line.data()) return 0;
    std::string_view unit = line.substr(size_t(ptr - line.data()));
    while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
    if (unit.substr(0, 2) != "kB") return 0;
    return SaturatingMul(kb, 1024);
  }
  return 0;
}

uint64_t AvailableMemory() {
  std::ifstream in("/proc/meminfo");
  if (!in) return 0;
  std::stringstream text;
  text << in.rdbuf();
  return ParseMemAvailable(text.str());
}

int UsableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace orv
