// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The locks that let several runs write one log or report: open-file-description locks on two
// bytes beyond the file's end (no data is needed there). Byte kAppendByte serialises appends;
// byte kInUseByte is held shared by every run writing the file, so that a starting run empties
// it only when no other run is writing it. Unlike flock, the two are independent.
#pragma once

#include <sys/types.h>

namespace orv {

inline constexpr off_t kAppendByte = 0;
inline constexpr off_t kInUseByte = 1;

// Takes (F_RDLCK, F_WRLCK) or drops (F_UNLCK) the lock on one byte; with wait, blocks until it
// is free. False when it could not be taken.
bool LockFileByte(int fd, short type, off_t byte, bool wait);
// Whether another open file description holds the "in use" byte.
bool InUseElsewhere(int fd);

}  // namespace orv
