// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Readers of the metadata a PNG, TIFF or PSD file carries beside its pixels (JPEG's comes from
// the segments its decoder keeps, see JpegMetadataSegments.h). Each reads the source from its
// start, never fails the load: damaged or oversized parts are left out.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/PhotoMetadata.h"

namespace orv {

struct ImageSource;

// A metadata part larger than this is not read.
inline constexpr uint32_t kMaxMetadataPart = 64u << 20;

// PNG: iCCP (the profile, inflated), iTXt "XML:com.adobe.xmp" and eXIf; chunks failing their
// CRC are skipped.
PhotoMetadata ReadPngMetadata(ImageSource* source);
// TIFF: the first IFD's tags 34675 (profile), 700 (XMP) and 33723 (IPTC).
PhotoMetadata ReadTiffMetadata(ImageSource* source);
// PSD: image resources 1039 (profile), 1060 (XMP) and 1028 (IPTC).
PhotoMetadata ReadPsdMetadata(ImageSource* source);

// Reads size bytes at offset into out; false when the source is shorter or memory runs out.
bool ReadSourceBytes(ImageSource* source, uint64_t offset, uint64_t size, std::vector<uint8_t>& out);

}  // namespace orv
