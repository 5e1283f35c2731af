// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>
#include <new>

#include "imageio/ByteOrder.h"
#include "imageio/IccProfile.h"
#include "imageio/MetadataReaders.h"
#include "imageio/PhotoshopResources.h"
#include "imageio/XmpPacket.h"

namespace orv {

PhotoMetadata ReadPsdMetadata(ImageSource* source) {
  PhotoMetadata meta;
  // Header (26 bytes), then the colour mode data and the image resources, each after its length.
  std::vector<uint8_t> bytes;
  if (!ReadSourceBytes(source, 0, 30, bytes) || std::memcmp(bytes.data(), "8BPS", 4) != 0)
    return meta;
  const uint64_t resourcesAt = 30 + uint64_t(Be32(bytes.data() + 26));
  if (!ReadSourceBytes(source, resourcesAt, 4, bytes)) return meta;
  std::vector<uint8_t> resources;
  if (!ReadSourceBytes(source, resourcesAt + 4, Be32(bytes.data()), resources)) return meta;
  try {
    ForEachPhotoshopResource(resources, [&](uint16_t id, std::span<const uint8_t> data) {
      if (id == kResourceIcc && meta.icc.empty() && PlausibleIccProfile(data))
        meta.icc.assign(data.begin(), data.end());
      else if (id == kResourceXmp && meta.xmp.empty() && PlausibleXmpPacket(data))
        meta.xmp.assign(data.begin(), data.end());
      else if (id == kResourceIptc && meta.iptc.empty())
        meta.iptc.assign(data.begin(), data.begin() + std::ptrdiff_t(IptcRecordsLength(data)));
    });
  } catch (const std::bad_alloc&) {
    meta.Clear();
  }
  return meta;
}

}  // namespace orv
