// JPEG coding on libjpeg (6b interface) and the per-thread JPEG options: the comment and marker
// lists, the sampling override, the DCT method and the decode scale.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Encodes 24-bit RGB (bits 24) or 8-bit grey (bits 8). density null means unit 0 and 1:1.
// Returns the destination's size in bytes after the write, 0 on failure (5, 4, 14).
uint64_t WriteJpeg(ImageDest* dest, const uint8_t* pixels, int width, int height, int quality,
                   bool progressive, int bits, const JpegDensity* density);

int GetJpegInputCommentCount();
// A new zero-terminated copy of comment `index`, released with FreeLibraryBuffer; null (5) for a
// bad index. length (optional) receives the text length without the terminator.
char* GetJpegInputComment(int index, size_t* length = nullptr);
bool AddJpegOutputComment(const char* text);
void ClearJpegOutputComments();

int GetJpegInputMarkerCount();
// A new copy of marker `index`'s payload, released with FreeLibraryBuffer; null (5) for a bad
// index. An empty payload gives a one-byte buffer with *length 0.
uint8_t* GetJpegInputMarker(int index, size_t* length, int* markerCode);
// Appends a copy of an APPn payload (code 0xE0..0xEF, at most 65533 bytes).
bool AddJpegOutputMarker(const uint8_t* payload, size_t length, int markerCode);
void ClearJpegOutputMarkers();

// With arrays: copy the context's component count of factors (1..4) and turn the override on;
// with null arrays: turn it off.
bool SetJpegSampling(const int* horizontal, const int* vertical);
bool SetJpegDctMethod(int selector);
// numerator/denominator of the decoder's scaling (1/1, 1/2, 1/4, 1/8 in this program).
bool SetJpegDecodeScale(int numerator, int denominator);

}  // namespace orv
