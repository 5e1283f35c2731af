// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Windows BMP decoder and 24-bit encoder. Rows are converted straight into their top-down place
// while reading, whichever order the file stores them in.
#include <cstdio>
#include <cstring>
#include <new>

#include "imageio/Codecs.h"
#include "imageio/DecoderStart.h"
#include "imageio/EncoderSupport.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "imageio/SourceReader.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  uint8_t Extract(uint32_t pixel) const {
    if (!max) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (max == 255) return uint8_t(v);
    return uint8_t((uint64_t(v) * 255 + max / 2) / max);
  }
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (!mask) return c;
  c.shift = __builtin_ctz(mask);
  c.max = mask >> c.shift;
  return c;
}

struct BmpInfo {
  int width = 0;
  int height = 0;  // always positive here
  bool bottomUp = true;
  int bits = 0;
  uint32_t compression = 0;
  uint8_t palette[256][3] = {};
  int paletteCount = 0;
  Channel red, green, blue;
};

// Converts one stored row to RGB. False for a palette index beyond the palette.
bool ConvertRow(const BmpInfo& b, const uint8_t* in, uint8_t* out) {
  const int w = b.width;
  switch (b.bits) {
    case 1:
    case 4:
    case 8: {
      const int perByte = 8 / b.bits;
      const unsigned mask = (1u << b.bits) - 1;
      for (int x = 0; x < w; ++x, out += 3) {
        int shift = 8 - b.bits * (x % perByte + 1);
        unsigned index = (in[x / perByte] >> shift) & mask;
        if (int(index) >= b.paletteCount) return false;
        std::memcpy(out, b.palette[index], 3);
      }
      return true;
    }
    case 16:
      for (int x = 0; x < w; ++x, in += 2, out += 3) {
        uint32_t p = Le16(in);
        out[0] = b.red.Extract(p);
        out[1] = b.green.Extract(p);
        out[2] = b.blue.Extract(p);
      }
      return true;
    case 24:
      for (int x = 0; x < w; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
      return true;
    case 32:
      for (int x = 0; x < w; ++x, in += 4, out += 3) {
        uint32_t p = Le32(in);
        out[0] = b.red.Extract(p);
        out[1] = b.green.Extract(p);
        out[2] = b.blue.Extract(p);
      }
      return true;
  }
  return false;
}

unsigned DecodeUncompressed(SourceReader& in, const BmpInfo& b, uint64_t stride, uint64_t used,
                            uint8_t* pixels) {
  LibraryBuffer row(new (std::nothrow) uint8_t[used]);
  if (!row) return kErrNoMemory;
  for (int i = 0; i < b.height; ++i) {
    if (!in.Read(row.get(), size_t(used))) return kErrFileRead;
    // The last row's padding is often missing from files; it is never needed.
    if (i + 1 < b.height && !in.Skip(stride - used)) return kErrFileRead;
    int y = b.bottomUp ? b.height - 1 - i : i;
    if (!ConvertRow(b, row.get(), pixels + size_t(y) * size_t(b.width) * 3)) return kErrBadBmp;
  }
  return kErrNone;
}

// Run-length decoding of RLE8 and RLE4. Every run, literal and delta is checked against the row
// and the last row; pixels the stream skips stay black.
unsigned DecodeRle(SourceReader& in, const BmpInfo& b, uint8_t* pixels) {
  const bool four = b.compression == kRle4;
  int64_t x = 0, y = 0;
  auto put = [&](unsigned index) -> bool {
    if (int(index) >= b.paletteCount) return false;
    int row = b.bottomUp ? b.height - 1 - int(y) : int(y);
    std::memcpy(pixels + (size_t(row) * size_t(b.width) + size_t(x)) * 3, b.palette[index], 3);
    ++x;
    return true;
  };
  for (;;) {
    uint8_t count = 0, value = 0;
    if (!in.Byte(count) || !in.Byte(value)) return y >= b.height ? kErrNone : kErrFileRead;
    if (count > 0) {
      if (y >= b.height || x + count > b.width) return kErrBadBmp;
      for (int i = 0; i < count; ++i) {
        unsigned index = four ? (i % 2 == 0 ? value >> 4 : value & 15) : value;
        if (!put(index)) return kErrBadBmp;
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:
        return kErrNone;  // end of bitmap
      case 2: {           // delta
        uint8_t dx = 0, dy = 0;
        if (!in.Byte(dx) || !in.Byte(dy)) return kErrFileRead;
        x += dx;
        y += dy;
        if (x > b.width || y >= b.height) return kErrBadBmp;
        break;
      }
      default: {  // literal run of `value` pixels, padded to a 16-bit boundary
        const int n = value;
        if (y >= b.height || x + n > b.width) return kErrBadBmp;
        const int bytes = four ? (n + 1) / 2 : n;
        uint8_t literal[256];
        if (!in.Read(literal, size_t(bytes))) return kErrFileRead;
        if (bytes % 2 && !in.Skip(1)) return kErrFileRead;
        for (int i = 0; i < n; ++i) {
          unsigned index =
              four ? (i % 2 == 0 ? literal[i / 2] >> 4 : literal[i / 2] & 15) : literal[i];
          if (!put(index)) return kErrBadBmp;
        }
      }
    }
  }
}

}  // namespace

uint8_t* ReadBmp(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  auto fail = DecodeFailure;
  std::unique_ptr<SourceReader> reader(new (std::nothrow) SourceReader(source));
  std::unique_ptr<BmpInfo> info(new (std::nothrow) BmpInfo);
  if (!reader || !info) return fail(kErrNoMemory);
  SourceReader& in = *reader;
  BmpInfo& b = *info;
  const uint64_t start = SourcePosition(source);

  uint8_t fh[kFileHeaderSize], ih[kInfoHeaderSize];
  if (!in.Read(fh, sizeof(fh))) return fail(kErrFileRead);
  if (fh[0] != 'B' || fh[1] != 'M') return fail(kErrBadBmp);
  if (!in.Read(ih, sizeof(ih))) return fail(kErrFileRead);
  const uint32_t pixelOffset = Le32(fh + 10);
  const uint32_t headerSize = Le32(ih);
  const auto w = int32_t(Le32(ih + 4));
  const auto h = int32_t(Le32(ih + 8));
  b.bits = int(Le16(ih + 14));
  b.compression = Le32(ih + 16);
  const uint32_t colorsUsed = Le32(ih + 32);
  if (headerSize < kInfoHeaderSize || w <= 0 || h == 0 || h == INT32_MIN) return fail(kErrBadBmp);
  b.width = w;
  b.height = h < 0 ? -h : h;
  b.bottomUp = h > 0;

  const bool bitsOk =
      b.bits == 1 || b.bits == 4 || b.bits == 8 || b.bits == 16 || b.bits == 24 || b.bits == 32;
  const bool comboOk = b.compression == kRgb || (b.compression == kRle8 && b.bits == 8) ||
                       (b.compression == kRle4 && b.bits == 4) ||
                       (b.compression == kBitFields && (b.bits == 16 || b.bits == 32));
  if (!bitsOk || !comboOk) return fail(kErrBadBmp);

  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits without masks: 5-5-5
  if (b.bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  uint64_t paletteOffset = uint64_t(kFileHeaderSize) + headerSize;
  if (b.compression == kBitFields) {
    uint8_t m[12];
    if (!in.Read(m, sizeof(m))) return fail(kErrFileRead);
    masks[0] = Le32(m), masks[1] = Le32(m + 4), masks[2] = Le32(m + 8);
    if (headerSize == kInfoHeaderSize) paletteOffset += 12;
  }
  b.red = MakeChannel(masks[0]);
  b.green = MakeChannel(masks[1]);
  b.blue = MakeChannel(masks[2]);

  if (b.bits <= 8) {
    uint32_t count = colorsUsed ? colorsUsed : 1u << b.bits;
    if (count > 256) count = 256;
    uint64_t at = 0;
    if (!CheckedAdd<uint64_t>(start, paletteOffset, at) || !in.Seek(at)) return fail(kErrFileRead);
    uint8_t entry[4];
    for (uint32_t i = 0; i < count; ++i) {
      if (!in.Read(entry, 4)) return fail(kErrFileRead);
      b.palette[i][0] = entry[2];
      b.palette[i][1] = entry[1];
      b.palette[i][2] = entry[0];
    }
    b.paletteCount = int(count);
  }

  // Row stride in the file, padded to 4 bytes; files keep sizes in 32 bits.
  uint64_t rowBits = 0, stride = 0;
  if (!CheckedMul<uint64_t>(uint64_t(b.width), uint64_t(b.bits), rowBits)) return fail(kErrBadBmp);
  stride = (rowBits + 31) / 32 * 4;
  const uint64_t used = (rowBits + 7) / 8;
  if (stride > 0xFFFFFFFFu) return fail(kErrBadBmp);

  uint64_t dataAt = 0;
  if (!CheckedAdd<uint64_t>(start, pixelOffset, dataAt) || !in.Seek(dataAt))
    return fail(kErrFileRead);
  if (b.compression == kRgb || b.compression == kBitFields) {
    // Refuse before allocating when the declared rows cannot be in the file.
    uint64_t need = 0;
    if (!CheckedMul<uint64_t>(stride, uint64_t(b.height - 1), need) ||
        !CheckedAdd<uint64_t>(need, used, need) || need > in.Remaining())
      return fail(kErrFileRead);
  }
  const bool rle = b.compression == kRle8 || b.compression == kRle4;
  LibraryBuffer pixels(AllocatePixels(b.width, b.height, 3, rle));
  if (!pixels) return nullptr;
  unsigned result =
      rle ? DecodeRle(in, b, pixels.get()) : DecodeUncompressed(in, b, stride, used, pixels.get());
  if (result != kErrNone) return fail(result);
  *width = b.width;
  *height = b.height;
  return pixels.release();
}

bool WriteBmp(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits,
              int colourCount, const uint8_t* palette) {
  (void)colourCount;  // a 24-bit file has no palette
  (void)palette;
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  size_t bytes = 0;
  if (!pixels || bits != 24 || !PictureBytes(width, height, 3, bytes)) {
    return RefuseEncode(dest, kErrBadParam);
  }
  const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
  uint64_t imageSize = stride * uint64_t(height);
  if (imageSize + kFileHeaderSize + kInfoHeaderSize > 0xFFFFFFFFu) {
    return RefuseEncode(dest, kErrBadParam);
  }
  uint8_t header[kFileHeaderSize + kInfoHeaderSize] = {};
  header[0] = 'B';
  header[1] = 'M';
  PutLe32(header + 2, uint32_t(imageSize + sizeof(header)));
  PutLe32(header + 10, sizeof(header));
  uint8_t* ih = header + kFileHeaderSize;
  PutLe32(ih, kInfoHeaderSize);
  PutLe32(ih + 4, uint32_t(width));
  PutLe32(ih + 8, uint32_t(height));
  PutLe16(ih + 12, 1);
  PutLe16(ih + 14, 24);
  PutLe32(ih + 20, uint32_t(imageSize));
  PutLe32(ih + 24, 2835);  // 72 dpi in pixels per metre
  PutLe32(ih + 28, 2835);
  LibraryBuffer row(new (std::nothrow) uint8_t[stride]());
  if (!row) {
    return RefuseEncode(dest, kErrNoMemory);
  }
  const int64_t start = DestPosition(dest);
  unsigned result = WriteDest(dest, header, sizeof(header)) ? kErrNone : kErrFileWrite;
  for (int i = 0; i < height && result == kErrNone; ++i) {
    const int y = height - 1 - i;  // bottom-up
    const uint8_t* in = pixels + size_t(y) * size_t(width) * 3;
    uint8_t* out = row.get();
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
    if (!WriteDest(dest, row.get(), size_t(stride)))
      result = kErrFileWrite;
    else if (!KeepGoing(ctx, i, height))
      result = kErrAborted;
  }
  return EndEncode(dest, start, result);
}

}  // namespace orv
