// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/ImageFormat.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "imageio/ByteOrder.h"
#include "imageio/Codecs.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/MetadataReaders.h"
#include "imageio/RawCodec.h"
#include "imageio/metafile/Metafile.h"

namespace orv {
namespace {

// The encoders' adapters to the codecs' own entry points.
bool EncodeJpeg(ImageDest* dest, const uint8_t* p, int w, int h, const EncodeOptions& o) {
  JpegEncodeOptions jpeg;
  jpeg.quality = o.jpegQuality;
  jpeg.fullChroma = o.jpegFullChroma;
  jpeg.dct = JpegDct::AccurateInteger;
  if (o.jpegDensity) jpeg.density = *o.jpegDensity;
  return WriteJpeg(dest, p, w, h, jpeg) != 0;
}
bool EncodePng(ImageDest* dest, const uint8_t* p, int w, int h, const EncodeOptions& o) {
  PngEncodeOptions png;
  png.metadata = o.metadata;
  return WritePng(dest, p, w, h, png);
}
bool EncodeTiff(ImageDest* dest, const uint8_t* p, int w, int h, const EncodeOptions& o) {
  return WriteTiff(dest, p, w, h, 24, o.metadata);
}
bool EncodeBmp(ImageDest* dest, const uint8_t* p, int w, int h, const EncodeOptions&) {
  return WriteBmp(dest, p, w, h, 24, 16777216, nullptr);
}
template <bool (*Write)(ImageDest*, const uint8_t*, int, int, int)>
bool Encode24(ImageDest* dest, const uint8_t* p, int w, int h, const EncodeOptions&) {
  return Write(dest, p, w, h, 24);
}

template <HeifCodec Codec>
bool EncodeHeif(ImageDest* dest, const uint8_t* p, int w, int h, const EncodeOptions& o) {
  return WriteHeif(dest, p, w, h, Codec, o);
}

// TIFF files are checked by their header before libtiff decodes them.
uint8_t* DecodeTiff(ImageSource* source, int bits, int* width, int* height) {
  TiffHeaderInfo info;
  if (!ReadTiffHeader(source, &info)) return nullptr;
  return ReadTiff(source, bits, width, height);
}

// A camera RAW kind: decoded through LibRaw, never written. Most RAW kinds are TIFF files, told
// from other TIFF files by their extension (see GuessSourceFormat); those with signatures of
// their own come before the TIFF row, whose "II" and "MM" they also match.
constexpr FormatRow RawRow(ImageFormat format, const char* name, int content,
                           std::initializer_list<FormatSignature> signatures, const char* ext) {
  FormatRow row{format, name, content, {}, {{ext, true}}, ReadRaw, nullptr, 0};
  size_t i = 0;
  for (const FormatSignature& sig : signatures) row.signatures[i++] = sig;
  row.cameraRaw = true;
  return row;
}

// Rows are tried from the top: both by content (each row's signatures in order) and by
// extension. The TGA row comes last: its signature, two zero bytes, is the weakest.
constexpr FormatRow kFormats[] = {
    {kFormatBmp, "BMP", kContentBmp, {{0, 2, "BM"}}, {{".BMP", true}}, ReadBmp, EncodeBmp, 3},
    {kFormatPax, "PAX", kContentPax, {{0, 3, "PAX"}}, {{".PAX"}}, nullptr, nullptr, 0},
    {kFormatGif, "GIF", kContentGif, {{0, 6, "GIF89a"}, {0, 6, "GIF87a"}}, {{".GIF"}},
     nullptr, nullptr, 0},
    // The longer JPEG signature first: the shorter one also matches it.
    {kFormatJpeg, "JPEG", kContentJpeg, {{0, 4, "\xFF\xD8\xFF\xE0"}, {0, 3, "\xFF\xD8\xFF"}},
     {{".JPG", true}, {".JPEG", true}, {".JPE", true}}, ReadJpeg, EncodeJpeg, 1},
    {kFormatPcx, "PCX", kContentPcx,
     {{0, 2, "\x0A\x00"}, {0, 2, "\x0A\x02"}, {0, 2, "\x0A\x03"}, {0, 2, "\x0A\x05"}},
     {{".PCX", true}}, ReadPcx, Encode24<WritePcx>, 0},
    RawRow(kFormatRawDng, "DNG", kContentRawDng, {}, ".DNG"),
    RawRow(kFormatRawCr2, "CR2", kContentRawCr2, {{0, 10, "II*\x00\x10\x00\x00\x00" "CR"}}, ".CR2"),
    RawRow(kFormatRawCr3, "CR3", kContentRawCr3, {{4, 8, "ftypcrx "}}, ".CR3"),
    RawRow(kFormatRawCrw, "CRW", kContentRawCrw, {{6, 8, "HEAPCCDR"}}, ".CRW"),
    RawRow(kFormatRawNef, "NEF", kContentRawNef, {}, ".NEF"),
    RawRow(kFormatRawNrw, "NRW", kContentRawNrw, {}, ".NRW"),
    RawRow(kFormatRawArw, "ARW", kContentRawArw, {}, ".ARW"),
    RawRow(kFormatRawSr2, "SR2", kContentRawSr2, {}, ".SR2"),
    RawRow(kFormatRawSrf, "SRF", kContentRawSrf, {}, ".SRF"),
    RawRow(kFormatRawOrf, "ORF", kContentRawOrf, {{0, 4, "IIRO"}, {0, 4, "IIRS"}, {0, 4, "MMOR"}},
           ".ORF"),
    RawRow(kFormatRawRw2, "RW2", kContentRawRw2, {{0, 4, "IIU\x00"}}, ".RW2"),
    RawRow(kFormatRawRwl, "RWL", kContentRawRwl, {}, ".RWL"),
    RawRow(kFormatRawPef, "PEF", kContentRawPef, {}, ".PEF"),
    RawRow(kFormatRawRaf, "RAF", kContentRawRaf, {{0, 16, "FUJIFILMCCD-RAW "}}, ".RAF"),
    RawRow(kFormatRawSrw, "SRW", kContentRawSrw, {}, ".SRW"),
    RawRow(kFormatRaw3fr, "3FR", kContentRaw3fr, {}, ".3FR"),
    RawRow(kFormatRawFff, "FFF", kContentRawFff, {}, ".FFF"),
    RawRow(kFormatRawIiq, "IIQ", kContentRawIiq, {}, ".IIQ"),
    RawRow(kFormatRawErf, "ERF", kContentRawErf, {}, ".ERF"),
    RawRow(kFormatRawMrw, "MRW", kContentRawMrw, {{0, 4, "\x00MRM"}}, ".MRW"),
    RawRow(kFormatRawKdc, "KDC", kContentRawKdc, {}, ".KDC"),
    RawRow(kFormatRawDcr, "DCR", kContentRawDcr, {}, ".DCR"),
    RawRow(kFormatRawMef, "MEF", kContentRawMef, {}, ".MEF"),
    RawRow(kFormatRawMos, "MOS", kContentRawMos, {}, ".MOS"),
    {kFormatTiff, "TIFF", kContentTiff, {{0, 2, "MM"}, {0, 2, "II"}},
     {{".TIF", true}, {".TIFF", true}}, DecodeTiff, EncodeTiff, 0, ReadTiffMetadata},
    {kFormatPng, "PNG", kContentPng, {{0, 8, "\x89PNG\r\n\x1A\n"}}, {{".PNG", true}}, ReadPng,
     EncodePng, 2, ReadPngMetadata},
    {kFormatWmf, "WMF", kContentWmf, {{0, 5, "\x01\x00\x09\x00\x00"}, {0, 4, "\xD7\xCD\xC6\x9A"}},
     {{".WMF"}}, ReadMetafile, Encode24<WriteWmf>, 0},
    {kFormatEmf, "EMF", kContentEmf, {{40, 4, " EMF"}}, {{".EMF"}}, ReadMetafile,
     Encode24<WriteEmf>, 0},
    {kFormatPsd, "PSD", kContentPsd, {{0, 4, "8BPS"}}, {{".PSD", true}}, ReadPsd,
     Encode24<WritePsd>, 0, ReadPsdMetadata},
    // HEIF files open with a box size, often 00 00 .., so these rows come before TGA's; the
    // major brand of the "ftyp" box follows. Files of the generic brands (mif1, msf1) that list
    // an AVIF brand as compatible count as AVIF (see GuessSourceFormat).
    {kFormatHeic, "HEIC", kContentHeic,
     {{4, 8, "ftypheic"}, {4, 8, "ftypheix"}, {4, 8, "ftyphevc"}, {4, 8, "ftypheim"},
      {4, 8, "ftypheis"}, {4, 8, "ftypmif1"}, {4, 8, "ftypmsf1"}},
     {{".HEIC", true}, {".HEIF", true}, {".HIF", true}}, ReadHeif, EncodeHeif<HeifCodec::Hevc>,
     0},
    {kFormatAvif, "AVIF", kContentAvif, {{4, 8, "ftypavif"}, {4, 8, "ftypavis"}},
     {{".AVIF", true}}, ReadHeif, EncodeHeif<HeifCodec::Av1>, 0},
    // Two zero bytes name a TGA only with the .tga extension (see GuessSourceFormat).
    {kFormatTga, "TGA", kContentTga, {{0, 2, "\x00\x00"}}, {{".TGA", true}}, ReadTga,
     Encode24<WriteTga>, 0},
};

// Content the program recognises but has no format for.
struct ForeignSignature {
  int content;
  FormatSignature signature;
};
constexpr ForeignSignature kForeignSignatures[] = {
    {kContentTla01, {0, 4, "TLA\x01"}},
    {kContentTlaU, {0, 4, "TLAU"}},
};

constexpr int kProbeBytes = 44;

bool Matches(const uint8_t* head, const FormatSignature& sig) {
  return sig.length > 0 && sig.offset + sig.length <= kProbeBytes &&
         std::memcmp(head + sig.offset, sig.bytes, size_t(sig.length)) == 0;
}

bool HasTgaExtension(const char* path) {
  const char* dot = path ? std::strrchr(path, '.') : nullptr;
  return dot && strcasecmp(dot, ".tga") == 0;
}

// Whether the "ftyp" box in the probe lists an AVIF brand among its compatible brands (from
// offset 16 to the box's end, as far as the probe reaches).
bool ListsAvifBrand(const uint8_t* head) {
  const uint32_t boxSize = Be32(head);
  const uint32_t end = boxSize < uint32_t(kProbeBytes) ? boxSize : uint32_t(kProbeBytes);
  for (uint32_t at = 16; at + 4 <= end; at += 4)
    if (std::memcmp(head + at, "avif", 4) == 0 || std::memcmp(head + at, "avis", 4) == 0)
      return true;
  return false;
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  return strncasecmp(text.data() + text.size() - end.size(), end.data(), end.size()) == 0;
}

}  // namespace

const FormatRow* FormatRows(size_t& count) {
  count = std::size(kFormats);
  return kFormats;
}

const FormatRow* FindFormat(ImageFormat format) {
  for (const FormatRow& row : kFormats)
    if (row.format == format) return &row;
  return nullptr;
}

const FormatRow* FormatForOutputType(int fileType) {
  if (fileType == 0) return nullptr;
  for (const FormatRow& row : kFormats)
    if (row.outputType == fileType) return &row;
  return nullptr;
}

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
  for (const FormatRow& row : kFormats) {
    for (const FormatSignature& sig : row.signatures) {
      if (!Matches(head, sig)) continue;
      if (row.format == kFormatTga && !HasTgaExtension(SourcePath(source)))
        return kContentZeroPair;
      if (row.format == kFormatTiff) {
        // DNG, NEF, ARW, PEF and most other RAW kinds are TIFF files: their name tells them.
        const ImageFormat named = FormatFromExtension(SourcePath(source));
        if (IsCameraRawFormat(named)) return FindFormat(named)->content;
      }
      if (row.format == kFormatHeic && (std::memcmp(head + 8, "mif1", 4) == 0 ||
                                        std::memcmp(head + 8, "msf1", 4) == 0) &&
          ListsAvifBrand(head))
        return kContentAvif;
      return row.content;
    }
  }
  for (const ForeignSignature& foreign : kForeignSignatures)
    if (Matches(head, foreign.signature)) return foreign.content;
  return kContentUnknown;
}

ImageFormat FormatFromContent(int contentCode) {
  if (contentCode == kContentUnknown) return kFormatUnknown;
  for (const FormatRow& row : kFormats)
    if (row.content == contentCode) return row.format;
  return kFormatUnknown;
}

ImageFormat FormatFromExtension(const char* path) {
  const char* dot = path ? std::strrchr(path, '.') : nullptr;
  if (!dot) return kFormatUnknown;
  std::string ext(dot);
  for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const FormatRow& row : kFormats)
    for (const FormatExtension& e : row.extensions)
      if (e.text && ext == e.text) return row.format;
  return kFormatUnknown;
}

const char* FormatName(ImageFormat format) {
  const FormatRow* row = FindFormat(format);
  return row ? row->name : "unknown";
}

bool IsQueuedImagePath(std::string_view path) {
  for (const FormatRow& row : kFormats)
    for (const FormatExtension& e : row.extensions)
      if (e.text && e.queued && EndsWithNoCase(path, e.text)) return true;
  return false;
}

bool IsCameraRawFormat(ImageFormat format) {
  const FormatRow* row = FindFormat(format);
  return row && row->cameraRaw;
}

bool IsCameraRawPath(std::string_view path) {
  return IsCameraRawFormat(FormatFromExtension(std::string(path).c_str()));
}

}  // namespace orv
