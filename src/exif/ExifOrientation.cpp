// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/ExifOrientation.h"

#include <cstring>

#include "exif/ExifByteReader.h"

namespace orv {

bool SetExifOrientationUpright(std::vector<uint8_t>& block) {
  static const uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
  constexpr uint64_t kTiff = 6;  // the TIFF data follows the signature
  if (block.size() < kTiff + 8 || std::memcmp(block.data(), kSignature, 6) != 0) return false;
  uint8_t* tiff = block.data() + kTiff;
  const size_t size = block.size() - kTiff;
  bool bigEndian = false;
  if (tiff[0] == 'M' && tiff[1] == 'M')
    bigEndian = true;
  else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
    return false;
  const ExifByteReader in(tiff, size, bigEndian);
  uint32_t ifd = 0;
  uint16_t count = 0;
  if (!in.U32(4, ifd) || !in.U16(ifd, count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = uint64_t(ifd) + 2 + 12 * uint64_t(i);
    uint16_t tag = 0, type = 0, value = 0;
    uint32_t n = 0;
    if (!in.U16(entry, tag) || !in.U16(entry + 2, type) || !in.U32(entry + 4, n) ||
        !in.U16(entry + 8, value))
      return false;
    if (tag != 0x0112) continue;
    if (type != 3 || n != 1 || value == 1) return false;
    // SHORT values sit at the start of the entry's 4-byte value field, in the block's order.
    tiff[entry + 8] = bigEndian ? 0 : 1;
    tiff[entry + 9] = bigEndian ? 1 : 0;
    return true;
  }
  return false;
}

}  // namespace orv
