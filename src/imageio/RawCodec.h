// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Camera RAW files (DNG, CR2, CR3, NEF, ARW, ...) decoded through LibRaw, with their metadata read
// through exiv2 and handed on as an EXIF block of the program's usual form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

struct ImageSource;

// What LibRaw itself read of the shot, for the tags exiv2 could not find.
struct RawShotValues {
  const char* make = "";
  const char* model = "";
  float shutter = 0;    // seconds
  float aperture = 0;   // F-number
  float isoSpeed = 0;
  float focalLength = 0;  // millimetres
  int64_t timestamp = 0;  // seconds since 1970, the camera's clock read as local time
  int flip = 0;           // LibRaw's flip code: 0, 3 (180), 5 (90 ccw), 6 (90 cw)
};

// The decoder of the format table's RAW rows: reads the file and decodes it in the decoding
// helper with time and memory limits. The EXIF block and XMP come back in the thread's DecodedMetadata,
// the pixels stand upright (the camera's orientation applied).
uint8_t* ReadRaw(ImageSource* source, int bits, int* width, int* height);

// The decoding itself, in this process: what the helper runs, and what the fuzz target drives.
uint8_t* DecodeRawHere(const uint8_t* data, size_t size, int* width, int* height);

// Sets exiv2 up (quiet, CR3 support on) once per process.
void StartRawMetadataReader();

// The EXIF block ("Exif\0\0" and little-endian TIFF data) of a RAW file's metadata as exiv2 reads
// it: IFD0's descriptive tags, the Exif, GPS and interoperability directories, the maker note
// while the block fits one JPEG segment; no thumbnail, no raw-data tags. Tags exiv2 did not find
// are filled from `shot`; PixelXDimension and PixelYDimension give the decoded size. `xmp`
// receives the file's XMP packet. Empty when nothing could be read.
std::vector<uint8_t> BuildRawExifBlock(const uint8_t* data, size_t size, const RawShotValues& shot,
                                       int width, int height, std::vector<uint8_t>* xmp);

}  // namespace orv
