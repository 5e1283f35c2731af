// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WriteAll.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace orv {

bool WriteAll(int fd, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t done = ::write(fd, p, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    size -= size_t(done);
  }
  return true;
}

}  // namespace orv
