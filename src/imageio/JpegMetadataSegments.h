// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG segments that carry a photo's colour profile, XMP and IPTC: gathered from the APPn
// segments a decode kept, and laid out again for an encode. The EXIF APP1 segment is not among
// them; it keeps its own path.
#pragma once

#include <cstddef>
#include <vector>

#include "imageio/LibraryContext.h"
#include "imageio/PhotoMetadata.h"

namespace orv {

// Most bytes of profile one APP2 segment holds (the rest is the 14-byte chunk header).
inline constexpr size_t kIccBytesPerSegment = 65519;
// Most bytes of extended XMP one APP1 segment holds after its 75-byte header.
inline constexpr size_t kExtendedXmpBytesPerSegment = 65458;

// The profile (APP2 ICC_PROFILE chunks in sequence order), the main and extended XMP packets
// (APP1) and the IPTC records (APP13 Photoshop resource 0x0404). Anything incomplete or damaged
// is left out; the rest is kept. Multi-Picture and other APP2 segments are not read.
PhotoMetadata MetadataFromJpegSegments(const std::vector<JpegMarker>& segments);

// The segments for `meta` in the order they are written: the main XMP packet (unless
// mainXmpInApp1, when the EXIF path already writes that APP1), the extended XMP chunks, the
// profile chunks, the IPTC APP13. What cannot fit its segments is left out.
std::vector<JpegMarker> JpegMetadataSegments(const PhotoMetadata& meta, bool mainXmpInApp1);

// True when an APP1 payload is an XMP main packet segment.
bool IsXmpSegment(const std::vector<uint8_t>& payload);

}  // namespace orv
