// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WorkerCount.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "imageio/PictureDimensions.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

constexpr uint64_t kMiB = 1ull << 20;
constexpr uint64_t kGiB = 1ull << 30;

TEST(WorkerCount, CoresRequestsPhotosAndMemoryEachLimit) {
  WorkerBudget b;
  b.cores = 8;
  b.photos = 100;
  b.largestPixels = 24'000'000;
  b.availableBytes = 0;  // unknown: no memory limit
  EXPECT_EQ(ChooseWorkerCount(b), 8);
  b.requested = 3;
  EXPECT_EQ(ChooseWorkerCount(b), 3);
  b.requested = 12;  // asked for more than the cores: given, memory permitting
  EXPECT_EQ(ChooseWorkerCount(b), 12);
  b.requested = 0;
  b.photos = 2;
  EXPECT_EQ(ChooseWorkerCount(b), 2);
  b.photos = 0;
  EXPECT_EQ(ChooseWorkerCount(b), 8);
  b.cores = 0;
  EXPECT_EQ(ChooseWorkerCount(b), 1);
}

TEST(WorkerCount, MemoryBoundsTheWorkersOfLargePhotos) {
  // 24 MP: three pictures and two waiting outputs of 72 MB each, plus the fixed share.
  EXPECT_EQ(WorkerBytes(24'000'000), 24'000'000ull * 15 + 32 * kMiB);
  WorkerBudget b;
  b.cores = 2;
  b.photos = 8;
  b.largestPixels = 50'000'000;  // 782 MB a worker
  b.availableBytes = 24 * kGiB;
  EXPECT_EQ(ChooseWorkerCount(b), 2);
  b.availableBytes = 1 * kGiB;  // 3/4 of it holds one worker only
  EXPECT_EQ(ChooseWorkerCount(b), 1);
  b.availableBytes = 100 * kMiB;  // not even one: the run still goes, one photo at a time
  EXPECT_EQ(ChooseWorkerCount(b), 1);
  b.cores = 64;
  b.photos = 1000;
  b.largestPixels = 24'000'000;
  b.availableBytes = 4 * kGiB;  // 3 GiB planned / 392 MB
  EXPECT_EQ(ChooseWorkerCount(b), 8);
  b.largestPixels = UINT64_MAX / 2;  // absurd headers saturate instead of wrapping
  EXPECT_EQ(ChooseWorkerCount(b), 1);
}

TEST(WorkerCount, ThreadsAskedForLowerTheCoresNeverRaiseThem) {
  EXPECT_EQ(ThreadsFromEnvironment(nullptr), 0);
  EXPECT_EQ(ThreadsFromEnvironment("3"), 3);
  for (const char* bad : {"", "0", "-2", "two", "2x", " 2"})
    EXPECT_EQ(ThreadsFromEnvironment(bad), 0);
  const int cores = UsableCores();
  {
    test::ScopedEnv env("ORV_THREADS", nullptr);
    EXPECT_EQ(PlanThreadLimit(0), cores);
    EXPECT_EQ(PlanThreadLimit(1), 1);
    EXPECT_EQ(PlanThreadLimit(cores + 5), cores);  // never more threads than the cores allow
  }
  {
    test::ScopedEnv env("ORV_THREADS", "1");
    EXPECT_EQ(RequestedThreads(0), 1);
    EXPECT_EQ(PlanThreadLimit(0), 1);
    EXPECT_EQ(RequestedThreads(2), 2);  // the option wins over the variable
  }
  {
    // A value that is no count changes nothing.
    test::ScopedEnv env("ORV_THREADS", "many");
    EXPECT_EQ(PlanThreadLimit(0), cores);
  }
}

TEST(WorkerCount, ReadsMemAvailableFromMeminfo) {
  EXPECT_EQ(ParseMemAvailable("MemTotal:       24000000 kB\nMemFree:  100 kB\n"
                              "MemAvailable:   16384 kB\nBuffers: 1 kB\n"),
            16384ull * 1024);
  EXPECT_EQ(ParseMemAvailable("MemTotal: 5 kB\n"), 0u);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: lots\n"), 0u);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: 12 MB\n"), 0u);
  EXPECT_EQ(ParseMemAvailable(""), 0u);
  EXPECT_GE(UsableCores(), 1);
}

void Put(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text;
}

TEST(WorkerCount, CgroupV2LimitsOfTheCgroupAndItsAncestorsTakeTheSmallest) {
  test::TempDir root;
  // A pod limited to 1.5 CPUs and 2 GiB, its container cgroup below it with a looser memory
  // limit and no CPU limit.
  Put(root / "kubepods/pod1/cpu.max", "150000 100000\n");
  Put(root / "kubepods/pod1/memory.max", std::to_string(2 * kGiB) + "\n");
  Put(root / "kubepods/pod1/memory.current", std::to_string(512 * kMiB) + "\n");
  Put(root / "kubepods/pod1/memory.stat",
      "anon 1\ninactive_file " + std::to_string(256 * kMiB) + "\n");
  Put(root / "kubepods/pod1/c1/cpu.max", "max 100000\n");
  Put(root / "kubepods/pod1/c1/memory.max", "max\n");
  CgroupLimits l = ReadCgroupLimits(root.path(), "0::/kubepods/pod1/c1\n");
  EXPECT_DOUBLE_EQ(l.cpus, 1.5);
  EXPECT_TRUE(l.memoryLimited);
  EXPECT_EQ(l.memoryRoom, 2 * kGiB - 256 * kMiB);  // the file cache counts as room

  // A container that mounts its own cgroup as the root: its path is not there, the root is read.
  test::TempDir own;
  Put(own / "cpu.max", "100000 100000\n");
  Put(own / "memory.max", std::to_string(kGiB) + "\n");
  Put(own / "memory.current", std::to_string(2 * kGiB) + "\n");  // over the limit: no room
  l = ReadCgroupLimits(own.path(), "0::/kubepods/pod1/c1\n");
  EXPECT_DOUBLE_EQ(l.cpus, 1.0);
  EXPECT_TRUE(l.memoryLimited);
  EXPECT_EQ(l.memoryRoom, 0u);

  // No limits, garbage and hostile paths give none.
  test::TempDir none;
  Put(none / "cpu.max", "max 100000\n");
  Put(none / "memory.max", "max\n");
  l = ReadCgroupLimits(none.path(), "0::/\n");
  EXPECT_EQ(l.cpus, 0);
  EXPECT_FALSE(l.memoryLimited);
  Put(none / "cpu.max", "lots\n");
  EXPECT_EQ(ReadCgroupLimits(none.path(), "0::/../..\n").cpus, 0);
  EXPECT_EQ(ReadCgroupLimits(none.path(), "garbage").cpus, 0);
  EXPECT_EQ(ReadCgroupLimits(none.path(), "").cpus, 0);
}

TEST(WorkerCount, CgroupV1LimitsAreReadWhereTheSystemHasThem) {
  test::TempDir root;
  Put(root / "cpu,cpuacct/job/cpu.cfs_quota_us", "200000\n");
  Put(root / "cpu,cpuacct/job/cpu.cfs_period_us", "100000\n");
  Put(root / "memory/job/memory.limit_in_bytes", std::to_string(kGiB) + "\n");
  Put(root / "memory/job/memory.usage_in_bytes", std::to_string(100 * kMiB) + "\n");
  Put(root / "memory/memory.limit_in_bytes", "9223372036854771712\n");  // v1's "no limit"
  const char* procCgroup = "12:memory:/job\n4:cpu,cpuacct:/job\n1:name=systemd:/x\n0::/\n";
  CgroupLimits l = ReadCgroupLimits(root.path(), procCgroup);
  EXPECT_DOUBLE_EQ(l.cpus, 2.0);
  EXPECT_TRUE(l.memoryLimited);
  EXPECT_EQ(l.memoryRoom, kGiB - 100 * kMiB);
  // An unlimited quota is -1.
  Put(root / "cpu,cpuacct/job/cpu.cfs_quota_us", "-1\n");
  EXPECT_EQ(ReadCgroupLimits(root.path(), procCgroup).cpus, 0);
}

TEST(WorkerCount, TheAddressSpaceLimitBoundsTheMemoryPlannedFor) {
  EXPECT_EQ(AddressSpaceRoom(0, 5 * kGiB), 0u);  // no limit
  EXPECT_EQ(AddressSpaceRoom(3 * kGiB, kGiB), 2 * kGiB);
  EXPECT_EQ(AddressSpaceRoom(kGiB, 2 * kGiB), 1u);  // nothing left still plans one worker
  // In a child process with a real limit 256 MiB above its present size.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    const uint64_t size = pages * uint64_t(::sysconf(_SC_PAGESIZE));
    struct rlimit as {
      rlim_t(size + 256 * kMiB), rlim_t(size + 256 * kMiB)
    };
    if (::setrlimit(RLIMIT_AS, &as) != 0) ::_exit(2);
    const uint64_t available = AvailableMemory();
    ::_exit(available > 0 && available <= 256 * kMiB ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A real cgroup, made below this process's own one. Creating cgroups changes the machine's
// control-group tree, so it runs only where asked for (ORV_TEST_CGROUPS=1) and allowed.
TEST(WorkerCount, ARealCgroupLimitsTheWorkersOfAProcessInIt) {
  const char* asked = std::getenv("ORV_TEST_CGROUPS");
  if (!asked || std::string(asked) != "1")
    GTEST_SKIP() << "set ORV_TEST_CGROUPS=1 to let this test create a cgroup";
  std::ifstream self("/proc/self/cgroup");
  std::string line, v2Path;
  while (std::getline(self, line))
    if (line.rfind("0::", 0) == 0) v2Path = line.substr(3);
  const std::string parent = "/sys/fs/cgroup" + v2Path;
  const std::string group = parent + "/orv-test-" + std::to_string(::getpid());
  if (v2Path.empty() || ::mkdir(group.c_str(), 0755) != 0)
    GTEST_SKIP() << "cannot create a cgroup v2 below " << parent << ": " << std::strerror(errno);
  std::ofstream(group + "/cpu.max") << "100000 100000";
  std::ofstream(group + "/memory.max") << std::to_string(512 * kMiB);
  pid_t child = ::fork();
  if (child == 0) {
    std::ofstream(group + "/cgroup.procs") << "0";
    const uint64_t available = AvailableMemory();
    ::_exit(UsableCores() == 1 && available > 0 && available <= 512 * kMiB ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::rmdir(group.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PictureDimensions, ReadFromHeadersOfEveryPlannedFormat) {
  test::TempDir dir;
  const ImageFormat formats[] = {kFormatJpeg, kFormatPng, kFormatBmp, kFormatTiff,
                                 kFormatPcx,  kFormatTga, kFormatPsd};
  const char* names[] = {"p.jpg", "p.png", "p.bmp", "p.tif", "p.pcx", "p.tga", "p.psd"};
  for (size_t i = 0; i < std::size(formats); ++i) {
    std::string path = dir / names[i];
    if (!test::WritePicture(path, 37, 23, formats[i])) continue;  // no encoder for it
    int w = 0, h = 0;
    EXPECT_TRUE(ReadPictureDimensions(path, w, h)) << names[i];
    EXPECT_EQ(w, 37) << names[i];
    EXPECT_EQ(h, 23) << names[i];
  }
  // The camera sample has an EXIF segment with a thumbnail before its frame header.
  int w = 0, h = 0;
  EXPECT_TRUE(ReadPictureDimensions(ORV_SOURCE_DIR "/samples/test1.jpg", w, h));
  EXPECT_GT(w, 0);
  // Damaged and unknown files give no size.
  test::WriteText(dir / "cut.jpg", std::string("\xFF\xD8\xFF\xE1\x40\x00", 6));
  EXPECT_FALSE(ReadPictureDimensions(dir / "cut.jpg", w, h));
  test::WriteText(dir / "zero.png",
                  std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\0\0\0\0\1", 24));
  EXPECT_FALSE(ReadPictureDimensions(dir / "zero.png", w, h));
  test::WriteText(dir / "x.txt", "hello");
  EXPECT_FALSE(ReadPictureDimensions(dir / "x.txt", w, h));
  EXPECT_FALSE(ReadPictureDimensions(dir / "missing.jpg", w, h));
}

}  // namespace
}  // namespace orv
