// The program's image formats: one table that says, for each format, how its content is
// recognised, which extensions name it, which of them a folder scan queues, its decoder and
// encoder, and which Output.FileType selects it. Every format lookup reads it; adding a format
// is a row here plus the format's decoder and encoder files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "imageio/Jpeg.h"
#include "imageio/PhotoMetadata.h"

namespace orv {

struct ImageSource;
struct ImageDest;

enum ImageFormat : int {
  kFormatUnknown = 0,
  kFormatJpeg = 1,
  kFormatPng = 3,
  kFormatBmp = 6,
  kFormatPcx = 9,
  kFormatTiff = 12,
  kFormatGif = 15,
  kFormatTga = 16,
  kFormatWmf = 19,
  kFormatEmf = 20,
  kFormatPax = 21,
  kFormatPsd = 22,
  kFormatHeic = 23,
  kFormatAvif = 24,
  // Camera RAW kinds: read only, through LibRaw.
  kFormatRawDng = 30,
  kFormatRawCr2 = 31,
  kFormatRawCr3 = 32,
  kFormatRawCrw = 33,
  kFormatRawNef = 34,
  kFormatRawNrw = 35,
  kFormatRawArw = 36,
  kFormatRawSr2 = 37,
  kFormatRawSrf = 38,
  kFormatRawOrf = 39,
  kFormatRawRw2 = 40,
  kFormatRawRwl = 41,
  kFormatRawPef = 42,
  kFormatRawRaf = 43,
  kFormatRawSrw = 44,
  kFormatRaw3fr = 45,
  kFormatRawFff = 46,
  kFormatRawIiq = 47,
  kFormatRawErf = 48,
  kFormatRawMrw = 49,
  kFormatRawKdc = 50,
  kFormatRawDcr = 51,
  kFormatRawMef = 52,
  kFormatRawMos = 53,
};

// Content codes returned by GuessSourceFormat.
enum ContentCode : int {
  kContentUnknown = 0,
  kContentBmp = 1,
  kContentGif = 2,
  kContentJpeg = 3,
  kContentPng = 4,
  kContentPcx = 5,
  kContentTiff = 6,
  kContentWmf = 7,
  kContentEmf = 8,
  kContentPax = 9,
  kContentPsd = 10,
  kContentTla01 = 11,
  kContentTlaU = 12,
  kContentZeroPair = 13,
  kContentTga = 14,
  kContentHeic = 15,
  kContentAvif = 16,
  kContentRawDng = 17,
  kContentRawCr2 = 18,
  kContentRawCr3 = 19,
  kContentRawCrw = 20,
  kContentRawNef = 21,
  kContentRawNrw = 22,
  kContentRawArw = 23,
  kContentRawSr2 = 24,
  kContentRawSrf = 25,
  kContentRawOrf = 26,
  kContentRawRw2 = 27,
  kContentRawRwl = 28,
  kContentRawPef = 29,
  kContentRawRaf = 30,
  kContentRawSrw = 31,
  kContentRaw3fr = 32,
  kContentRawFff = 33,
  kContentRawIiq = 34,
  kContentRawErf = 35,
  kContentRawMrw = 36,
  kContentRawKdc = 37,
  kContentRawDcr = 38,
  kContentRawMef = 39,
  kContentRawMos = 40,
};

// A decoder delivers 24-bit RGB rows top to bottom in a buffer released with FreeLibraryBuffer,
// or null with the thread's last error set.
using DecodeFn = uint8_t* (*)(ImageSource* source, int bits, int* width, int* height);

// What an encoder may need besides the pixels; formats ignore what they do not carry.
struct EncodeOptions {
  int jpegQuality = 75;
  bool jpegFullChroma = false;  // 1 x 1 sampling of every component
  const JpegDensity* jpegDensity = nullptr;
  const PhotoMetadata* metadata = nullptr;  // colour profile, XMP, IPTC where the format holds them
  int quality = 50;                    // 0..100 for the HEIF encoders (HEIC, AVIF)
  std::span<const uint8_t> exifBlock;  // "Exif\0\0" and the TIFF data, as in a JPEG's APP1
  std::span<const uint8_t> iccProfile;
  std::span<const uint8_t> xmpPacket;
};
// An encoder writes 24-bit RGB pixels; false on failure, with nothing of the call left behind.
using EncodeFn = bool (*)(ImageDest* dest, const uint8_t* pixels, int width, int height,
                          const EncodeOptions& options);

struct FormatSignature {
  int offset = 0;
  int length = 0;  // 0 ends the row's list
  const char* bytes = nullptr;
};

struct FormatExtension {
  const char* text = nullptr;  // upper case, with the dot; null ends the row's list
  bool queued = false;         // folder scans and drops take files named so
};

struct FormatRow {
  ImageFormat format;
  const char* name;  // display name: "JPEG", "PNG", ...
  int content;       // the content code GuessSourceFormat gives for the signatures
  FormatSignature signatures[8];  // tried in table order, first match wins
  FormatExtension extensions[3];  // the first is the format's own
  DecodeFn decode;                // null: recognised but not decoded
  EncodeFn encode;                // null: not written
  int outputType;                 // the Output.FileType that selects this format; 0 none
  // Reads the colour profile, XMP and IPTC a decoded file holds; null: the format holds none
  // (JPEG keeps its own path through its markers).
  PhotoMetadata (*readMetadata)(ImageSource* source) = nullptr;
  bool cameraRaw = false;  // a camera RAW kind: never written, "Same as Source" gives JPEG
};

// The rows in lookup order.
const FormatRow* FormatRows(size_t& count);
// The row of a format; null for kFormatUnknown and codes without a row.
const FormatRow* FindFormat(ImageFormat format);
// The row chosen by an Output.FileType; null for 0 ("Same as Source") and unknown types.
const FormatRow* FormatForOutputType(int fileType);

// Reads the first 44 bytes of the source (rewinding it first and afterwards) and returns the
// content code of the first matching signature; 0 with last error 3 when 44 bytes cannot be read.
int GuessSourceFormat(ImageSource* source);
// The ImageFormat of the first table row whose content code matches; 0 when none does.
ImageFormat FormatFromContent(int contentCode);
// The ImageFormat of the first table row whose extension equals the upper-cased text from the
// path's last "."; 0 when there is none.
ImageFormat FormatFromExtension(const char* path);
// The format's display name ("JPEG", "PNG", ...), or "unknown".
const char* FormatName(ImageFormat format);
// Whether a folder scan or a drop queues the file: its name ends with a queued extension, in
// any letter case.
bool IsQueuedImagePath(std::string_view path);
// Whether the format is one of the camera RAW kinds.
bool IsCameraRawFormat(ImageFormat format);
// Whether the path's extension (any letter case) names a camera RAW kind.
bool IsCameraRawPath(std::string_view path);

}  // namespace orv
