// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/ExifDimensions.h"

#include <cstring>

#include "exif/ExifByteReader.h"

namespace orv {
namespace {

constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagWidth = 0xA002;
constexpr uint16_t kTagHeight = 0xA003;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;

void Put(uint8_t* at, uint32_t value, unsigned bytes, bool bigEndian) {
  for (unsigned i = 0; i < bytes; ++i)
    at[i] = uint8_t(value >> (bigEndian ? 8 * (bytes - 1 - i) : 8 * i));
}

// The block offset of the entry for `tag` in the IFD at TIFF offset `ifd`, or 0.
uint64_t FindEntry(const ExifByteReader& r, uint64_t base, uint32_t ifd, uint16_t tag) {
  uint16_t count = 0;
  if (!r.U16(base + ifd, count)) return 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = base + ifd + 2 + uint64_t(i) * 12;
    uint16_t t = 0;
    if (!r.U16(entry, t) || !RangeInside(entry, 12, r.Size())) return 0;
    if (t == tag) return entry;
  }
  return 0;
}

bool SetValue(std::vector<uint8_t>& block, const ExifByteReader& r, uint64_t entry,
              uint32_t value, bool bigEndian) {
  uint16_t type = 0;
  uint32_t count = 0;
  if (entry == 0 || !r.U16(entry + 2, type) || !r.U32(entry + 4, count) || count != 1)
    return false;
  if (type == kTypeShort && value <= 0xFFFF) {
    Put(block.data() + entry + 8, value, 2, bigEndian);
    return true;
  }
  if (type == kTypeLong) {
    Put(block.data() + entry + 8, value, 4, bigEndian);
    return true;
  }
  return false;
}

}  // namespace

bool SetExifPixelDimensionsAt(std::vector<uint8_t>& block, size_t base, uint32_t width,
                              uint32_t height) {
  if (!RangeInside(base, 8, block.size())) return false;
  bool bigEndian = false;
  if (std::memcmp(block.data() + base, "MM\0*", 4) == 0)
    bigEndian = true;
  else if (std::memcmp(block.data() + base, "II*\0", 4) != 0)
    return false;
  ExifByteReader r(block.data(), block.size(), bigEndian);
  uint32_t ifd0 = 0, exifIfd = 0;
  if (!r.U32(base + 4, ifd0)) return false;
  const uint64_t pointer = FindEntry(r, base, ifd0, kTagExifIfd);
  if (pointer == 0 || !r.U32(pointer + 8, exifIfd)) return false;
  const uint64_t widthEntry = FindEntry(r, base, exifIfd, kTagWidth);
  const uint64_t heightEntry = FindEntry(r, base, exifIfd, kTagHeight);
  const bool changedWidth = SetValue(block, r, widthEntry, width, bigEndian);
  const bool changedHeight = SetValue(block, r, heightEntry, height, bigEndian);
  return changedWidth || changedHeight;
}

bool SetExifPixelDimensions(std::vector<uint8_t>& app1Payload, uint32_t width, uint32_t height) {
  static constexpr uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1Payload.size() < 6 || std::memcmp(app1Payload.data(), kSignature, 6) != 0) return false;
  return SetExifPixelDimensionsAt(app1Payload, 6, width, height);
}

}  // namespace orv
