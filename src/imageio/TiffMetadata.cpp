// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The metadata tags of a TIFF's first IFD, read as the bytes the file holds: libtiff would hand
// an IPTC block stored as bytes back widened to one number per byte.
#include <cstdio>
#include <cstring>

#include "imageio/ByteOrder.h"
#include "imageio/IccProfile.h"
#include "imageio/ImageIo.h"
#include "imageio/MetadataReaders.h"
#include "imageio/PhotoshopResources.h"
#include "imageio/XmpPacket.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr uint16_t kTagXmp = 700;
constexpr uint16_t kTagIptc = 33723;
constexpr uint16_t kTagIcc = 34675;

uint64_t TypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7:
      return 1;
    case 3: case 8:
      return 2;
    case 4: case 9: case 11: case 13:
      return 4;
    case 5: case 10: case 12:
      return 8;
    default:
      return 0;
  }
}

struct Order {
  bool big = false;
  uint32_t u16(const uint8_t* p) const { return big ? Be16(p) : Le16(p); }
  uint32_t u32(const uint8_t* p) const { return big ? Be32(p) : Le32(p); }
};

}  // namespace

PhotoMetadata ReadTiffMetadata(ImageSource* source) {
  PhotoMetadata meta;
  std::vector<uint8_t> header;
  if (!ReadSourceBytes(source, 0, 8, header)) return meta;
  Order order;
  if (std::memcmp(header.data(), "MM\0*", 4) == 0)
    order.big = true;
  else if (std::memcmp(header.data(), "II*\0", 4) != 0)
    return meta;  // BigTIFF and anything else carry no metadata we read
  const uint32_t ifd = order.u32(header.data() + 4);
  std::vector<uint8_t> countBytes, entries;
  if (!ReadSourceBytes(source, ifd, 2, countBytes)) return meta;
  const uint32_t count = order.u16(countBytes.data());
  if (!ReadSourceBytes(source, uint64_t(ifd) + 2, uint64_t(count) * 12, entries)) return meta;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries.data() + size_t(i) * 12;
    const uint32_t tag = order.u16(e);
    if (tag != kTagXmp && tag != kTagIptc && tag != kTagIcc) continue;
    uint64_t size = 0;
    if (!CheckedMul<uint64_t>(order.u32(e + 4), TypeSize(uint16_t(order.u16(e + 2))), size) ||
        size == 0)
      continue;
    std::vector<uint8_t> value;
    if (size <= 4)
      value.assign(e + 8, e + 8 + size);
    else if (!ReadSourceBytes(source, order.u32(e + 8), size, value))
      continue;
    if (tag == kTagIcc && PlausibleIccProfile(value)) {
      meta.icc = std::move(value);
    } else if (tag == kTagXmp && PlausibleXmpPacket(value)) {
      meta.xmp = std::move(value);
    } else if (tag == kTagIptc) {
      // Writers pad the records to whole 32-bit numbers; the padding is not IPTC's.
      value.resize(IptcRecordsLength(value));
      meta.iptc = std::move(value);
    }
  }
  return meta;
}

}  // namespace orv
