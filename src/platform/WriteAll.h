// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a whole buffer to a descriptor.
#pragma once

#include <cstddef>

namespace orv {

// Writes all `size` bytes to fd, going on after short writes and interrupted calls; false (with
// errno from the failed write, or 0 bytes written) when the rest cannot be written.
bool WriteAll(int fd, const void* data, size_t size);

}  // namespace orv
