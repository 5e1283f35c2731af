// What an output file carries of its source's metadata. The EXIF APP1 payload keeps its own
// byte-for-byte path, except that a resized picture gets its EXIF pixel dimensions set; beside
// it go the RGB colour profile (always: without it the colours are wrong) and, when EXIF is
// kept, the XMP packet and the IPTC records. A PNG output takes the EXIF record as eXIf.
#pragma once

#include <cstdint>
#include <vector>

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

// Appends the XMP, profile and IPTC segments to the thread's JPEG output markers, after the
// EXIF segment the metadata step queued. Nothing is added when memory runs out.
void QueueJpegMetadataSegments(const OutputMetadata& meta);

}  // namespace orv
