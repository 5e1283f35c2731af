// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/PhotoshopResources.h"

#include <cstring>

#include "imageio/ByteOrder.h"
#include "platform/CheckedMath.h"

namespace orv {

void ForEachPhotoshopResource(
    std::span<const uint8_t> block,
    const std::function<void(uint16_t, std::span<const uint8_t>)>& visit) {
  size_t at = 0;
  while (RangeInside(at, 7, block.size()) && std::memcmp(block.data() + at, "8BIM", 4) == 0) {
    const uint16_t id = uint16_t(Be16(block.data() + at + 4));
    // The name is a Pascal string padded, with its length byte, to an even size.
    size_t nameSize = size_t(block[at + 6]) + 1;
    nameSize += nameSize & 1;
    const size_t sizeAt = at + 6 + nameSize;
    if (!RangeInside(sizeAt, 4, block.size())) return;
    const uint32_t size = Be32(block.data() + sizeAt);
    const size_t dataAt = sizeAt + 4;
    if (!RangeInside(dataAt, size, block.size())) return;
    visit(id, block.subspan(dataAt, size));
    at = dataAt + size + (size & 1);
  }
}

std::vector<uint8_t> PhotoshopResource(uint16_t id, std::span<const uint8_t> data) {
  // Signature, id, an empty name padded to two bytes, the size, the data padded to even.
  const auto size = uint32_t(data.size());
  std::vector<uint8_t> out(12 + size_t(size) + (size & 1), 0);
  std::memcpy(out.data(), "8BIM", 4);
  PutBe16(out.data() + 4, id);
  PutBe32(out.data() + 8, size);
  if (size) std::memcpy(out.data() + 12, data.data(), size);
  return out;
}

size_t IptcRecordsLength(std::span<const uint8_t> data) {
  size_t at = 0;
  while (RangeInside(at, 5, data.size()) && data[at] == 0x1C) {
    uint64_t length = uint64_t(data[at + 3]) << 8 | data[at + 4];
    size_t valueAt = at + 5;
    if (length & 0x8000) {
      // Extended form: the low bits count the bytes of the real length that follow.
      const size_t lengthBytes = size_t(length & 0x7FFF);
      if (lengthBytes == 0 || lengthBytes > 4 || !RangeInside(valueAt, lengthBytes, data.size()))
        break;
      length = 0;
      for (size_t i = 0; i < lengthBytes; ++i) length = length << 8 | data[valueAt + i];
      valueAt += lengthBytes;
    }
    if (!RangeInside(valueAt, length, data.size())) break;
    at = valueAt + size_t(length);
  }
  return at;
}

}  // namespace orv
