// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/JpegMetadataSegments.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "imageio/ByteOrder.h"
#include "imageio/IccProfile.h"
#include "imageio/PhotoshopResources.h"
#include "imageio/XmpPacket.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr size_t kMaxPayload = 65533;
constexpr char kIccSignature[] = "ICC_PROFILE";              // 12 bytes with the zero
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // 29 bytes with the zero
constexpr char kExtendedSignature[] = "http://ns.adobe.com/xmp/extension/";  // 35 bytes
constexpr char kPhotoshopSignature[] = "Photoshop 3.0";      // 14 bytes with the zero
constexpr size_t kGuidSize = 32;
constexpr size_t kExtendedHeader = sizeof kExtendedSignature + kGuidSize + 8;
// An extended packet larger than this is not believed (a JPEG holds a few at most).
constexpr uint32_t kMaxExtendedXmp = 64u << 20;

bool StartsWith(const std::vector<uint8_t>& payload, const char* signature, size_t size) {
  return payload.size() >= size && std::memcmp(payload.data(), signature, size) == 0;
}

void AppendBe32(std::vector<uint8_t>& out, uint32_t v) {
  out.insert(out.end(), 4, 0);
  PutBe32(out.data() + out.size() - 4, v);
}

// The chunks must agree on their count and hold every number from 1 to it exactly once.
std::vector<uint8_t> ReassembleIcc(const std::vector<JpegMarker>& segments) {
  std::vector<const JpegMarker*> chunks;
  for (const JpegMarker& m : segments)
    if (m.code == 0xE2 && StartsWith(m.payload, kIccSignature, sizeof kIccSignature))
      chunks.push_back(&m);
  if (chunks.empty()) return {};
  const size_t count = chunks.front()->payload.size() > 13 ? chunks.front()->payload[13] : 0;
  if (count == 0 || chunks.size() != count) return {};
  std::vector<const JpegMarker*> ordered(count, nullptr);
  for (const JpegMarker* c : chunks) {
    if (c->payload.size() < 14 || c->payload[13] != count) return {};
    const size_t sequence = c->payload[12];
    if (sequence < 1 || sequence > count || ordered[sequence - 1]) return {};
    ordered[sequence - 1] = c;
  }
  std::vector<uint8_t> profile;
  for (const JpegMarker* c : ordered) profile.insert(profile.end(), c->payload.begin() + 14,
                                                     c->payload.end());
  if (!PlausibleIccProfile(profile)) return {};
  return profile;
}

struct ExtendedChunk {
  uint32_t offset;
  std::span<const uint8_t> data;
};

// Chunks of the packet named by guid, which together must cover its full length once.
std::vector<uint8_t> ReassembleExtendedXmp(const std::vector<JpegMarker>& segments,
                                           const std::string& guid) {
  std::vector<ExtendedChunk> chunks;
  uint32_t fullLength = 0;
  for (const JpegMarker& m : segments) {
    if (m.code != 0xE1 || !StartsWith(m.payload, kExtendedSignature, sizeof kExtendedSignature) ||
        m.payload.size() < kExtendedHeader)
      continue;
    const uint8_t* p = m.payload.data() + sizeof kExtendedSignature;
    if (std::memcmp(p, guid.data(), kGuidSize) != 0) continue;
    const uint32_t length = Be32(p + kGuidSize), offset = Be32(p + kGuidSize + 4);
    if (chunks.empty()) fullLength = length;
    if (length != fullLength || length > kMaxExtendedXmp) return {};
    chunks.push_back({offset, std::span<const uint8_t>(m.payload).subspan(kExtendedHeader)});
  }
  if (chunks.empty()) return {};
  std::stable_sort(chunks.begin(), chunks.end(),
                   [](const ExtendedChunk& a, const ExtendedChunk& b) { return a.offset < b.offset; });
  std::vector<uint8_t> packet;
  packet.reserve(fullLength);
  for (const ExtendedChunk& c : chunks) {
    if (c.offset != packet.size() || !RangeInside(c.offset, c.data.size(), fullLength)) return {};
    packet.insert(packet.end(), c.data.begin(), c.data.end());
  }
  if (packet.size() != fullLength || !PlausibleXmpPacket(packet)) return {};
  return packet;
}

std::vector<uint8_t> IptcFromApp13(const std::vector<JpegMarker>& segments) {
  // A resource block too large for one segment continues in the next one.
  std::vector<uint8_t> block;
  for (const JpegMarker& m : segments)
    if (m.code == 0xED && StartsWith(m.payload, kPhotoshopSignature, sizeof kPhotoshopSignature))
      block.insert(block.end(), m.payload.begin() + sizeof kPhotoshopSignature, m.payload.end());
  std::vector<uint8_t> iptc;
  ForEachPhotoshopResource(block, [&](uint16_t id, std::span<const uint8_t> data) {
    if (id == kResourceIptc && iptc.empty())
      iptc.assign(data.begin(), data.begin() + std::ptrdiff_t(IptcRecordsLength(data)));
  });
  return iptc;
}

JpegMarker Segment(int code, const char* signature, size_t signatureSize) {
  JpegMarker m;
  m.code = code;
  m.payload.assign(signature, signature + signatureSize);
  return m;
}

}  // namespace

bool IsXmpSegment(const std::vector<uint8_t>& payload) {
  return StartsWith(payload, kXmpSignature, sizeof kXmpSignature);
}

PhotoMetadata MetadataFromJpegSegments(const std::vector<JpegMarker>& segments) {
  PhotoMetadata meta;
  meta.icc = ReassembleIcc(segments);
  for (const JpegMarker& m : segments) {
    if (m.code != 0xE1 || !IsXmpSegment(m.payload)) continue;
    std::span<const uint8_t> packet = std::span<const uint8_t>(m.payload).subspan(
        sizeof kXmpSignature);
    if (PlausibleXmpPacket(packet)) meta.xmp.assign(packet.begin(), packet.end());
    break;  // a photo has one main packet; a second one is not XMP's
  }
  if (!meta.xmp.empty()) {
    meta.extendedXmpGuid = ExtendedXmpGuid(meta.xmp);
    if (!meta.extendedXmpGuid.empty())
      meta.extendedXmp = ReassembleExtendedXmp(segments, meta.extendedXmpGuid);
    if (meta.extendedXmp.empty()) meta.extendedXmpGuid.clear();
  }
  meta.iptc = IptcFromApp13(segments);
  return meta;
}

std::vector<JpegMarker> JpegMetadataSegments(const PhotoMetadata& meta, bool mainXmpInApp1) {
  std::vector<JpegMarker> out;
  bool haveMain = mainXmpInApp1;
  if (!mainXmpInApp1 && !meta.xmp.empty() && meta.xmp.size() <= kMaxPayload - sizeof kXmpSignature) {
    JpegMarker m = Segment(0xE1, kXmpSignature, sizeof kXmpSignature);
    m.payload.insert(m.payload.end(), meta.xmp.begin(), meta.xmp.end());
    out.push_back(std::move(m));
    haveMain = true;
  }
  if (haveMain && !meta.extendedXmp.empty() && meta.extendedXmpGuid.size() == kGuidSize &&
      meta.extendedXmp.size() <= kMaxExtendedXmp) {
    const auto total = uint32_t(meta.extendedXmp.size());
    for (size_t at = 0; at < meta.extendedXmp.size(); at += kExtendedXmpBytesPerSegment) {
      const size_t n = std::min(kExtendedXmpBytesPerSegment, meta.extendedXmp.size() - at);
      JpegMarker m = Segment(0xE1, kExtendedSignature, sizeof kExtendedSignature);
      m.payload.insert(m.payload.end(), meta.extendedXmpGuid.begin(), meta.extendedXmpGuid.end());
      AppendBe32(m.payload, total);
      AppendBe32(m.payload, uint32_t(at));
      m.payload.insert(m.payload.end(), meta.extendedXmp.begin() + std::ptrdiff_t(at),
                       meta.extendedXmp.begin() + std::ptrdiff_t(at + n));
      out.push_back(std::move(m));
    }
  }
  const size_t iccChunks = (meta.icc.size() + kIccBytesPerSegment - 1) / kIccBytesPerSegment;
  if (iccChunks >= 1 && iccChunks <= 255) {
    for (size_t i = 0; i < iccChunks; ++i) {
      const size_t at = i * kIccBytesPerSegment;
      const size_t n = std::min(kIccBytesPerSegment, meta.icc.size() - at);
      JpegMarker m = Segment(0xE2, kIccSignature, sizeof kIccSignature);
      m.payload.push_back(uint8_t(i + 1));
      m.payload.push_back(uint8_t(iccChunks));
      m.payload.insert(m.payload.end(), meta.icc.begin() + std::ptrdiff_t(at),
                       meta.icc.begin() + std::ptrdiff_t(at + n));
      out.push_back(std::move(m));
    }
  }
  if (!meta.iptc.empty()) {
    JpegMarker m = Segment(0xED, kPhotoshopSignature, sizeof kPhotoshopSignature);
    std::vector<uint8_t> resource = PhotoshopResource(kResourceIptc, meta.iptc);
    m.payload.insert(m.payload.end(), resource.begin(), resource.end());
    if (m.payload.size() <= kMaxPayload) out.push_back(std::move(m));
  }
  return out;
}

}  // namespace orv
