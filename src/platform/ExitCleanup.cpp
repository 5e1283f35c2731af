// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExitCleanup.h"

#include <fcntl.h>
#include <unistd.h>

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
  volatile std::sig_atomic_t used;
};

Slot gTemps[kSlots];
// Threads that save at the same time (the desktop program's watch beside a run of the window)
// claim and free slots one at a time; the signal handler only reads them.
std::mutex gTempsMutex;
char gLogPath[kPathBytes];
volatile std::sig_atomic_t gLogArmed = 0;
// Seconds east of UTC when the log was armed: the handler cannot call localtime.
long gUtcOffset = 0;

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
    if (s.used) continue;
    std::memcpy(s.path, path.c_str(), path.size() + 1);
    s.used = 1;
    return;
  }
}

void ForgetTempFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(gTempsMutex);
  for (Slot& s : gTemps) {
    if (s.used && path == s.path) {
      s.used = 0;
      return;
    }
  }
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
  for (Slot& s : gTemps) {
    if (s.used) ::unlink(s.path);
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
