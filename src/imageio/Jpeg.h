// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG coding on libjpeg (6b interface). The encoder takes all its options in the call; the
// decoder leaves the comments and markers it met, and takes its scale, in the thread's context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orv {

struct ImageSource;
struct ImageDest;

struct JpegHeaderInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;  // 8 x number of components
  int densityUnit = 0;
  int xDensity = 1;
  int yDensity = 1;
};

struct JpegDensity {
  int x = 1;
  int y = 1;
  int unit = 0;  // 0 aspect ratio only, 1 dots per inch, 2 dots per centimetre
};

// Reads the header only (also fills the input comments and markers); false on failure (9).
bool ReadJpegHeader(ImageSource* source, JpegHeaderInfo* info);
// Decodes to 24-bit RGB or 8-bit grey at the context's decode scale. Returns a buffer released
// with FreeLibraryBuffer, or null (9 decode error, 5 other bit depths, 1 too large).
uint8_t* ReadJpeg(ImageSource* source, int bits, int* width, int* height);
// True when the last ReadJpeg on this thread met the end of the data before the end of the
// picture; the missing rows are then filled by the decoder and the read still succeeds.
bool JpegInputWasTruncated();

// A comment or APPn segment written after the JFIF header.
struct JpegSegment {
  int code = 0;  // kJpegComment, or 0xE0 + n for APPn
  std::span<const uint8_t> payload;  // at most kMaxJpegSegmentPayload bytes
};
inline constexpr int kJpegComment = 0xFE;
// A segment's two length bytes count themselves.
inline constexpr size_t kMaxJpegSegmentPayload = 65533;

enum class JpegDct { LibraryDefault, AccurateInteger, FastInteger, FloatingPoint };

struct JpegEncodeOptions {
  int quality = 75;         // 1..100
  bool fullChroma = false;  // sampling factors 1 for every component; else libjpeg's 2 x 2 chroma
  JpegDct dct = JpegDct::LibraryDefault;  // libjpeg's default is the accurate integer DCT
  bool progressive = false;
  int bits = 24;  // 24-bit RGB or 8-bit grey
  JpegDensity density;
  std::span<const JpegSegment> segments;  // written in this order
};

// Encodes the pixels with the options. Returns the destination's size in bytes after the
// write, 0 on failure (5 bad options, 4 write error, 14 aborted).
uint64_t WriteJpeg(ImageDest* dest, const uint8_t* pixels, int width, int height,
                   const JpegEncodeOptions& options);

// How many encodes of this process were made in bands and joined, how many decodes were made in
// bands, how many lower bands walked to their rows and decoded a stream resumed there, and how
// many rows such bands took back from the top band; for the tests that the banded paths ran.
uint64_t JpegBandedEncodeCount();
uint64_t JpegBandedDecodeCount();
uint64_t JpegResumedBandCount();
uint64_t JpegTakenBackRows();

int GetJpegInputCommentCount();
// A new zero-terminated copy of comment `index`, released with FreeLibraryBuffer; null (5) for a
// bad index. length (optional) receives the text length without the terminator.
char* GetJpegInputComment(int index, size_t* length = nullptr);

int GetJpegInputMarkerCount();
// A new copy of marker `index`'s payload, released with FreeLibraryBuffer; null (5) for a bad
// index. An empty payload gives a one-byte buffer with *length 0.
uint8_t* GetJpegInputMarker(int index, size_t* length, int* markerCode);
// numerator/denominator of the decoder's scaling (1/1, 1/2, 1/4, 1/8 in this program).
bool SetJpegDecodeScale(int numerator, int denominator);

}  // namespace orv
