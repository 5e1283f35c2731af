// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a whole buffer to a descriptor.
#pragma once

#include <cstddef>

namespace orv {

// Writes all `size` bytes to fd, going on after short writes and interrupted calls; false (with
// errno from the failed write, or 0 bytes written) when the rest cannot be written.
bool WriteAll(int fd, const void* data, size_t size);

// WriteAll for a large file that is synced as soon as it is written (a saved photo): the whole
// pages of the write go to the device past the page cache (O_DIRECT), through an aligned copy,
// where the file system states the alignment it needs; the ends, and everything on a file
// system that states none, go through the cache. The cache would hold the copy only until the
// sync, and on some machines filling it with fresh pages costs three times the device's own
// transfer. The descriptor's offset and flags end as WriteAll leaves them.
bool WriteAllPastCache(int fd, const void* data, size_t size);

}  // namespace orv
