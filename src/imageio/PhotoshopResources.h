// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Photoshop image resources ("8BIM" blocks), as PSD files hold them and JPEG APP13 segments carry
// them, and the IPTC records resource 0x0404 holds.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orv {

inline constexpr uint16_t kResourceIptc = 0x0404;
inline constexpr uint16_t kResourceIcc = 0x040F;
inline constexpr uint16_t kResourceXmp = 0x0424;

// Calls visit(id, data) for each well-formed resource in order; stops at the first damaged one.
void ForEachPhotoshopResource(std::span<const uint8_t> block,
                              const std::function<void(uint16_t, std::span<const uint8_t>)>& visit);

// One resource with an empty name, padded to an even length.
std::vector<uint8_t> PhotoshopResource(uint16_t id, std::span<const uint8_t> data);

// The length of the run of well-formed IPTC records at the start of data (trailing padding and
// anything damaged left out); 0 when the first record is not one.
size_t IptcRecordsLength(std::span<const uint8_t> data);

}  // namespace orv
