// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Decoders and encoders of the image library layer other than JPEG (see Jpeg.h). Every decoder
// delivers 24-bit RGB, rows top to bottom, no padding, in a buffer released with
// FreeLibraryBuffer; it returns null and leaves the code in the thread's last error on failure.
// Encoders return true on success; on failure nothing of that call is left in the destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orv {

struct ImageSource;
struct PhotoMetadata;
struct ImageDest;
struct EncodeOptions;

// PNG: every colour type and bit depth. Transparent pixels are composited over white.
uint8_t* ReadPng(ImageSource* source, int bits, int* width, int* height);
struct PngDensity {
  unsigned x = 1;
  unsigned y = 1;
  int unit = 0;  // 0 unknown (aspect ratio), 1 metres
};
// How a PNG is written: rows in PNG's own sample layout for the colour type and bit depth.
struct PngEncodeOptions {
  int colourType = 2;  // PNG's own: 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
  int bitDepth = 8;
  int rowBytes = 0;  // bytes from one row to the next; 0: the row's packed size
  std::span<const uint8_t> palette;  // RGB triples, colour type 3 only (1..256 of them)
  double gamma = 0;  // > 0 writes a gAMA chunk
  const PngDensity* density = nullptr;
  // Adds an iCCP chunk (an RGB profile on an RGB picture), eXIf and iTXt XMP.
  const PhotoMetadata* metadata = nullptr;
};
bool WritePng(ImageDest* dest, const uint8_t* pixels, int width, int height,
              const PngEncodeOptions& options);

// TIFF through libtiff: what libtiff decodes (LZW included). Alpha is composited over white.
struct TiffHeaderInfo {
  int width = 0;
  int height = 0;
  double xResolution = 0;
  double yResolution = 0;
  int resolutionUnit = 0;  // 1 none, 2 inch, 3 centimetre
};
bool ReadTiffHeader(ImageSource* source, TiffHeaderInfo* info);
uint8_t* ReadTiff(ImageSource* source, int bits, int* width, int* height);
// 24-bit RGB, deflate-compressed strips (LZW is not offered). metadata (optional) adds the
// profile (RGB ones), XMP and IPTC tags.
bool WriteTiff(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits,
               const PhotoMetadata* metadata);
inline bool WriteTiff(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits) {
  return WriteTiff(dest, pixels, width, height, bits, nullptr);
}

// BMP: 1, 4, 8, 16, 24, 32 bits; uncompressed, RLE8, RLE4, bit fields; both row orders.
uint8_t* ReadBmp(ImageSource* source, int bits, int* width, int* height);
// 24 bits per pixel (colours and palette are ignored for 24 bits).
bool WriteBmp(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits,
              int colourCount, const uint8_t* palette);

// TGA: types 1, 2, 3, 9, 10, 11 with depths 8 to 32, colour maps, both row orders.
uint8_t* ReadTga(ImageSource* source, int bits, int* width, int* height);
bool WriteTga(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits);

// PCX: 1-bit, 4-plane 16-colour, 8-bit palette or grey, 24-bit planar; RLE.
uint8_t* ReadPcx(ImageSource* source, int bits, int* width, int* height);
bool WritePcx(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits);

// PSD: the composite image of 8-bit RGB, greyscale, indexed or CMYK files, raw or RLE.
uint8_t* ReadPsd(ImageSource* source, int bits, int* width, int* height);
bool WritePsd(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits);

// Metafiles holding the picture as one device-independent bitmap.
bool WriteWmf(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits);
bool WriteEmf(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits);

// HEIF through libheif, HEIC (HEVC) and AVIF (AV1) alike: the primary image with the file's
// rotation, mirroring and crop applied, deeper samples rounded to 8 bits, alpha composited over
// white. Its EXIF block, ICC profile (or the profile its nclx description matches) and XMP go to
// the thread's DecodedMetadata (LibraryContext.h).
uint8_t* ReadHeif(ImageSource* source, int bits, int* width, int* height);
// The decoding ReadHeif runs in the decoding helper, in this process: for the fuzz targets.
uint8_t* DecodeHeifHere(const uint8_t* data, size_t size, int* width, int* height);
enum class HeifCodec { Hevc, Av1 };
// Encodes at options.quality (0..100) with the options' EXIF block, ICC profile and XMP packet.
bool WriteHeif(ImageDest* dest, const uint8_t* pixels, int width, int height, HeifCodec codec,
               const EncodeOptions& options);

}  // namespace orv
