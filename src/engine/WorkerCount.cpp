// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WorkerCount.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

namespace {

// The first line of a small control file (or empty); such files hold a few bytes.
std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::string();
  std::string line;
  std::getline(in, line);
  return line;
}

bool ParseNumber(std::string_view text, uint64_t& value) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.remove_suffix(1);
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size() && ptr != text.data();
}

bool IsFolderPath(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// v1 reports "no limit" as a huge page-rounded number; anything at or past this is no limit.
constexpr uint64_t kNoLimit = uint64_t(1) << 62;

void TakeCpu(CgroupLimits& limits, uint64_t quota, uint64_t period) {
  if (period == 0 || quota == 0) return;
  const double cpus = double(quota) / double(period);
  if (limits.cpus == 0 || cpus < limits.cpus) limits.cpus = cpus;
}

// The reclaimable file cache counted in a cgroup's use ("inactive_file" of memory.stat; v1
// names the hierarchical figure "total_inactive_file"): the kernel gives it back before it kills.
uint64_t InactiveFile(const std::string& folder, std::string_view key) {
  std::ifstream in(folder + "/memory.stat");
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
        line[key.size()] == ' ') {
      uint64_t value = 0;
      if (ParseNumber(std::string_view(line).substr(key.size() + 1), value)) return value;
    }
  }
  return 0;
}

void TakeMemory(CgroupLimits& limits, uint64_t limit, uint64_t current) {
  if (limit >= kNoLimit) return;
  const uint64_t room = current < limit ? limit - current : 0;
  if (!limits.memoryLimited || room < limits.memoryRoom) limits.memoryRoom = room;
  limits.memoryLimited = true;
}

// One cgroup v2 folder's limits into `limits`.
void ReadV2(const std::string& folder, CgroupLimits& limits) {
  const std::string cpu = ReadSmallFile(folder + "/cpu.max");  // "max 100000" or "50000 100000"
  const size_t space = cpu.find(' ');
  uint64_t quota = 0, period = 0;
  if (space != std::string::npos && ParseNumber(std::string_view(cpu).substr(0, space), quota) &&
      ParseNumber(std::string_view(cpu).substr(space + 1), period))
    TakeCpu(limits, quota, period);
  uint64_t max = 0, current = 0;
  if (ParseNumber(ReadSmallFile(folder + "/memory.max"), max)) {
    ParseNumber(ReadSmallFile(folder + "/memory.current"), current);
    const uint64_t cache = InactiveFile(folder, "inactive_file");
    TakeMemory(limits, max, current - std::min(current, cache));
  }
}

void ReadV1Cpu(const std::string& folder, CgroupLimits& limits) {
  // The quota is -1 when unlimited, which does not parse as a count.
  uint64_t quota = 0, period = 0;
  if (ParseNumber(ReadSmallFile(folder + "/cpu.cfs_quota_us"), quota) &&
      ParseNumber(ReadSmallFile(folder + "/cpu.cfs_period_us"), period))
    TakeCpu(limits, quota, period);
}

void ReadV1Memory(const std::string& folder, CgroupLimits& limits) {
  uint64_t limit = 0, usage = 0;
  if (ParseNumber(ReadSmallFile(folder + "/memory.limit_in_bytes"), limit)) {
    ParseNumber(ReadSmallFile(folder + "/memory.usage_in_bytes"), usage);
    const uint64_t cache = InactiveFile(folder, "total_inactive_file");
    TakeMemory(limits, limit, usage - std::min(usage, cache));
  }
}

// Calls read(folder) for the cgroup's folder under `mount` and each ancestor up to the mount;
// when the path is not there (a container that mounts its own cgroup as the root), the mount.
template <typename Fn>
void ForCgroupAndAncestors(const std::string& mount, std::string path, Fn read) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  if (path.find("/..") != std::string::npos || !IsFolderPath(mount + path)) path.clear();
  for (;;) {
    read(mount + path);
    if (path.empty()) return;
    const size_t slash = path.rfind('/');
    path.resize(slash == std::string::npos ? 0 : slash);
  }
}

}  // namespace

CgroupLimits ReadCgroupLimits(const std::string& root, std::string_view procCgroup) {
  CgroupLimits limits;
  std::string v2Path;
  bool hasV2 = false;
  std::string cpuPath, memoryPath;
  std::string cpuMount, memoryMount;
  size_t at = 0;
  while (at < procCgroup.size()) {
    size_t end = procCgroup.find('\n', at);
    if (end == std::string_view::npos) end = procCgroup.size();
    std::string_view line = procCgroup.substr(at, end - at);
    at = end + 1;
    // "ID:CONTROLLERS:PATH"; v2 has ID 0 and no controllers.
    const size_t first = line.find(':');
    const size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) continue;
    std::string_view controllers = line.substr(first + 1, second - first - 1);
    std::string path(line.substr(second + 1));
    if (line.substr(0, first) == "0" && controllers.empty()) {
      hasV2 = true;
      v2Path = path;
      continue;
    }
    size_t c = 0;
    while (c <= controllers.size()) {
      size_t comma = controllers.find(',', c);
      if (comma == std::string_view::npos) comma = controllers.size();
      std::string_view name = controllers.substr(c, comma - c);
      if (name == "cpu") {
        cpuPath = path;
        cpuMount = root + "/" + std::string(controllers);
      } else if (name == "memory") {
        memoryPath = path;
        memoryMount = root + "/" + std::string(controllers);
      }
      c = comma + 1;
    }
  }
  const bool v1 = !cpuMount.empty() || !memoryMount.empty();
  if (v1) {
    if (!cpuMount.empty())
      ForCgroupAndAncestors(cpuMount, cpuPath, [&](const std::string& f) { ReadV1Cpu(f, limits); });
    if (!memoryMount.empty())
      ForCgroupAndAncestors(memoryMount, memoryPath,
                            [&](const std::string& f) { ReadV1Memory(f, limits); });
  }
  if (hasV2) {
    // On a hybrid system the v2 hierarchy is mounted at "unified" and has no controllers.
    const std::string mount = v1 && IsFolderPath(root + "/unified") ? root + "/unified" : root;
    ForCgroupAndAncestors(mount, v2Path, [&](const std::string& f) { ReadV2(f, limits); });
  }
  return limits;
}

CgroupLimits OwnCgroupLimits() {
  std::ifstream in("/proc/self/cgroup");
  if (!in) return CgroupLimits();
  std::stringstream text;
  text << in.rdbuf();
  return ReadCgroupLimits("/sys/fs/cgroup", text.str());
}

uint64_t AddressSpaceRoom(uint64_t limit, uint64_t currentSize) {
  if (limit == 0) return 0;
  // Nothing left still plans one worker: the count never goes below 1.
  return currentSize < limit ? limit - currentSize : 1;
}

uint64_t AvailableMemory() {
  uint64_t available = 0;
  if (std::ifstream in("/proc/meminfo"); in) {
    std::stringstream text;
    text << in.rdbuf();
    available = ParseMemAvailable(text.str());
  }
  auto take = [&](uint64_t room) {
    if (room != 0 && (available == 0 || room < available)) available = room;
  };
  const CgroupLimits cgroup = OwnCgroupLimits();
  if (cgroup.memoryLimited) take(std::max<uint64_t>(cgroup.memoryRoom, 1));
  struct rlimit as {};
  if (::getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY) {
    // The process's present size: the first field of statm, in pages.
    uint64_t pages = 0;
    std::string statm = ReadSmallFile("/proc/self/statm");
    ParseNumber(std::string_view(statm).substr(0, statm.find(' ')), pages);
    const uint64_t size = SaturatingMul(pages, uint64_t(::sysconf(_SC_PAGESIZE)));
    take(AddressSpaceRoom(uint64_t(as.rlim_cur), size));
  }
  return available;
}

int UsableCores() {
  int cores = 0;
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0)
    cores = std::max(1, CPU_COUNT(&set));
  else
    cores = int(std::max(1u, std::thread::hardware_concurrency()));
  const CgroupLimits cgroup = OwnCgroupLimits();
  if (cgroup.cpus > 0) {
    // A quota of 1.5 cores keeps two workers busy enough; rounding down would idle half a core.
    const double quota = std::min(cgroup.cpus, double(cores));
    cores = std::max(1, int(std::ceil(quota)));
  }
  return cores;
}

int ThreadsFromEnvironment(const char* value) {
  if (!value) return 0;
  int threads = 0;
  const char* end = value + std::strlen(value);
  auto [stop, ec] = std::from_chars(value, end, threads);
  return ec == std::errc() && stop == end && threads >= 1 ? threads : 0;
}

int RequestedThreads(int requested) {
  return requested > 0 ? requested : ThreadsFromEnvironment(std::getenv("ORV_THREADS"));
}

int PlanThreadLimit(int requested) {
  const int cores = UsableCores();
  const int asked = RequestedThreads(requested);
  return asked > 0 ? std::min(cores, asked) : cores;
}

}  // namespace orv
