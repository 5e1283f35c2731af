// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A signal that ends the process removes every temporary file it was writing, whichever thread
// the signal lands on and whichever thread was creating a file at that moment.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "platform/ExitCleanup.h"
#include "platform/SafeWrite.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace orv {
namespace {

void EndBySignal(int signal) {
  CleanUpForSignal(signal);
  ::_exit(0);
}

// A process whose second thread creates and discards temporary files without pause, as saves
// do, is ended by SIGTERM, which its idle first thread takes. Before the creations were guarded
// across threads, a signal that came while the other thread had created a file but not yet
// remembered it (or created one after the handler's sweep) left the file behind, here in the
// first kill every time. Each kill ends a process of its own, started afresh by gtest's
// "threadsafe" death tests (so with one thread, as ThreadSanitizer needs before new threads),
// which finds the folder in ORV_EXIT_CLEANUP_FOLDER.
TEST(ExitCleanup, ASignalOnAnotherThreadRemovesTheFileBeingCreated) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::optional<test::TempDir> made;
  const char* given = std::getenv("ORV_EXIT_CLEANUP_FOLDER");
  if (!given) made.emplace();
  const std::string folder = given ? given : made->path();
  test::ScopedEnv shared("ORV_EXIT_CLEANUP_FOLDER", folder.c_str());
  const std::string target = folder + "/p_ORV.jpg";
  for (int round = 0; round < 30; ++round) {
    EXPECT_EXIT(
        {
          ::signal(SIGTERM, EndBySignal);
          std::atomic<bool> created{false};
          std::thread creator([&] {
            for (;;) {
              std::string temp;
              const int fd = CreateTempBeside(target, temp);
              if (fd < 0) continue;  // refused once the cleanup has begun
              ::close(fd);
              DiscardTemp(temp, false);
              created.store(true);
            }
          });
          while (!created.load()) std::this_thread::yield();
          // Spread the kills over the creator's loop.
          std::this_thread::sleep_for(std::chrono::microseconds(100 + 37 * round));
          ::kill(::getpid(), SIGTERM);
          for (;;) ::pause();
        },
        ::testing::ExitedWithCode(0), "")
        << "round " << round;
    ASSERT_EQ(test::CountTempFiles(folder), 0u) << "round " << round;
  }
}

}  // namespace
}  // namespace orv
