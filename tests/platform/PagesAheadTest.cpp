// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Pages put in place ahead of a serial writer: the writer runs exactly once, on the calling
// thread, whatever the helpers do, and the pages populated meanwhile keep what it wrote.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/LargeBuffer.h"
#include "platform/PagesAhead.h"
#include "platform/ThreadBudget.h"

namespace orv::test {
namespace {

TEST(PagesAhead, TheWriterRunsOnceOnTheCallerAndItsBytesStand) {
  const size_t bytes = size_t(9) << 20;  // a few 2 MiB steps and a ragged end
  for (int limit : {1, 2, 3, 7}) {
    ScopedThreadLimit threads(limit);
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE(::testing::Message() << limit << " threads, round " << round);
      LargeBufferPtr buffer = MakeLargeBuffer(bytes + 123);
      ASSERT_TRUE(buffer);
      std::atomic<size_t> reached{0};
      int writes = 0;
      bool onCaller = true;
      const std::thread::id caller = std::this_thread::get_id();
      WriteWithPagesAhead(buffer.get(), bytes + 123, reached, [&] {
        ++writes;
        onCaller = onCaller && std::this_thread::get_id() == caller;
        // Row by row from the start, as a decoder writes.
        for (size_t at = 0; at < bytes + 123; at += 65536) {
          const size_t n = std::min<size_t>(65536, bytes + 123 - at);
          std::memset(buffer.get() + at, int((at >> 16) & 0xFF) | 1, n);
          reached.store(at + n, std::memory_order_relaxed);
        }
      });
      EXPECT_EQ(writes, 1);
      EXPECT_TRUE(onCaller);
      bool intact = true;
      for (size_t at = 0; at < bytes + 123; at += 4096)
        intact = intact && buffer[at] == uint8_t(int((at >> 16) & 0xFF) | 1);
      EXPECT_TRUE(intact);
    }
  }
}

TEST(PagesAhead, PopulatingKeepsBytesAlreadyThere) {
  std::vector<uint8_t> data(size_t(5) << 20, 0x5A);
  std::atomic<size_t> reached{0};
  PopulatePagesBackwards(data.data(), data.size(), reached);
  EXPECT_EQ(std::count(data.begin(), data.end(), 0x5A), std::ptrdiff_t(data.size()));
  // A writer already past the end leaves nothing to do.
  reached = data.size();
  PopulatePagesBackwards(data.data(), data.size(), reached);
}

}  // namespace
}  // namespace orv::test
