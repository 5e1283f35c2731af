// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF coding through libtiff on the layer's sources and destinations. Decoding goes through
// libtiff's RGBA interface a band of rows at a time, so only one band of 32-bit pixels is held
// beside the 24-bit result.
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "imageio/Codecs.h"
#include "imageio/DecoderStart.h"
#include "imageio/EncoderSupport.h"
#include "imageio/IccProfile.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/MetadataReaders.h"
#include "imageio/PixelBuffer.h"
#include "imageio/XmpPacket.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr uint32_t kBandRows = 64;

// libtiff reports through process-wide handlers; the layer reports codes instead of text.
void InstallQuietHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

tmsize_t SourceRead(thandle_t h, void* buffer, tmsize_t size) {
  if (size < 0) return -1;
  return tmsize_t(ReadSource(static_cast<ImageSource*>(h), buffer, size_t(size)));
}
tmsize_t NoWrite(thandle_t, void*, tmsize_t) {
  return -1;
}
toff_t SourceSeek(thandle_t h, toff_t offset, int whence) {
  auto* src = static_cast<ImageSource*>(h);
  if (offset > toff_t(INT64_MAX)) return toff_t(-1);
  // SeekSource resets the thread's last error; keep the caller's code intact.
  unsigned saved = GetLastLibraryError();
  bool ok = SeekSource(src, int64_t(offset), whence);
  SetLastLibraryError(saved);
  return ok ? toff_t(SourcePosition(src)) : toff_t(-1);
}
int NoClose(thandle_t) {
  return 0;
}
toff_t SourceLength(thandle_t h) {
  return toff_t(SourceSize(static_cast<ImageSource*>(h)));
}
int NoMap(thandle_t, void**, toff_t*) {
  return 0;
}
void NoUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenForReading(ImageSource* source) {
  InstallQuietHandlers();
  if (!SeekSource(source, 0, SEEK_SET)) return nullptr;
  return TIFFClientOpen("source", "rm", source, SourceRead, NoWrite, SourceSeek, NoClose,
                        SourceLength, NoMap, NoUnmap);
}

struct TiffCloser {
  void operator()(TIFF* t) const {
    if (t) TIFFClose(t);
  }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

}  // namespace

bool ReadTiffHeader(ImageSource* source, TiffHeaderInfo* info) {
  if (!BeginLibraryCall()) return false;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return false;
  }
  if (!info) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  TiffPtr tif(OpenForReading(source));
  if (!tif) {
    SetLastLibraryError(kErrBadTiff);
    return false;
  }
  uint32_t w = 0, h = 0;
  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h) || w == 0 || h == 0 || w > 0x7fffffff ||
      h > 0x7fffffff) {
    SetLastLibraryError(kErrBadTiff);
    return false;
  }
  TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xres);
  TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yres);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  info->width = int(w);
  info->height = int(h);
  info->xResolution = xres;
  info->yResolution = yres;
  info->resolutionUnit = unit;
  return true;
}

uint8_t* ReadTiff(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  TiffPtr tif(OpenForReading(source));
  if (!tif) {
    SetLastLibraryError(kErrBadTiff);
    return nullptr;
  }
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif.get(), message)) {
    SetLastLibraryError(kErrBadTiff);
    return nullptr;
  }
  TIFFRGBAImage img;
  if (!TIFFRGBAImageBegin(&img, tif.get(), 0, message)) {
    SetLastLibraryError(kErrBadTiff);
    return nullptr;
  }
  struct ImageEnd {
    TIFFRGBAImage* img;
    ~ImageEnd() { TIFFRGBAImageEnd(img); }
  } imageEnd{&img};
  const uint32_t w = img.width, h = img.height;
  if (w == 0 || h == 0 || w > 0x7fffffff || h > 0x7fffffff) {
    SetLastLibraryError(kErrBadTiff);
    return nullptr;
  }
  LibraryBuffer pixels(AllocatePixels(w, h, 3, false));
  if (!pixels) return nullptr;
  // Bands are whole strips (or tile rows): libtiff decodes a strip completely for every band that
  // touches it, so a band cutting through a tall strip would decode it again and again. libtiff
  // also flips within the rows asked for, so pictures stored in another row order are read in
  // one band.
  uint32_t unit = 0;
  if (TIFFIsTiled(tif.get()))
    TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &unit);
  else
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ROWSPERSTRIP, &unit);
  if (unit == 0) unit = 1;
  uint32_t band = unit >= h ? h : (kBandRows + unit - 1) / unit * unit;
  if (band > h || img.orientation != ORIENTATION_TOPLEFT) band = h;
  LibraryBuffer raster(AllocatePixels(w, band, 4, false));
  if (!raster) return nullptr;
  img.req_orientation = ORIENTATION_TOPLEFT;
  auto* rgba = reinterpret_cast<uint32_t*>(raster.get());
  for (uint32_t y0 = 0; y0 < h; y0 += band) {
    uint32_t rows = h - y0 < band ? h - y0 : band;
    img.row_offset = int(y0);
    img.col_offset = 0;
    if (!TIFFRGBAImageGet(&img, rgba, w, rows)) {
      SetLastLibraryError(kErrTiffInternal);
      return nullptr;
    }
    uint8_t* out = pixels.get() + size_t(y0) * w * 3;
    const size_t count = size_t(rows) * w;
    for (size_t i = 0; i < count; ++i, out += 3) {
      // libtiff hands out premultiplied alpha, so compositing over white is c + (255 - a).
      uint32_t p = rgba[i];
      unsigned a = TIFFGetA(p), under = 255 - a;
      unsigned r = TIFFGetR(p) + under, g = TIFFGetG(p) + under, b = TIFFGetB(p) + under;
      out[0] = uint8_t(r > 255 ? 255 : r);
      out[1] = uint8_t(g > 255 ? 255 : g);
      out[2] = uint8_t(b > 255 ? 255 : b);
    }
  }
  *width = int(w);
  *height = int(h);
  return pixels.release();
}

namespace {

tmsize_t DestWrite(thandle_t h, void* buffer, tmsize_t size) {
  if (size < 0) return -1;
  return WriteDest(static_cast<ImageDest*>(h), buffer, size_t(size)) ? size : -1;
}
tmsize_t NoRead(thandle_t, void*, tmsize_t) {
  return -1;
}
toff_t DestSeek(thandle_t h, toff_t offset, int whence) {
  auto* dest = static_cast<ImageDest*>(h);
  if (offset > toff_t(INT64_MAX)) return toff_t(-1);
  if (!SeekDest(dest, int64_t(offset), whence)) return toff_t(-1);
  return toff_t(DestPosition(dest));
}
toff_t DestLength(thandle_t h) {
  return toff_t(DestSize(static_cast<ImageDest*>(h)));
}

}  // namespace

bool WriteTiff(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits,
               const PhotoMetadata* metadata) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  size_t bytes = 0;
  if (!pixels || bits != 24 || !PictureBytes(width, height, 3, bytes)) {
    return RefuseEncode(dest, kErrBadParam);
  }
  std::vector<uint8_t> xmp;
  // The IPTC records, zero padded to whole 32-bit numbers for libtiff builds that declare the
  // tag as numbers (written in the host's byte order, the new file's, so the bytes stay).
  std::vector<uint32_t> iptc;
  // The predictor differences rows in place, so each row is encoded from a copy: the caller's
  // picture must come back unchanged.
  std::vector<uint8_t> row;
  try {
    row.resize(size_t(width) * 3);
    if (metadata) {
      xmp = WholeXmpPacket(*metadata);
      iptc.assign((metadata->iptc.size() + 3) / 4, 0);
      if (!iptc.empty()) std::memcpy(iptc.data(), metadata->iptc.data(), metadata->iptc.size());
    }
  } catch (const std::bad_alloc&) {
    return RefuseEncode(dest, kErrNoMemory);
  }
  InstallQuietHandlers();
  const int64_t start = DestPosition(dest);
  unsigned result = kErrNone;
  {
    TiffPtr tif(TIFFClientOpen("dest", "w", dest, NoRead, DestWrite, DestSeek, NoClose, DestLength,
                               NoMap, NoUnmap));
    if (!tif) {
      result = kErrFileWrite;
    } else {
      TIFF* t = tif.get();
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
      TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
      TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
      TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
      TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
      if (metadata && IsRgbIccProfile(metadata->icc) && metadata->icc.size() <= kMaxMetadataPart)
        TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(metadata->icc.size()), metadata->icc.data());
      if (!xmp.empty() && xmp.size() <= kMaxMetadataPart)
        TIFFSetField(t, TIFFTAG_XMLPACKET, uint32_t(xmp.size()), xmp.data());
      if (!iptc.empty() && iptc.size() <= kMaxMetadataPart / 4) {
        const TIFFField* field = TIFFFieldWithTag(t, TIFFTAG_RICHTIFFIPTC);
        if (field && TIFFFieldDataType(field) == TIFF_LONG)
          TIFFSetField(t, TIFFTAG_RICHTIFFIPTC, uint32_t(iptc.size()), iptc.data());
        else
          TIFFSetField(t, TIFFTAG_RICHTIFFIPTC, uint32_t(metadata->iptc.size()), iptc.data());
      }
      const size_t stride = size_t(width) * 3;
      for (int y = 0; y < height && result == kErrNone; ++y) {
        std::memcpy(row.data(), pixels + size_t(y) * stride, stride);
        if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0)
          result = kErrFileWrite;
        else if (!KeepGoing(ctx, y, height))
          result = kErrAborted;
      }
      if (result == kErrNone && !TIFFFlush(t)) result = kErrFileWrite;
    }
  }
  return EndEncode(dest, start, result);
}

}  // namespace orv
