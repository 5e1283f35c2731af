// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The decoded form of one EXIF APP1 block: four lists of tag entries (IFD0, the Exif sub-IFD, the
// Interoperability IFD, IFD1) plus the library error codes the reader reports.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Library error codes the reader leaves for its callers.
inline constexpr int kExifOk = 0;
inline constexpr int kExifOutOfMemory = 1;
inline constexpr int kExifBadParameter = 5;
inline constexpr int kExifNotExif = 56;  // not an EXIF block, or a malformed one
inline constexpr int kExifTagNotFound = 57;

// The tag types of the TIFF/EXIF structure.
enum ExifType : uint16_t {
  kExifByte = 1,
  kExifAscii = 2,
  kExifShort = 3,
  kExifLong = 4,
  kExifRational = 5,
  kExifSByte = 6,
  kExifUndefined = 7,
  kExifSShort = 8,
  kExifSLong = 9,
  kExifSRational = 10,
  kExifFloat = 11,
  kExifDouble = 12,
};

// The four lists, in the order lookups search them.
enum class ExifIfd : int { Ifd0 = 0, SubIfd = 1, Interop = 2, Ifd1 = 3 };
inline constexpr int kExifIfdCount = 4;

// Bit set selecting the lists a lookup searches.
enum ExifIfdMask : unsigned {
  kExifMaskIfd0 = 1,
  kExifMaskSubIfd = 2,
  kExifMaskInterop = 4,
  kExifMaskIfd1 = 8,
  kExifMaskAll = 15,
};

// One directory entry that passed the checks. The elements are not copied out one by one: they
// stay in the block copy the owning CExifData keeps, so a block full of entries that all point at
// the same large value costs one copy of the block, not one per entry.
struct CExifEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t valueOrOffset = 0;  // in host order
  size_t dataOffset = 0;       // block offset of the first element (the value field when inline)
};

struct CExifData {
  bool bigEndian = false;      // the block is MM: every multi-byte number is read reversed
  std::vector<uint8_t> block;  // private copy of the parsed block, read by the entry texts
  std::array<std::vector<CExifEntry>, kExifIfdCount> lists;

  const std::vector<CExifEntry>& List(ExifIfd ifd) const { return lists[size_t(ifd)]; }
};

// The element size of a tag type, 0 for a type outside 1..12.
uint32_t ExifTypeSize(uint16_t type);

}  // namespace orv
