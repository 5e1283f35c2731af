#include "imageio/ImageFormat.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

struct FormatRow {
  ImageFormat format;
  int content;  // -1: no content code
  const char* extension;
  const char* name;
};

// One row per extension; both lookups walk the rows from the top.
constexpr FormatRow kFormatTable[] = {
    {kFormatUnknown, kContentUnknown, nullptr, "unknown"},
    {kFormatBmp, kContentBmp, ".BMP", "BMP"},
    {kFormatGif, kContentGif, ".GIF", "GIF"},
    {kFormatJpeg, kContentJpeg, ".JPG", "JPEG"},
    {kFormatJpeg, kContentJpeg, ".JPEG", "JPEG"},
    {kFormatPng, kContentPng, ".PNG", "PNG"},
    {kFormatPcx, kContentPcx, ".PCX", "PCX"},
    {kFormatTiff, kContentTiff, ".TIF", "TIFF"},
    {kFormatTiff, kContentTiff, ".TIFF", "TIFF"},
    {kFormatWmf, kContentWmf, ".WMF", "WMF"},
    {kFormatEmf, kContentEmf, ".EMF", "EMF"},
    {kFormatPax, kContentPax, ".PAX", "PAX"},
    {kFormatPsd, kContentPsd, ".PSD", "PSD"},
    {kFormatTga, -1, ".TGA", "TGA"},
};

struct Signature {
  int content;
  int offset;
  int length;
  const char* bytes;
};

// First match wins, so the longer JPEG and GIF signatures come before their shorter forms.
constexpr Signature kSignatures[] = {
    {kContentBmp, 0, 2, "BM"},
    {kContentPax, 0, 3, "PAX"},
    {kContentGif, 0, 6, "GIF89a"},
    {kContentGif, 0, 6, "GIF87a"},
    {kContentJpeg, 0, 4, "\xFF\xD8\xFF\xE0"},
    {kContentJpeg, 0, 3, "\xFF\xD8\xFF"},
    {kContentPcx, 0, 2, "\x0A\x00"},
    {kContentPcx, 0, 2, "\x0A\x02"},
    {kContentPcx, 0, 2, "\x0A\x03"},
    {kContentPcx, 0, 2, "\x0A\x05"},
    {kContentTiff, 0, 2, "MM"},
    {kContentTiff, 0, 2, "II"},
    {kContentPng, 0, 8, "\x89PNG\r\n\x1A\n"},
    {kContentWmf, 0, 5, "\x01\x00\x09\x00\x00"},
    {kContentWmf, 0, 4, "\xD7\xCD\xC6\x9A"},
    {kContentEmf, 40, 4, " EMF"},
    {kContentPsd, 0, 4, "8BPS"},
    {kContentTla01, 0, 4, "TLA\x01"},
    {kContentTlaU, 0, 4, "TLAU"},
    {kContentZeroPair, 0, 2, "\x00\x00"},
};

constexpr int kProbeBytes = 44;

bool HasTgaExtension(const char* path) {
  const char* dot = path ? std::strrchr(path, '.') : nullptr;
  return dot && strcasecmp(dot, ".tga") == 0;
}

}  // namespace

int GuessSourceFormat(ImageSource* source) {
  if (!BeginLibraryCall()) return kContentUnknown;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return kContentUnknown;
  }
  uint8_t head[kProbeBytes];
  uint64_t start = SourcePosition(source);
  bool ok = SeekSource(source, 0, SEEK_SET) && ReadSource(source, head, kProbeBytes) == kProbeBytes;
  SeekSource(source, int64_t(start), SEEK_SET);
  if (!ok) {
    SetLastLibraryError(kErrFileRead);
    return kContentUnknown;
  }
  SetLastLibraryError(kErrNone);
  for (const Signature& sig : kSignatures) {
    if (std::memcmp(head + sig.offset, sig.bytes, size_t(sig.length)) != 0) continue;
    if (sig.content == kContentZeroPair && HasTgaExtension(SourcePath(source))) return kContentTga;
    return sig.content;
  }
  return kContentUnknown;
}

ImageFormat FormatFromContent(int contentCode) {
  for (const FormatRow& row : kFormatTable)
    if (row.content == contentCode) return row.format;
  return kFormatUnknown;
}

ImageFormat FormatFromExtension(const char* path) {
  const char* dot = path ? std::strrchr(path, '.') : nullptr;
  if (!dot) return kFormatUnknown;
  std::string ext(dot);
  for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const FormatRow& row : kFormatTable)
    if (row.extension && ext == row.extension) return row.format;
  return kFormatUnknown;
}

const char* FormatName(ImageFormat format) {
  for (const FormatRow& row : kFormatTable)
    if (row.format == format) return row.name;
  return "unknown";
}

}  // namespace orv
