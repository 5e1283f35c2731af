// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The decoders the fuzz targets drive, one entry per target name. The corpus replay test walks
// the same table, so every committed corpus file runs through its decoder under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/Codecs.h"
#include "imageio/IccProfile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/JpegMetadataSegments.h"
#include "imageio/JpegResume.h"
#include "imageio/LibraryContext.h"
#include "imageio/PixelBuffer.h"
#include "imageio/RawCodec.h"
#include "imageio/metafile/Metafile.h"
#include "platform/ThreadBudget.h"

namespace orv::fuzz {

inline void DecodeWith(uint8_t* (*decode)(ImageSource*, int, int*, int*), const uint8_t* data,
                       size_t size) {
  ImageSource* src = OpenSourceMemory(data, size);
  int w = 0, h = 0;
  uint8_t* pixels = decode(src, 24, &w, &h);
  // Touch the first and last byte so a short buffer shows up under the sanitizers.
  if (pixels) {
    volatile uint8_t sink = pixels[0];
    sink = pixels[size_t(w) * size_t(h) * 3 - 1];
    (void)sink;
  }
  FreeLibraryBuffer(pixels);
  CloseSource(src);
}

// What a load reads besides the pixels: the colour profile's description is parsed as the info
// command shows it.
inline void ParseMetadata(const PhotoMetadata& metadata) {
  volatile size_t sink = IccProfileDescription(metadata.icc).size();
  (void)sink;
}

// The format's metadata reader on the same input: it walks the chunks, directories and resource
// blocks of an untrusted file as the decoder does.
inline void ReadMetadataWith(PhotoMetadata (*read)(ImageSource*), const uint8_t* data,
                             size_t size) {
  if (!read) return;
  ImageSource* src = OpenSourceMemory(data, size);
  ParseMetadata(read(src));
  CloseSource(src);
}

inline void FuzzJpeg(const uint8_t* data, size_t size) {
  // Both bit depths, and the header call that keeps the segments, which are then read as the
  // loader reads them; and once more with a second thread, where a tall picture is decoded in
  // bands that walk to their rows. The row walker and the stream that resumes at a row, on any
  // stream, not only tall ones.
  JpegRowWalker walker;
  if (walker.Open({data, size})) {
    std::vector<uint8_t> head;
    size_t tailFrom = 0;
    for (int row : {1, walker.McuRows() / 2, walker.McuRows()})
      if (walker.WalkTo(row)) walker.ResumeStream(&head, &tailFrom);
  }
  DecodeWith(ReadJpeg, data, size);
  {
    ScopedThreadLimit twoThreads(2);
    DecodeWith(ReadJpeg, data, size);
  }
  ImageSource* src = OpenSourceMemory(data, size);
  int w = 0, h = 0;
  FreeLibraryBuffer(ReadJpeg(src, 8, &w, &h));
  CloseSource(src);
  if (const LibraryContext* ctx = ExistingContext())
    ParseMetadata(MetadataFromJpegSegments(ctx->inputMarkers));
}

inline void FuzzMetafile(const uint8_t* data, size_t size) {
  DecodeWith(ReadMetafile, data, size);
}

// The program plays WMF files in its decoding helper; the fuzzer drives the player in its own, where
// it sees every fault and the player's coverage.
inline void FuzzWmf(const uint8_t* data, size_t size) {
#ifdef ORV_FUZZ_WMF_HERE
  int w = 0, h = 0;
  FreeLibraryBuffer(PlayWmfHere(data, size, &w, &h));
#else
  FuzzMetafile(data, size);
#endif
}

// The program decodes camera RAW files in its decoding helper; the fuzzer drives LibRaw and the EXIF
// block builder in its own, where it sees every fault and their coverage.
inline void FuzzRaw(const uint8_t* data, size_t size) {
#ifdef ORV_FUZZ_RAW_HERE
  int w = 0, h = 0;
  FreeLibraryBuffer(DecodeRawHere(data, size, &w, &h));
#else
  DecodeWith(ReadRaw, data, size);
#endif
}

// A target is named after its format in lower case ("jpeg", "png", ...): one for every row of the
// format table that has a decoder, and one, "raw", for all the camera RAW kinds.
inline std::string TargetName(const FormatRow& row) {
  if (row.cameraRaw) return "raw";
  std::string name;
  for (const char* c = row.name; *c; ++c) name += char(std::tolower(static_cast<unsigned char>(*c)));
  return name;
}

inline std::vector<std::string> TargetNames() {
  std::vector<std::string> names;
  size_t count = 0;
  const FormatRow* rows = FormatRows(count);
  for (size_t i = 0; i < count; ++i)
    if (rows[i].decode && (names.empty() || names.back() != TargetName(rows[i])))
      names.push_back(TargetName(rows[i]));
  return names;
}

// Decodes the input with the named target's decoder; JPEG and WMF have runs of their own above.
inline void RunTarget(const std::string& name, const uint8_t* data, size_t size) {
  size_t count = 0;
  [[maybe_unused]] int w = 0, h = 0;
  const FormatRow* rows = FormatRows(count);
  for (size_t i = 0; i < count; ++i) {
    if (!rows[i].decode || TargetName(rows[i]) != name) continue;
    if (rows[i].cameraRaw) {
      FuzzRaw(data, size);
      return;
    }
    if (rows[i].format == kFormatJpeg)
      FuzzJpeg(data, size);
#ifdef ORV_FUZZ_HEIF_HERE
    else if (rows[i].decode == ReadHeif)
      FreeLibraryBuffer(DecodeHeifHere(data, size, &w, &h));  // libheif in the fuzzer's view
#endif
    else if (rows[i].format == kFormatWmf)
      FuzzWmf(data, size);
    else
      DecodeWith(rows[i].decode, data, size);
    ReadMetadataWith(rows[i].readMetadata, data, size);
  }
}

}  // namespace orv::fuzz
