// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Names of the standard TIFF 6.0 and EXIF 2.1 tag numbers, for listings.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

// The tag's name, or "unknown tag: 0x%x" for a number outside the table.
std::string ExifTagName(uint16_t tag);

}  // namespace orv
