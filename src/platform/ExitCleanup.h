// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a process killed by a signal must still do before it goes: remove the temporary files it
// was writing and close the log of its run. The signal handler cannot allocate or take locks, so
// the paths live in fixed buffers filled while the program runs, and the work is done with plain
// system calls only.
#pragma once

#include <signal.h>

#include <string>

namespace orv {

// Remembers a temporary file being written (until ForgetTempFile); a path too long for the
// table's buffers is not remembered.
void RememberTempFile(const std::string& path);
void ForgetTempFile(const std::string& path);

// Held while a temporary file is created and remembered. The process's signals go to any of its
// threads: blocking them on the creating thread alone would let another thread's handler run
// between the file's creation and its remembering and leave the file behind. So the guard
// blocks every signal on its own thread, and CleanUpForSignal on any other thread first stops
// new guards (ok() is then false and nothing may be created) and then waits for those held.
class TempFileCreation {
 public:
  TempFileCreation();
  ~TempFileCreation();
  TempFileCreation(const TempFileCreation&) = delete;
  TempFileCreation& operator=(const TempFileCreation&) = delete;
  bool ok() const { return ok_; }

 private:
  sigset_t before_;
  bool ok_ = false;
};

// The log a signal must close: the footer is appended to path with the time of the signal.
// An empty path disarms it.
void ArmLogFinish(const std::string& path);

// Async-signal-safe: waits for the temporary files being created on other threads (at most a
// few seconds), unlinks every remembered temporary file and, when armed, appends to the log a
// line naming the signal and the run's footer. From then on no TempFileCreation is ok().
void CleanUpForSignal(int signal);

// Async-signal-safe "SIGTERM"-style name of the signals the program handles, else "signal".
const char* SignalName(int signal);

}  // namespace orv
