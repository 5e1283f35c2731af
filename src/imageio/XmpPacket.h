// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The two things done to XMP packets as text: finding the id of the extended packet the main
// one points to, and folding an extended packet back into the main one for formats that hold a
// packet of any size in one piece.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imageio/PhotoMetadata.h"

namespace orv {

// The 32 hexadecimal digits of the main packet's xmpNote:HasExtendedXMP (attribute or element
// form); empty when it names none.
std::string ExtendedXmpGuid(std::span<const uint8_t> mainPacket);

// The main packet with the descriptions of the extended one moved in before its closing
// </rdf:RDF>. When either packet lacks its RDF element, the main packet alone.
std::vector<uint8_t> MergeExtendedXmp(std::span<const uint8_t> mainPacket,
                                      std::span<const uint8_t> extendedPacket);

}  // namespace orv

namespace orv {

// True when the packet holds a complete XMP document: its x:xmpmeta element (or, without one,
// its rdf:RDF element) is closed. A packet cut short fails.
bool PlausibleXmpPacket(std::span<const uint8_t> packet);

}  // namespace orv

namespace orv {

// The packet a format without JPEG's segment limit stores: the main packet with the extended
// one folded in.
std::vector<uint8_t> WholeXmpPacket(const PhotoMetadata& meta);

}  // namespace orv
