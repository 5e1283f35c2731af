// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// PNG coding on libpng. As with JPEG, each libpng call that may longjmp runs in a small function
// holding no C++ objects; the C++ side only prepares buffers and maps the outcome to codes.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <string>
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
#include "platform/LargeBuffer.h"

namespace orv {
namespace {

struct PngReader {
  png_structp png;
  png_infop info;
  ImageSource* source;
  png_uint_32 width, height;
  int bitDepth, colourType, interlace;
  bool hasAlpha;  // after transforms the rows carry 4 bytes per pixel
  bool paletted;  // rows carry 1 byte (an index) per pixel, expanded by us
  int paletteSize;
  uint8_t lut[256][3];  // palette entries composited over white
  bool badIndex;
  uint8_t* pixels;  // 3 bytes per pixel result
  uint8_t* work;    // 4-byte rows for interlaced pictures with alpha
  png_bytep* rows;
};

void ReadData(png_structp png, png_bytep data, size_t length) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (ReadSource(r->source, data, length) != length) png_error(png, "truncated");
}

void Silent(png_structp, png_const_charp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

inline uint8_t OverWhite(unsigned c, unsigned a) {
  return uint8_t((c * a + 255 * (255 - a) + 127) / 255);
}

void CompositeRow(const uint8_t* in, uint8_t* out, png_uint_32 width) {
  for (png_uint_32 x = 0; x < width; ++x, in += 4, out += 3) {
    out[0] = OverWhite(in[0], in[3]);
    out[1] = OverWhite(in[1], in[3]);
    out[2] = OverWhite(in[2], in[3]);
  }
}

// Expands indices at the start of the row to RGB in place, right to left so nothing is
// overwritten before it is read. Returns false for an index beyond the palette.
bool ExpandIndices(const PngReader* r, uint8_t* row) {
  for (png_uint_32 x = r->width; x-- > 0;) {
    unsigned index = row[x];
    if (int(index) >= r->paletteSize) return false;
    row[3 * x] = r->lut[index][0];
    row[3 * x + 1] = r->lut[index][1];
    row[3 * x + 2] = r->lut[index][2];
  }
  return true;
}

bool ReadInfoCore(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_set_read_fn(r->png, r, ReadData);
  // Our own pixel cap applies instead of libpng's default width and height limits.
  png_set_user_limits(r->png, 0x7fffffff, 0x7fffffff);
  png_read_info(r->png, r->info);
  png_get_IHDR(r->png, r->info, &r->width, &r->height, &r->bitDepth, &r->colourType, &r->interlace,
               nullptr, nullptr);
  return true;
}

// Sets the transforms so that rows come out as RGB, RGBA or palette indices, 8 bits each.
bool SetTransformsCore(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_structp png = r->png;
  png_infop info = r->info;
  r->paletted = r->colourType == PNG_COLOR_TYPE_PALETTE;
  if (r->paletted) {
    png_colorp palette = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &palette, &count)) png_error(png, "no palette");
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
    r->paletteSize = count;
    for (int i = 0; i < count && i < 256; ++i) {
      unsigned a = i < alphaCount ? alpha[i] : 255;
      r->lut[i][0] = OverWhite(palette[i].red, a);
      r->lut[i][1] = OverWhite(palette[i].green, a);
      r->lut[i][2] = OverWhite(palette[i].blue, a);
    }
    if (r->bitDepth < 8) png_set_packing(png);
  } else {
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (r->bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (r->bitDepth == 16) png_set_scale_16(png);
    if (!(r->colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  }
  if (r->interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (!r->paletted) {
    png_byte channels = png_get_channels(png, info);
    if (channels != 3 && channels != 4) png_error(png, "unexpected layout");
    r->hasAlpha = channels == 4;
  }
  return true;
}

// Reads every row. Non-interlaced pictures go row by row (alpha through one 4-byte row); the
// interlaced ones need the whole picture at once, in r->rows.
bool ReadRowsCore(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  const size_t stride = size_t(r->width) * 3;
  if (r->interlace != PNG_INTERLACE_NONE) {
    png_read_image(r->png, r->rows);
    for (png_uint_32 y = 0; y < r->height; ++y) {
      uint8_t* out = r->pixels + size_t(y) * stride;
      if (r->hasAlpha) CompositeRow(r->rows[y], out, r->width);
      if (r->paletted && !ExpandIndices(r, out)) r->badIndex = true;
    }
  } else {
    for (png_uint_32 y = 0; y < r->height; ++y) {
      uint8_t* out = r->pixels + size_t(y) * stride;
      png_read_row(r->png, r->hasAlpha ? r->work : out, nullptr);
      if (r->hasAlpha) CompositeRow(r->work, out, r->width);
      if (r->paletted && !ExpandIndices(r, out)) {
        r->badIndex = true;
        return true;
      }
    }
  }
  return true;
}

struct ReaderCleanup {
  PngReader* r;
  ~ReaderCleanup() {
    if (r->png) png_destroy_read_struct(&r->png, r->info ? &r->info : nullptr, nullptr);
    FreeLibraryBuffer(r->pixels);
    delete[] r->work;
    delete[] r->rows;
  }
};

}  // namespace

uint8_t* ReadPng(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  PngReader r{};
  ReaderCleanup cleanup{&r};
  r.source = source;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Silent);
  if (r.png) r.info = png_create_info_struct(r.png);
  if (!r.png || !r.info) {
    SetLastLibraryError(kErrPngInternal);
    return nullptr;
  }
  if (!ReadInfoCore(&r)) {
    SetLastLibraryError(kErrBadPng);
    return nullptr;
  }
  size_t bytes = 0;
  if (!PictureBytes(r.width, r.height, 4, bytes) || r.width > 0x7fffffff || r.height > 0x7fffffff) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  if (!SetTransformsCore(&r)) {
    SetLastLibraryError(kErrBadPng);
    return nullptr;
  }
  r.pixels = AllocatePixels(r.width, r.height, 3, false);
  if (!r.pixels) return nullptr;
  // Faulted in before the rows are written, so that slow fresh huge pages go over to small ones.
  PlacePages(r.pixels, size_t(r.width) * size_t(r.height) * 3);
  if (r.interlace != PNG_INTERLACE_NONE) {
    r.rows = new (std::nothrow) png_bytep[r.height];
    if (r.hasAlpha) r.work = AllocatePixels(r.width, r.height, 4, false);
    if (!r.rows || (r.hasAlpha && !r.work)) {
      SetLastLibraryError(kErrNoMemory);
      return nullptr;
    }
    for (png_uint_32 y = 0; y < r.height; ++y)
      r.rows[y] =
          r.hasAlpha ? r.work + size_t(y) * r.width * 4 : r.pixels + size_t(y) * r.width * 3;
  } else if (r.hasAlpha) {
    r.work = new (std::nothrow) uint8_t[size_t(r.width) * 4];
    if (!r.work) {
      SetLastLibraryError(kErrNoMemory);
      return nullptr;
    }
  }
  if (!ReadRowsCore(&r) || r.badIndex) {
    SetLastLibraryError(kErrBadPng);
    return nullptr;
  }
  *width = int(r.width);
  *height = int(r.height);
  uint8_t* pixels = r.pixels;
  r.pixels = nullptr;
  return pixels;
}

namespace {

struct PngWriter {
  png_structp png;
  png_infop info;
  ImageDest* dest;
  bool writeFailed;
  const uint8_t* pixels;
  int width, height, rowBytes, bitDepth, colourType;
  png_color palette[256];
  int paletteSize;
  double gamma;
  const PngDensity* density;
  ProgressCallback callback;
  void* callbackUser;
  bool aborted;
  // Metadata chunks; a null pointer writes none.
  const uint8_t* icc;
  size_t iccSize;
  const uint8_t* exif;
  size_t exifSize;
  char* xmp;  // zero-terminated
};

void WriteData(png_structp png, png_bytep data, size_t length) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  if (!WriteDest(w->dest, data, length)) {
    w->writeFailed = true;
    png_error(png, "write");
  }
}

void FlushData(png_structp png) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  if (!FlushDest(w->dest)) {
    w->writeFailed = true;
    png_error(png, "flush");
  }
}

bool WriteCore(PngWriter* w) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  png_set_write_fn(w->png, w, WriteData, FlushData);
  png_set_IHDR(w->png, w->info, png_uint_32(w->width), png_uint_32(w->height), w->bitDepth,
               w->colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (w->colourType == PNG_COLOR_TYPE_PALETTE)
    png_set_PLTE(w->png, w->info, w->palette, w->paletteSize);
  if (w->gamma > 0) png_set_gAMA(w->png, w->info, w->gamma);
  if (w->density)
    png_set_pHYs(w->png, w->info, w->density->x, w->density->y,
                 w->density->unit == 1 ? PNG_RESOLUTION_METER : PNG_RESOLUTION_UNKNOWN);
  if (w->icc)
    png_set_iCCP(w->png, w->info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, w->icc,
                 png_uint_32(w->iccSize));
  if (w->exif) png_set_eXIf_1(w->png, w->info, png_uint_32(w->exifSize), const_cast<png_bytep>(w->exif));
  if (w->xmp) {
    png_text text{};
    text.compression = PNG_ITXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("XML:com.adobe.xmp");
    text.text = w->xmp;
    text.lang = const_cast<char*>("");
    text.lang_key = const_cast<char*>("");
    png_set_text(w->png, w->info, &text, 1);
  }
  png_write_info(w->png, w->info);
  if (png_get_rowbytes(w->png, w->info) > size_t(w->rowBytes)) png_error(w->png, "short rows");
  for (int y = 0; y < w->height; ++y) {
    png_write_row(w->png, w->pixels + size_t(y) * size_t(w->rowBytes));
    if (w->callback && !w->callback(w->callbackUser, y, w->height)) {
      w->aborted = true;
      return false;
    }
  }
  // Nothing goes after the pixels: with the info struct libpng would write eXIf a second time.
  png_write_end(w->png, nullptr);
  return true;
}

bool ValidPngLayout(int colourType, int bitDepth) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case PNG_COLOR_TYPE_PALETTE:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return bitDepth == 8 || bitDepth == 16;
    default:
      return false;
  }
}

// The bytes of one packed row, or 0 when that is more than an int holds.
int PackedRowBytes(int width, int colourType, int bitDepth) {
  int samples = colourType == PNG_COLOR_TYPE_RGB         ? 3
                : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                          : 1;
  uint64_t bits = uint64_t(width > 0 ? width : 0) * uint64_t(samples) * uint64_t(bitDepth);
  uint64_t bytes = (bits + 7) / 8;
  return bytes <= uint64_t(INT32_MAX) ? int(bytes) : 0;
}

}  // namespace

bool WritePng(ImageDest* dest, const uint8_t* pixels, int width, int height,
              const PngEncodeOptions& options) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  const int colourType = options.colourType;
  const int bitDepth = options.bitDepth;
  const PngDensity* density = options.density;
  const PhotoMetadata* metadata = options.metadata;
  const bool validLayout = ValidPngLayout(colourType, bitDepth);
  const int rowBytes = options.rowBytes != 0 || !validLayout
                           ? options.rowBytes
                           : PackedRowBytes(width, colourType, bitDepth);
  const size_t paletteSize = options.palette.size() / 3;
  bool paletteOk = colourType != PNG_COLOR_TYPE_PALETTE ||
                   (options.palette.size() % 3 == 0 && paletteSize >= 1 &&
                    paletteSize <= (size_t(1) << bitDepth) && paletteSize <= 256);
  size_t bytes = 0;
  if (!pixels || rowBytes <= 0 || !validLayout || !paletteOk ||
      !PictureBytes(width, height, 1, bytes) ||
      (density && (density->unit < 0 || density->unit > 1))) {
    return RefuseEncode(dest, kErrBadParam);
  }
  PngWriter w{};
  w.dest = dest;
  w.pixels = pixels;
  w.width = width;
  w.height = height;
  w.rowBytes = rowBytes;
  w.bitDepth = bitDepth;
  w.colourType = colourType;
  w.gamma = options.gamma;
  w.density = density;
  w.callback = ctx->progress;
  w.callbackUser = ctx->progressUser;
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    const uint8_t* palette = options.palette.data();
    w.paletteSize = int(paletteSize);
    for (size_t i = 0; i < paletteSize; ++i)
      w.palette[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
  }
  std::string xmp;
  if (metadata) {
    try {
      std::vector<uint8_t> packet = WholeXmpPacket(*metadata);
      xmp.assign(packet.begin(), packet.end());
    } catch (const std::bad_alloc&) {
      return RefuseEncode(dest, kErrNoMemory);
    }
    const bool rgb = colourType == PNG_COLOR_TYPE_RGB || colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    if (rgb && IsRgbIccProfile(metadata->icc) && metadata->icc.size() <= kMaxMetadataPart)
      w.icc = metadata->icc.data(), w.iccSize = metadata->icc.size();
    if (!metadata->exif.empty() && metadata->exif.size() <= kMaxMetadataPart)
      w.exif = metadata->exif.data(), w.exifSize = metadata->exif.size();
    // iTXt text ends at its first zero byte; a packet holding one is cut there by the library.
    if (!xmp.empty() && xmp.size() <= kMaxMetadataPart) w.xmp = xmp.data();
  }
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Silent);
  if (w.png) w.info = png_create_info_struct(w.png);
  if (!w.png || !w.info) {
    if (w.png) png_destroy_write_struct(&w.png, nullptr);
    return RefuseEncode(dest, kErrPngInternal);
  }
  const int64_t start = DestPosition(dest);
  bool ok = WriteCore(&w);
  png_destroy_write_struct(&w.png, &w.info);
  if (!ok) {
    unsigned code = w.aborted ? kErrAborted : kErrFileWrite;
    if (!(code == kErrFileWrite && GetLastLibraryError() == kErrBufferTooSmall))
      SetLastLibraryError(code);
    RollBackDest(dest, start);
    MarkDestFailed(dest);
    return false;
  }
  return true;
}

}  // namespace orv
