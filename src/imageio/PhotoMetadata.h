// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a photo carries beside its pixels and its EXIF APP1 segment: the colour profile, the XMP
// packet (with a JPEG's extended XMP), the IPTC records and, for formats without an APP1 segment,
// the EXIF record. The loader fills it; the savers write what each output format can hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct PhotoMetadata {
  std::vector<uint8_t> icc;          // the whole ICC profile
  std::vector<uint8_t> xmp;          // the main XMP packet, as stored
  std::vector<uint8_t> extendedXmp;  // a JPEG's extended XMP, reassembled in order
  std::string extendedXmpGuid;       // the 32-character id the main packet names it by
  std::vector<uint8_t> iptc;         // IPTC-IIM records (the 0x0404 Photoshop resource)
  std::vector<uint8_t> exif;         // EXIF record of a PNG source (TIFF structure, no header)
  int sourceWidth = 0;               // the decoded size of the picture all this describes
  int sourceHeight = 0;

  bool HasDescriptive() const { return !xmp.empty() || !iptc.empty(); }
  void Clear() { *this = PhotoMetadata(); }
};

}  // namespace orv
