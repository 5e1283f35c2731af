// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Picture-sized buffers: the sizes asked of the allocator leave room for every byte asked for,
// buffers come back for reuse only at their own size, and the huge-page advice (with the
// collapse of a block's first huge page) keeps every byte already written.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

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

}  // namespace
}  // namespace orv::test
