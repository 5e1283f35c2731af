// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The ICC profile that matches a HEIF file's nclx colour description, so that a picture described
// by code points (primaries, transfer) carries its colours into outputs like one with a profile.
#pragma once

#include <libheif/heif.h>

#include <cstdint>
#include <vector>

namespace orv {

// A matrix/curve RGB profile for the description's primaries, white point and transfer; empty
// when no profile matches (unspecified primaries, PQ or HLG transfer, unknown code points).
std::vector<uint8_t> ProfileForNclx(const heif_color_profile_nclx& nclx);

}  // namespace orv
