#include "imageio/PhotoshopResources.h"

#include <cstring>

#include "platform/CheckedMath.h"

namespace orv {

void ForEachPhotoshopResource(
    std::span<const uint8_t> block,
    const std::function<void(uint16_t, std::span<const uint8_t>)>& visit) {
  size_t at = 0;
  while (RangeInside(at, 7, block.size()) && std::memcmp(block.data() + at, "8BIM", 4) == 0) {
    const uint16_t id = uint16_t(block[at + 4] << 8 | block[at + 5]);
    // The name is a Pascal string padded, with its length byte, to an even size.
    size_t nameSize = size_t(block[at + 6]) + 1;
    nameSize += nameSize & 1;
    const size_t sizeAt = at + 6 + nameSize;
    if (!RangeInside(sizeAt, 4, block.size())) return;
    const uint32_t size = uint32_t(block[sizeAt]) << 24 | uint32_t(block[sizeAt + 1]) << 16 |
                          uint32_t(block[sizeAt + 2]) << 8 | block[sizeAt + 3];
    const size_t dataAt = sizeAt + 4;
    if (!RangeInside(dataAt, size, block.size())) return;
    visit(id, block.subspan(dataAt, size));
    at = dataAt + size + (size & 1);
  }
}

std::vector<uint8_t> PhotoshopResource(uint16_t id, std::span<const uint8_t> data) {
  std::vector<uint8_t> out = {'8', 'B', 'I', 'M', uint8_t(id >> 8), uint8_t(id), 0, 0};
  const auto size = uint32_t(data.size());
  out.insert(out.end(), {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8),
                         uint8_t(size)});
  out.insert(out.end(), data.begin(), data.end());
  if (size & 1) out.push_back(0);
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
