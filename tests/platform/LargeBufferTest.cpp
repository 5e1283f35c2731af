// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Picture-sized buffers: the sizes asked of the allocator leave room for every byte asked for,
// buffers come back for reuse only at their own size, the huge-page advice (with the collapse of
// a block's first huge page) keeps every byte already written, and placing the pages ahead of a
// writer keeps them too and puts a system whose huge pages are slow on small pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/LargeBuffer.h"

namespace orv::test {
namespace {

constexpr size_t kMiB = size_t(1) << 20;

TEST(LargeBuffer, FriendlySizesHoldTheBytesAskedForAndFillWholeHugePages) {
  for (size_t small : {size_t(0), size_t(1), size_t(4096), 4 * kMiB - 1})
    EXPECT_EQ(HugePageFriendlySize(small), small);
  for (size_t bytes : {4 * kMiB, 4 * kMiB + 1, 6 * kMiB - 24, 6 * kMiB - 23, 72003584 * size_t(1)}) {
    const size_t size = HugePageFriendlySize(bytes);
    EXPECT_GE(size, bytes);
    EXPECT_LT(size, bytes + 2 * kMiB);
    EXPECT_EQ((size + 24) % (2 * kMiB), 0u) << bytes;
  }
  // No wrap-around near the top of the address space.
  const size_t top = std::numeric_limits<size_t>::max() - 5;
  EXPECT_EQ(HugePageFriendlySize(top), top);
}

TEST(LargeBuffer, EveryByteAskedForCanBeWrittenAndBuffersComeBackAtTheirOwnSize) {
  const size_t bytes = 9 * kMiB + 17;
  uint8_t* first = NewLargeBuffer(bytes);
  ASSERT_NE(first, nullptr);
  std::memset(first, 0x5A, bytes);  // under AddressSanitizer a short block would fail here
  ReleaseLargeBuffer(first, bytes);
  uint8_t* again = NewLargeBuffer(bytes);
  EXPECT_EQ(again, first) << "a buffer released a moment ago on this thread is taken again";
  uint8_t* other = NewLargeBuffer(bytes + 1);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, again);
  other[bytes] = 1;
  ReleaseLargeBuffer(other, bytes + 1);
  ReleaseLargeBuffer(again, bytes);
  TrimLargeBuffers();
}

TEST(LargeBuffer, KeptBuffersTakenOutAreFreedByTheTakerAndNotReusedHere) {
  const size_t bytes = 5 * kMiB;
  uint8_t* first = NewLargeBuffer(bytes);
  ASSERT_NE(first, nullptr);
  ReleaseLargeBuffer(first, bytes);
  TakenLargeBuffers taken = TakeKeptLargeBuffers();
  EXPECT_FALSE(taken.empty());
  EXPECT_TRUE(TakeKeptLargeBuffers().empty()) << "this thread keeps nothing of it";
  // Freed on another thread, as a free core does at the end of a run (a leak or a double free
  // shows under the sanitizers).
  std::thread([&] { taken.Free(); }).join();
  EXPECT_TRUE(taken.empty());
  uint8_t* next = NewLargeBuffer(bytes);
  ASSERT_NE(next, nullptr);
  next[bytes - 1] = 1;
  ReleaseLargeBuffer(next, bytes);
  TrimLargeBuffers();
}

TEST(LargeBufferAdvice, KeepsTheBytesWrittenBeforeIt) {
  // Written first, advised after: the advice and the collapse of the first huge page must not
  // lose or clear a byte, whether the block starts on a huge-page boundary or not.
  for (size_t offset : {size_t(0), size_t(4096), size_t(100)}) {
    const size_t bytes = HugePageFriendlySize(6 * kMiB);
    std::unique_ptr<uint8_t[]> block(new uint8_t[bytes + offset]);
    uint8_t* p = block.get() + offset;
    for (size_t i = 0; i < bytes; ++i) p[i] = uint8_t(i * 131 + (i >> 12));
    AdviseHugePages(p, bytes);
    size_t wrong = 0;
    for (size_t i = 0; i < bytes; ++i) wrong += p[i] != uint8_t(i * 131 + (i >> 12));
    EXPECT_EQ(wrong, 0u) << "offset " << offset;
  }
}

// The flags of the mapping that holds `address` ("hg": marked for huge pages, "nh": for small
// ones), from /proc/self/smaps; empty where the system does not tell (an emulator).
std::string MappingFlags(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const uintptr_t at = uintptr_t(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long long from = 0, to = 0;
    char dash = 0;
    std::istringstream head(line);
    if (line.find(':') > line.find(' ') && (head >> std::hex >> from >> dash >> to) &&
        dash == '-') {
      inside = at >= from && at < to;
      continue;
    }
    if (inside && line.rfind("VmFlags:", 0) == 0) return line.substr(8) + " ";
  }
  return {};
}

bool HasFlag(const std::string& flags, const char* flag) {
  return flags.find(std::string(" ") + flag + " ") != std::string::npos;
}

// A pattern of bytes that changes within every page.
uint8_t Pattern(size_t i) {
  return uint8_t(i * 131 + (i >> 12));
}

TEST(LargeBufferPlacing, KeepsEveryByteWrittenBeforeItWhateverThePages) {
  for (bool slow : {false, true}) {
    ScopedHugePagesSlow pages(slow);
    const size_t bytes = 11 * kMiB + 5;
    LargeBufferPtr buffer = MakeLargeBuffer(bytes);
    ASSERT_TRUE(buffer);
    // The first half written, as by a writer that is part way through; placing must neither
    // clear it nor keep the rest from being written.
    for (size_t i = 0; i < bytes / 2; ++i) buffer[i] = Pattern(i);
    PlacePages(buffer.get(), bytes);
    for (size_t i = bytes / 2; i < bytes; ++i) buffer[i] = Pattern(i);
    size_t wrong = 0;
    for (size_t i = 0; i < bytes; ++i) wrong += buffer[i] != Pattern(i);
    EXPECT_EQ(wrong, 0u) << (slow ? "slow" : "fast") << " huge pages";
    // A buffer's memory taken again: placing pages already in place changes nothing either.
    PlacePages(buffer.get(), bytes);
    EXPECT_EQ(buffer[bytes - 1], Pattern(bytes - 1));
  }
  // Nothing to place, and blocks too small for huge pages, are left alone.
  PlacePages(nullptr, 64 * kMiB);
  uint8_t small[4096] = {7};
  PlacePages(small, sizeof small);
  EXPECT_EQ(small[0], 7);
}

TEST(LargeBufferPlacing, PagesPlacedAheadOfAWriterKeepEveryByte) {
  // A band's rows written one at a time with their pages placed as the writing comes to them,
  // from an odd start to an odd end, while the rows above and below (other bands') were written
  // before: nothing is lost on either side.
  for (bool slow : {false, true}) {
    ScopedHugePagesSlow pages(slow);
    const size_t bytes = 13 * kMiB + 3, row = 18003, first = 3 * row + 1;
    const size_t end = bytes - 2 * row - 7;
    LargeBufferPtr buffer = MakeLargeBuffer(bytes);
    ASSERT_TRUE(buffer);
    for (size_t i = 0; i < first; ++i) buffer[i] = Pattern(i);
    for (size_t i = end; i < bytes; ++i) buffer[i] = Pattern(i);
    PagesPlacedAhead ahead;
    ahead.Start(buffer.get() + first, buffer.get() + end);
    for (size_t at = first; at < end; at += row) {
      const size_t stop = std::min(end, at + row);
      ahead.Before(buffer.get() + stop);
      for (size_t i = at; i < stop; ++i) buffer[i] = Pattern(i);
    }
    size_t wrong = 0;
    for (size_t i = 0; i < bytes; ++i) wrong += buffer[i] != Pattern(i);
    EXPECT_EQ(wrong, 0u) << (slow ? "slow" : "fast") << " huge pages";
  }
}

TEST(LargeBufferPlacing, OnceHugePagesAreSlowBuffersGoOnSmallPages) {
  const size_t bytes = 12 * kMiB;
  {
    ScopedHugePagesSlow pages(false);
    LargeBufferPtr fast = MakeLargeBuffer(bytes);
    ASSERT_TRUE(fast);
    const std::string flags = MappingFlags(fast.get() + bytes / 2);
    if (flags.empty()) GTEST_SKIP() << "the system does not list its mappings' flags";
    // Where the system offers huge pages at all, a large buffer is marked for them.
    if (!HasFlag(flags, "hg")) GTEST_SKIP() << "no transparent huge pages here: " << flags;
    EXPECT_FALSE(HasFlag(flags, "nh")) << flags;
    // Seen slow while a buffer is placed: the rest of it goes on small pages.
    ScopedHugePagesSlow slowNow(true);
    PlacePages(fast.get(), bytes);
    EXPECT_TRUE(HasFlag(MappingFlags(fast.get() + bytes / 2), "nh"));
    TrimLargeBuffers();
  }
  ScopedHugePagesSlow pages(true);
  // A fresh buffer, and a vector's reserved room, are marked for small pages from the start.
  LargeBufferPtr fresh = MakeLargeBuffer(bytes + 4096);
  ASSERT_TRUE(fresh);
  EXPECT_TRUE(HasFlag(MappingFlags(fresh.get() + bytes / 2), "nh"));
  std::unique_ptr<uint8_t[]> block(new uint8_t[bytes]);
  AdviseHugePages(block.get(), bytes);
  EXPECT_TRUE(HasFlag(MappingFlags(block.get() + bytes / 2), "nh"));
  fresh.reset();
  TrimLargeBuffers();
}

}  // namespace
}  // namespace orv::test
