// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Windows metafile playback through libwmf's bitmap device. The header is checked here first
// (sizes, record lengths) so that libwmf only sees files whose framing is sound. The device
// draws onto a clear canvas over the metafile's whole frame; what stays clear becomes grey. This
// is the decoding helper's side (HelperDecoders.cpp hands the file over): only the helper and the
// tests link it, so the programs do not load libwmf and its X11 libraries when they start.
#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "imageio/SourceReader.h"
#include "platform/CheckedMath.h"
#include "imageio/metafile/Metafile.h"
#include "imageio/metafile/WmfDevice.h"

namespace orv {
namespace {

constexpr size_t kPlaceableSize = 22;
constexpr size_t kStandardHeaderSize = 18;

// The window the metafile sets for itself: the first SetWindowOrg and SetWindowExt records.
struct Window {
  bool hasOrg = false, hasExt = false;
  int orgX = 0, orgY = 0, extX = 0, extY = 0;
};

int SignedLe16(const uint8_t* p) {
  return int(int16_t(uint16_t(Le16(p))));
}

// Where the device-independent bitmap starts in a record that carries one, in bytes from the
// record's start, or 0. The two blit records have a variant without a bitmap, told by its size.
size_t BitmapOffset(uint32_t function, uint64_t words) {
  switch (function) {
    case 0x0940:  // DIBBITBLT
    case 0x0B41:  // DIBSTRETCHBLT
      if (words == (function >> 8) + 3) return 0;
      return function == 0x0940 ? 22 : 26;
    case 0x0F43:  // STRETCHDIB
      return 28;
    case 0x0D33:  // SETDIBTODEV
      return 24;
    case 0x0142:  // DIBCREATEPATTERNBRUSH
      return 10;
    default:
      return 0;
  }
}

// libwmf reads embedded bitmaps without checking their headers: a huge header size keeps it busy
// for minutes, a huge colour count makes it allocate gigabytes. A sound bitmap has a known header
// inside the record, a size within the picture limit, a known depth and coding, and its colour
// table and, uncompressed, its rows inside the record. Colour tables are counted at 2 bytes an
// entry, the size of palette-index tables, so that both kinds pass.
bool BitmapIsSound(const uint8_t* dib, size_t length) {
  if (length < 12) return false;
  const uint32_t headerSize = Le32(dib);
  int64_t width, height;
  uint32_t depth, compression = 0, colours = 0;
  if (headerSize == 12) {
    width = Le16(dib + 4), height = Le16(dib + 6), depth = Le16(dib + 10);
  } else {
    if (headerSize < 40 || headerSize > length) return false;
    width = int32_t(Le32(dib + 4)), height = int32_t(Le32(dib + 8));
    depth = Le16(dib + 14), compression = Le32(dib + 16), colours = Le32(dib + 32);
  }
  if (height < 0) height = -height;
  size_t bytes = 0;
  if (!PictureBytes(width, height, 4, bytes)) return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
    return false;
  if (colours == 0 && depth <= 8) colours = 1u << depth;
  if (colours > 256 && depth <= 8) return false;
  uint64_t tables = uint64_t(colours) * 2 + (compression == 3 && headerSize == 40 ? 12 : 0);
  if (compression == 1 || compression == 2) {  // run-length coded: 8 or 4 bits a pixel
    if (!(compression == 1 && depth == 8) && !(compression == 2 && depth == 4)) return false;
    return RangeInside(headerSize, tables, length);
  }
  if (compression != 0 && compression != 3) return false;
  const uint64_t stride = (uint64_t(width) * depth + 31) / 32 * 4;
  return RangeInside(headerSize, tables + stride * uint64_t(height), length);
}

// Walks the record framing: every record at least 3 words, inside the data, ending with EOF.
// Notes the window records on the way and checks embedded bitmaps.
bool RecordsAreSound(const uint8_t* d, size_t n, size_t at, Window& window) {
  if (at + kStandardHeaderSize > n) return false;
  if (Le16(d + at + 2) != 9) return false;  // header size in words
  at += kStandardHeaderSize;
  while (at + 6 <= n) {
    uint64_t words = Le32(d + at);
    uint32_t function = Le16(d + at + 4);
    if (words < 3 || !RangeInside(at, words * 2, n)) return false;
    if (function == 0) return true;
    if (const size_t bitmap = BitmapOffset(function, words)) {
      const size_t length = size_t(words * 2);
      if (length <= bitmap || !BitmapIsSound(d + at + bitmap, length - bitmap)) return false;
    }
    if (words >= 5 && (function == 0x020B || function == 0x020C)) {
      const int y = SignedLe16(d + at + 6),
                x = SignedLe16(d + at + 8);  // parameters are stored y first
      if (function == 0x020B && !window.hasOrg) {
        window.hasOrg = true;
        window.orgX = x, window.orgY = y;
      }
      if (function == 0x020C && !window.hasExt) {
        window.hasExt = true;
        window.extX = x, window.extY = y;
      }
    }
    at += size_t(words * 2);
  }
  return false;
}

// The picture's frame in libwmf's device units for a placeable file. libwmf maps a logical
// point to (point - window origin) * 72 / units-per-inch, mirrored where the extent is
// negative; its own bounding box covers only what is drawn. The picture shows the metafile's
// window, or the header's bounds when the file sets no window extent, whatever is drawn in it.
bool PlaceableFrame(const uint8_t* d, const Window& window, wmfD_Rect& frame) {
  const int inch = int(Le16(d + 14));
  if (inch == 0) return false;
  const double k = 72.0 / inch;
  if (window.hasExt && window.extX != 0 && window.extY != 0) {
    frame.TL.x = frame.TL.y = 0;
    frame.BR.x = float(std::abs(window.extX) * k);
    frame.BR.y = float(std::abs(window.extY) * k);
    return true;
  }
  const int left = SignedLe16(d + 6), top = SignedLe16(d + 8), right = SignedLe16(d + 10),
            bottom = SignedLe16(d + 12);
  if (left == right || top == bottom) return false;
  frame.TL.x = float((std::min(left, right) - window.orgX) * k);
  frame.TL.y = float((std::min(top, bottom) - window.orgY) * k);
  frame.BR.x = float((std::max(left, right) - window.orgX) * k);
  frame.BR.y = float((std::max(top, bottom) - window.orgY) * k);
  return true;
}

// libwmf draws text with the 13 standard PostScript faces; map them onto the metric-compatible
// Liberation faces (Debian package fonts-liberation) instead of the ghostscript font files.
char kFontDir[] = "/usr/share/fonts/truetype/liberation";
char* kFontDirs[] = {kFontDir, nullptr};
#define ORV_FACE(ps, file) \
  { const_cast<char*>(ps), const_cast<char*>(file), FT_ENCODING_NONE }
wmfMapping kFaces[] = {
    ORV_FACE("Times-Roman", "LiberationSerif-Regular.ttf"),
    ORV_FACE("Times-Italic", "LiberationSerif-Italic.ttf"),
    ORV_FACE("Times-Bold", "LiberationSerif-Bold.ttf"),
    ORV_FACE("Times-BoldItalic", "LiberationSerif-BoldItalic.ttf"),
    ORV_FACE("Helvetica", "LiberationSans-Regular.ttf"),
    ORV_FACE("Helvetica-Oblique", "LiberationSans-Italic.ttf"),
    ORV_FACE("Helvetica-Bold", "LiberationSans-Bold.ttf"),
    ORV_FACE("Helvetica-BoldOblique", "LiberationSans-BoldItalic.ttf"),
    ORV_FACE("Courier", "LiberationMono-Regular.ttf"),
    ORV_FACE("Courier-Oblique", "LiberationMono-Italic.ttf"),
    ORV_FACE("Courier-Bold", "LiberationMono-Bold.ttf"),
    ORV_FACE("Courier-BoldOblique", "LiberationMono-BoldItalic.ttf"),
    ORV_FACE("Symbol", "LiberationSans-Regular.ttf"),
    {nullptr, nullptr, FT_ENCODING_NONE},
};
#undef ORV_FACE

// Destroys the player, then the bitmap device's image: libwmf hands that image to the caller
// (pixel block, row table, header, clipping set, and the polygon and line-style scratch
// buffers, each from plain malloc) and never frees it.
struct WmfApi {
  wmfAPI* api = nullptr;
  ~WmfApi() {
    if (!api) return;
    auto* image = static_cast<WmfGdImage*>(WMF_GD_GetData(api)->gd_image);
    wmf_api_destroy(api);
    if (!image) return;
    if (image->tpixels) std::free(image->tpixels[0]);
    std::free(image->tpixels);
    std::free(image->polyInts);
    std::free(image->style);
    if (image->clip) std::free(image->clip->list);
    std::free(image->clip);
    std::free(image);
  }
};

// Plays the file on libwmf's bitmap device, with or without its text.
uint8_t* Play(const uint8_t* data, size_t size, int* width, int* height, bool text) {
  auto fail = [](unsigned code) -> uint8_t* {
    SetLastLibraryError(code);
    return nullptr;
  };
  const bool placeable = size >= kPlaceableSize && Le32(data) == 0x9AC6CDD7u;
  Window window;
  if (!RecordsAreSound(data, size, placeable ? kPlaceableSize : 0, window))
    return fail(kErrBadMetafile);

  WmfApi holder;
  wmfAPI_Options options;
  std::memset(&options, 0, sizeof(options));
  options.function = wmf_gd_function;
  options.fontdirs = kFontDirs;
  options.font.ps = kFaces;
  unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR |
                        WMF_OPT_NO_DEBUG | WMF_OPT_FONTDIRS | WMF_OPT_FONTMAP;
  if (wmf_api_create(&holder.api, flags, &options) != wmf_E_None) return fail(kErrNoMemory);
  wmfAPI* api = holder.api;
  CorrectWmfDevice(api, text);
  // libwmf reads but does not write the buffer; its interface simply lacks const.
  if (wmf_mem_open(api, const_cast<unsigned char*>(data), long(size)) != wmf_E_None)
    return fail(kErrBadMetafile);
  wmfD_Rect bbox;
  if (wmf_scan(api, 0, &bbox) != wmf_E_None) return fail(kErrBadMetafile);
  unsigned int w = 0, h = 0;
  if (wmf_display_size(api, &w, &h, kScreenDpi, kScreenDpi) != wmf_E_None || w == 0 || h == 0)
    return fail(kErrBadMetafile);
  size_t bytes = 0;
  if (!PictureBytes(w, h, 4, bytes)) return fail(kErrNoMemory);
  wmf_gd_t* dev = WMF_GD_GetData(api);
  dev->type = wmf_gd_image;
  if (!placeable || !PlaceableFrame(data, window, dev->bbox)) dev->bbox = bbox;
  dev->width = w;
  dev->height = h;
  if (wmf_play(api, 0, &bbox) != wmf_E_None || !dev->gd_image) return fail(kErrBadMetafile);
  const int* tc = wmf_gd_image_pixels(dev->gd_image);
  if (!tc) return fail(kErrBadMetafile);
  LibraryBuffer pixels(AllocatePixels(w, h, 3, false));
  if (!pixels) return nullptr;
  uint8_t* out = pixels.get();
  const size_t count = size_t(w) * h;
  for (size_t i = 0; i < count; ++i, out += 3) {
    // gd keeps 0x7F as fully transparent alpha: composite what the metafile left clear over grey.
    unsigned p = unsigned(tc[i]);
    unsigned a = 127 - ((p >> 24) & 0x7F);
    for (int c = 0; c < 3; ++c) {
      unsigned v = (p >> (16 - 8 * c)) & 0xFF;
      out[c] = uint8_t((v * a + kMetafileBackground * (127 - a) + 63) / 127);
    }
  }
  *width = int(w);
  *height = int(h);
  return pixels.release();
}

}  // namespace

uint8_t* PlayWmfHere(const uint8_t* data, size_t size, int* width, int* height) {
  return Play(data, size, width, height, true);
}

uint8_t* PlayWmfWithoutTextHere(const uint8_t* data, size_t size, int* width, int* height) {
  return Play(data, size, width, height, false);
}

}  // namespace orv
