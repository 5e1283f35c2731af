// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputMetadata.h"

#include <new>

#include "exif/CameraSummary.h"
#include "exif/ExifDimensions.h"
#include "imageio/IccProfile.h"
#include "imageio/Jpeg.h"
#include "imageio/JpegMetadataSegments.h"

namespace orv {
namespace {

constexpr size_t kExifHeader = 6;  // "Exif\0\0"
constexpr size_t kMaxApp1Payload = 65533;

}  // namespace

OutputMetadata BuildOutputMetadata(const std::vector<uint8_t>& exifBlock,
                                   const PhotoMetadata* source, bool keepExif, int width,
                                   int height) {
  OutputMetadata out;
  try {
    if (keepExif) {
      out.exifApp1 = exifBlock;
      if (out.exifApp1.empty() && source && !source->exif.empty() &&
          source->exif.size() <= kMaxApp1Payload - kExifHeader) {
        out.exifApp1 = {'E', 'x', 'i', 'f', 0, 0};
        out.exifApp1.insert(out.exifApp1.end(), source->exif.begin(), source->exif.end());
      }
      const bool resized = source && source->sourceWidth > 0 &&
                           (source->sourceWidth != width || source->sourceHeight != height);
      if (resized) SetExifPixelDimensions(out.exifApp1, uint32_t(width), uint32_t(height));
      if (IsExifBlock(out.exifApp1))
        out.carried.exif.assign(out.exifApp1.begin() + kExifHeader, out.exifApp1.end());
      out.mainXmpInApp1 = IsXmpSegment(out.exifApp1);
    }
    if (!source) return out;
    if (IsRgbIccProfile(source->icc)) out.carried.icc = source->icc;
    if (keepExif) {
      out.carried.xmp = source->xmp;
      out.carried.extendedXmp = source->extendedXmp;
      out.carried.extendedXmpGuid = source->extendedXmpGuid;
      out.carried.iptc = source->iptc;
    }
  } catch (const std::bad_alloc&) {
    out = OutputMetadata();  // the output goes without metadata rather than not at all
  }
  return out;
}

JpegOutputSegments BuildJpegSegments(const OutputMetadata& meta, bool colorMatched) {
  static constexpr uint8_t kMatched[] = {'s', 'R', 'G', 'B', ' ', 'M', 'a', 't', 'c', 'h', 'e', 'd'};
  JpegOutputSegments out;
  try {
    if (!meta.exifApp1.empty()) out.payloads.push_back({0xE1, meta.exifApp1});
    for (JpegMarker& m : JpegMetadataSegments(meta.carried, meta.mainXmpInApp1))
      out.payloads.push_back(std::move(m));
    out.segments.reserve(out.payloads.size() + 1);
    if (colorMatched) out.segments.push_back({kJpegComment, kMatched});
    for (const JpegMarker& m : out.payloads)
      if (m.payload.size() <= kMaxJpegSegmentPayload) out.segments.push_back({m.code, m.payload});
  } catch (const std::bad_alloc&) {
    out.payloads.clear();
    out.segments.clear();
    try {
      if (colorMatched) out.segments.push_back({kJpegComment, kMatched});
    } catch (const std::bad_alloc&) {
    }
  }
  return out;
}

}  // namespace orv
