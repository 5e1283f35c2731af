// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Per-thread state of the image library layer: the last error and what the last decode found
// (JPEG comments and markers, the decoded metadata, a library's own error words). Encoders take
// every option in their call and read nothing from here. A context is created on a thread's first call into the layer and
// recorded in one lock-guarded list so that ShutdownImageLibrary can free them all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Asked between rows of long operations; returning false aborts the operation with code 14.
using ProgressCallback = bool (*)(void* user, int row, int rowCount);

struct JpegMarker {
  int code = 0;  // 0xE0 + n for APPn
  std::vector<uint8_t> payload;
};

// What a decoder found beside the pixels, for formats without JPEG's marker lists; every decode
// through the format table starts with it empty.
struct DecodedMetadata {
  std::vector<uint8_t> exif;  // as a JPEG APP1 payload: "Exif\0\0" and the TIFF data
  std::vector<uint8_t> icc;
  std::vector<uint8_t> xmp;
  bool upright = false;  // the file's own rotation and mirroring were applied to the pixels
  // The upright size the file holds when the decoder gave a smaller picture (a camera RAW at half
  // size); 0 when the picture is the file's full size.
  int fullWidth = 0;
  int fullHeight = 0;
};

struct LibraryContext {
  unsigned lastError = 0;
  int decodeScaleNum = 1;
  int decodeScaleDenom = 1;
  // The box the caller fits the next camera RAW into (0: none). When the fitted picture is at
  // most half the full size, the RAW is decoded at half size without demosaicing.
  int rawTargetWidth = 0;
  int rawTargetHeight = 0;
  // The percent the caller scales the next camera RAW to (0: none); 50 or less decodes at half
  // size as well.
  int rawTargetPercent = 0;
  std::vector<std::string> inputComments;
  std::vector<JpegMarker> inputMarkers;
  bool lastJpegTruncated = false;
  DecodedMetadata decoded;
  std::string errorDetail;  // a library's own words for kErrBadHeif, kErrHeifEncode, kErrBadRaw
  ProgressCallback progress = nullptr;
  void* progressUser = nullptr;
};

// The calling thread's context, created on first use; null only when memory runs out.
LibraryContext* CurrentContext();
// The context if the thread has one, else null (does not create one).
LibraryContext* ExistingContext();
// Starts a layer call: creates the context and resets the last error to 0. Returns the context
// (null when it cannot be created; the caller then fails with code 1).
LibraryContext* BeginLibraryCall();

// Frees every thread's context. Threads that call again afterwards get a fresh one.
void ShutdownImageLibrary();

// Installs (or removes, with null) the progress callback of the calling thread.
void SetLibraryProgressCallback(ProgressCallback callback, void* user);

}  // namespace orv
