// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a process killed by a signal must still do before it goes: remove the temporary files it
// was writing and close the log of its run. The signal handler cannot allocate or take locks, so
// the paths live in fixed buffers filled while the program runs, and the work is done with plain
// system calls only.
#pragma once

#include <string>

namespace orv {

// Remembers a temporary file being written (until ForgetTempFile); a path too long for the
// table's buffers is not remembered.
void RememberTempFile(const std::string& path);
void ForgetTempFile(const std::string& path);

// The log a signal must close: the footer is appended to path with the time of the signal.
// An empty path disarms it.
void ArmLogFinish(const std::string& path);

// Async-signal-safe: unlinks every remembered temporary file and, when armed, appends to the
// log a line naming the signal and the run's footer.
void CleanUpForSignal(int signal);

// Async-signal-safe "SIGTERM"-style name of the signals the program handles, else "signal".
const char* SignalName(int signal);

}  // namespace orv
