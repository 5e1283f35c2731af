// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WriteAll.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace orv {
namespace {

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = uint8_t(random());
  return bytes;
}

// Every length around the page and the aligned copy's size, at offsets on and off a page: the
// file holds the bytes written before and the new ones, the offset ends after them, and the
// descriptor is back to cached writes. On a file system that takes direct writes (ext4, as the
// test folder usually is) the middle goes past the cache; elsewhere all of it through it.
TEST(WriteAllPastCache, KeepsEveryByteAtAnyOffsetAndLength) {
  test::TempDir dir;
  const size_t mib = size_t(1) << 20;
  unsigned seed = 1;
  for (size_t offset : {size_t(0), size_t(1), size_t(4095), size_t(4096), size_t(12345)}) {
    for (size_t size : {size_t(0), size_t(1), size_t(8191), size_t(8192), mib, mib + 4096,
                        3 * mib + 777}) {
      const std::string path = dir / "out.bin";
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      ASSERT_GE(fd, 0);
      const std::vector<uint8_t> before = RandomBytes(offset, seed++);
      const std::vector<uint8_t> bytes = RandomBytes(size, seed++);
      ASSERT_TRUE(WriteAll(fd, before.data(), before.size()));
      EXPECT_TRUE(WriteAllPastCache(fd, bytes.data(), bytes.size()));
      EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), off_t(offset + size));
      EXPECT_EQ(::fcntl(fd, F_GETFL) & O_DIRECT, 0);
      // A write after it lands after it.
      EXPECT_TRUE(WriteAll(fd, "end", 3));
      ::close(fd);
      std::vector<uint8_t> expected = before;
      expected.insert(expected.end(), bytes.begin(), bytes.end());
      expected.insert(expected.end(), {'e', 'n', 'd'});
      EXPECT_EQ(test::ReadFileBytes(path), expected) << "offset " << offset << ", size " << size;
    }
  }
}

// A failed write is reported as one, not taken for a file that refuses direct writes and
// retried; a descriptor that is not a file takes the bytes as WriteAll would.
TEST(WriteAllPastCache, ReportsFailuresAndWritesToAnyDescriptor) {
  test::TempDir dir;
  const std::string path = dir / "read-only.bin";
  test::WriteText(path, "x");
  const int readOnly = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(readOnly, 0);
  const std::vector<uint8_t> bytes = RandomBytes(size_t(3) << 20, 7);
  errno = 0;
  EXPECT_FALSE(WriteAllPastCache(readOnly, bytes.data(), bytes.size()));
  EXPECT_EQ(errno, EBADF);
  ::close(readOnly);
  EXPECT_EQ(test::ReadText(path), "x");

  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(null, 0);
  EXPECT_TRUE(WriteAllPastCache(null, bytes.data(), bytes.size()));
  ::close(null);
}

}  // namespace
}  // namespace orv
