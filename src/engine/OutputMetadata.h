// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What an output file carries of its source's metadata. The EXIF APP1 payload keeps its own
// byte-for-byte path, except that a resized picture gets its EXIF pixel dimensions set; beside
// it go the RGB colour profile (always: without it the colours are wrong) and, when EXIF is
// kept, the XMP packet and the IPTC records. A PNG output takes the EXIF record as eXIf.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"
#include "imageio/PhotoMetadata.h"

namespace orv {

struct OutputMetadata {
  std::vector<uint8_t> exifApp1;  // the APP1 payload a JPEG output gets (may be empty)
  PhotoMetadata carried;          // profile, XMP, IPTC and the bare EXIF record for PNG and TIFF
  bool mainXmpInApp1 = false;     // exifApp1 already is the XMP main packet segment
};

// exifBlock is the camera summary's APP1 payload; source may be null. width and height are the
// size of the picture being saved.
OutputMetadata BuildOutputMetadata(const std::vector<uint8_t>& exifBlock,
                                   const PhotoMetadata* source, bool keepExif, int width,
                                   int height);

// The segments of a JPEG output in the order they are written: the "sRGB Matched" comment of a
// colour-matched picture, the EXIF APP1, then the XMP, profile and IPTC segments. A payload too
// large for one segment is left out; so is everything but the comment when memory runs out.
struct JpegOutputSegments {
  std::vector<JpegMarker> payloads;  // what `segments` points into
  std::vector<JpegSegment> segments;
};
JpegOutputSegments BuildJpegSegments(const OutputMetadata& meta, bool colorMatched);

}  // namespace orv
