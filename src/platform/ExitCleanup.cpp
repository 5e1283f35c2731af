// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExitCleanup.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>

namespace orv {
namespace {

constexpr size_t kSlots = 8;
constexpr size_t kPathBytes = 4096;

struct Slot {
  char path[kPathBytes];
  std::atomic<int> used;  // set once path is written; read by the handler
};

Slot gTemps[kSlots];
// Threads that save at the same time (the desktop program's watch beside a run of the window)
// claim and free slots one at a time; the signal handler only reads them.
std::mutex gTempsMutex;
char gLogPath[kPathBytes];
volatile std::sig_atomic_t gLogArmed = 0;
// Seconds east of UTC when the log was armed: the handler cannot call localtime.
long gUtcOffset = 0;
// Temporary files being created now, and whether a signal's cleanup has begun. Lock-free
// atomics, which a handler may use; sequentially consistent, so that a creation and a cleanup
// that start together see at least one of the other's marks.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
std::atomic<int> gCreating{0};
std::atomic<bool> gEnding{false};

// Appends text at p, never past end; returns the new position.
char* Put(char* p, char* end, const char* text) {
  while (*text && p < end) *p++ = *text++;
  return p;
}

char* PutTwoDigits(char* p, char* end, long v) {
  char d[3] = {char('0' + v / 10 % 10), char('0' + v % 10), 0};
  return Put(p, end, d);
}

}  // namespace

void RememberTempFile(const std::string& path) {
  if (path.size() >= kPathBytes) return;
  std::lock_guard<std::mutex> lock(gTempsMutex);
  for (Slot& s : gTemps) {
    if (s.used.load()) continue;
    std::memcpy(s.path, path.c_str(), path.size() + 1);
    s.used.store(1);
    return;
  }
}

void ForgetTempFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(gTempsMutex);
  for (Slot& s : gTemps) {
    if (s.used.load() && path == s.path) {
      s.used.store(0);
      return;
    }
  }
}

TempFileCreation::TempFileCreation() {
  sigset_t all;
  sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, &before_);
  gCreating.fetch_add(1);
  ok_ = !gEnding.load();
}

TempFileCreation::~TempFileCreation() {
  gCreating.fetch_sub(1);
  ::pthread_sigmask(SIG_SETMASK, &before_, nullptr);
}

void ArmLogFinish(const std::string& path) {
  gLogArmed = 0;
  if (path.empty() || path.size() >= kPathBytes) return;
  std::memcpy(gLogPath, path.c_str(), path.size() + 1);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  gUtcOffset = local.tm_gmtoff;
  gLogArmed = 1;
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGQUIT:
      return "SIGQUIT";
    case SIGXCPU:
      return "SIGXCPU";
    case SIGUSR1:
      return "SIGUSR1";
    case SIGALRM:
      return "SIGALRM";
    default:
      return "signal";
  }
}

void CleanUpForSignal(int signal) {
  gEnding.store(true);
  // A creation takes microseconds, on a slow network folder longer; the bound only keeps an
  // unforeseen stall from holding the process.
  for (int waited = 0; gCreating.load() > 0 && waited < 100000; ++waited) {
    timespec pause{0, 50000};
    ::nanosleep(&pause, nullptr);
  }
  for (Slot& s : gTemps) {
    if (s.used.load()) ::unlink(s.path);
  }
  if (!gLogArmed) return;
  // Only a log the run already started is finished; a missing one is not created.
  int fd = ::open(gLogPath, O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return;
  long t = long(std::time(nullptr)) + gUtcOffset;
  long day = ((t % 86400) + 86400) % 86400;
  char stamp[16];
  char* e = stamp + sizeof stamp - 1;
  char* p = PutTwoDigits(stamp, e, day / 3600);
  p = Put(p, e, "::");
  p = PutTwoDigits(p, e, day / 60 % 60);
  p = Put(p, e, "::");
  p = PutTwoDigits(p, e, day % 60);
  p = Put(p, e, " ");
  *p = 0;
  char text[512];
  char* end = text + sizeof text;
  char* q = Put(text, end, "File was not saved<hr>");
  q = Put(q, end, stamp);
  q = Put(q, end, "<font color=\"#ff0900\">**** Process ended by ");
  q = Put(q, end, SignalName(signal));
  q = Put(q, end, " *************</font><hr>");
  q = Put(q, end, stamp);
  q = Put(q, end, "Finished<hr><a href=\"index.htm\">Created by ORV Lumitra</a></body>");
  ssize_t ignored = ::write(fd, text, size_t(q - text));
  (void)ignored;
  ::close(fd);
}

}  // namespace orv
