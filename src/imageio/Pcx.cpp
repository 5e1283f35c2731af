// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// ZSoft PCX decoder (1-bit, 16-colour planar, 8-bit palette or grey, 24-bit planar; RLE or raw)
// and a 24-bit planar RLE encoder.
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

constexpr int kHeaderSize = 128;
constexpr int kMaxRun = 63;

// Run-length state that carries over a scan line boundary (some writers let runs cross it).
struct RleDecoder {
  SourceReader& in;
  bool compressed;
  int left = 0;
  uint8_t value = 0;
  bool Next(uint8_t* out, size_t count) {
    if (!compressed) return in.Read(out, count);
    for (size_t i = 0; i < count;) {
      if (left == 0) {
        uint8_t c = 0;
        if (!in.Byte(c)) return false;
        if ((c & 0xC0) == 0xC0) {
          left = c & 0x3F;
          if (!in.Byte(value)) return false;
        } else {
          left = 1;
          value = c;
        }
        if (left == 0) continue;
      }
      size_t n = size_t(left) < count - i ? size_t(left) : count - i;
      std::memset(out + i, value, n);
      i += n;
      left -= int(n);
    }
    return true;
  }
};

}  // namespace

uint8_t* ReadPcx(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  auto fail = DecodeFailure;
  std::unique_ptr<SourceReader> reader(new (std::nothrow) SourceReader(source));
  if (!reader) return fail(kErrNoMemory);
  SourceReader& in = *reader;
  const uint64_t start = in.Position();
  uint8_t h[kHeaderSize];
  if (!in.Read(h, sizeof(h))) return fail(kErrFileRead);
  if (h[0] != 0x0A || h[2] > 1) return fail(kErrBadPcx);
  const int bpp = h[3], planes = h[65];
  const int64_t w = int64_t(Le16(h + 8)) - int64_t(Le16(h + 4)) + 1;
  const int64_t ht = int64_t(Le16(h + 10)) - int64_t(Le16(h + 6)) + 1;
  const uint32_t bytesPerLine = Le16(h + 66);
  if (w <= 0 || ht <= 0) return fail(kErrBadPcx);
  const bool mono = bpp == 1 && planes == 1, ega = bpp == 1 && planes == 4;
  const bool indexed = bpp == 8 && planes == 1, rgb = bpp == 8 && (planes == 3 || planes == 4);
  if (!mono && !ega && !indexed && !rgb) return fail(kErrBadPcx);
  // Each plane's line must hold the whole width; extra bytes are padding and are skipped.
  if (uint64_t(bytesPerLine) < (uint64_t(w) * uint64_t(bpp) + 7) / 8) return fail(kErrBadPcx);

  uint8_t palette[256][3];
  if (ega) {
    std::memcpy(palette, h + 16, 48);
  } else if (mono) {
    std::memset(palette[0], 0, 3);
    std::memset(palette[1], 255, 3);
  } else if (indexed) {
    // The 256-colour palette trails the file behind a 0x0C byte; without it the data is grey.
    for (int i = 0; i < 256; ++i) std::memset(palette[i], i, 3);
    const uint64_t size = SourceSize(source);
    if (size >= start + kHeaderSize + 769) {
      uint8_t tail[769];
      if (!in.Seek(size - 769) || !in.Read(tail, sizeof(tail))) return fail(kErrFileRead);
      if (tail[0] == 0x0C) std::memcpy(palette, tail + 1, 768);
      if (!in.Seek(start + kHeaderSize)) return fail(kErrFileRead);
    }
  }
  const uint64_t lineBytes = uint64_t(bytesPerLine) * uint64_t(planes);
  uint64_t total = 0;
  if (!CheckedMul<uint64_t>(lineBytes, uint64_t(ht), total)) return fail(kErrBadPcx);
  // Refuse before allocating when even the best-compressed data cannot be in the file.
  const bool compressed = h[2] == 1;
  uint64_t capacity = 0;
  if (!CheckedMul<uint64_t>(in.Remaining(), compressed ? kMaxRun : 1, capacity) || total > capacity)
    return fail(kErrFileRead);
  LibraryBuffer pixels(AllocatePixels(w, ht, 3, false));
  if (!pixels) return nullptr;
  LibraryBuffer line(new (std::nothrow) uint8_t[lineBytes]);
  if (!line) return fail(kErrNoMemory);
  RleDecoder rle{in, compressed};
  for (int64_t y = 0; y < ht; ++y) {
    if (!rle.Next(line.get(), size_t(lineBytes))) return fail(kErrFileRead);
    uint8_t* out = pixels.get() + size_t(y) * size_t(w) * 3;
    const uint8_t* l = line.get();
    for (int64_t x = 0; x < w; ++x, out += 3) {
      if (rgb) {
        out[0] = l[x];
        out[1] = l[bytesPerLine + x];
        out[2] = l[2 * bytesPerLine + x];
      } else if (indexed) {
        std::memcpy(out, palette[l[x]], 3);
      } else {
        unsigned index = 0;
        const int bit = 7 - int(x % 8);
        for (int p = 0; p < planes; ++p)
          index |= unsigned((l[p * bytesPerLine + size_t(x / 8)] >> bit) & 1) << p;
        std::memcpy(out, palette[index], 3);
      }
    }
  }
  *width = int(w);
  *height = int(ht);
  return pixels.release();
}

namespace {

// Appends one plane line in PCX run-length form; returns the encoded length.
size_t EncodeLine(const uint8_t* in, size_t count, uint8_t* out) {
  size_t o = 0;
  for (size_t i = 0; i < count;) {
    size_t run = 1;
    while (i + run < count && run < size_t(kMaxRun) && in[i + run] == in[i]) ++run;
    if (run > 1 || (in[i] & 0xC0) == 0xC0) out[o++] = uint8_t(0xC0 | run);
    out[o++] = in[i];
    i += run;
  }
  return o;
}

}  // namespace

bool WritePcx(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  if (!pixels || bits != 24 || width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    return RefuseEncode(dest, kErrBadParam);
  }
  const uint32_t bytesPerLine = uint32_t(width + 1) & ~1u;  // even, as readers expect
  uint8_t h[kHeaderSize] = {};
  h[0] = 0x0A;
  h[1] = 5;
  h[2] = 1;
  h[3] = 8;
  PutLe16(h + 8, uint32_t(width - 1));
  PutLe16(h + 10, uint32_t(height - 1));
  PutLe16(h + 12, 72);
  PutLe16(h + 14, 72);
  h[65] = 3;
  PutLe16(h + 66, bytesPerLine);
  PutLe16(h + 68, 1);
  LibraryBuffer plane(new (std::nothrow) uint8_t[bytesPerLine]());
  LibraryBuffer packed(new (std::nothrow) uint8_t[size_t(bytesPerLine) * 2]);
  if (!plane || !packed) {
    return RefuseEncode(dest, kErrNoMemory);
  }
  const int64_t start = DestPosition(dest);
  unsigned result = WriteDest(dest, h, sizeof(h)) ? kErrNone : kErrFileWrite;
  for (int y = 0; y < height && result == kErrNone; ++y) {
    const uint8_t* row = pixels + size_t(y) * size_t(width) * 3;
    for (int c = 0; c < 3 && result == kErrNone; ++c) {
      for (int x = 0; x < width; ++x) plane[size_t(x)] = row[size_t(x) * 3 + size_t(c)];
      size_t n = EncodeLine(plane.get(), bytesPerLine, packed.get());
      if (!WriteDest(dest, packed.get(), n)) result = kErrFileWrite;
    }
    if (result == kErrNone && !KeepGoing(ctx, y, height)) result = kErrAborted;
  }
  return EndEncode(dest, start, result);
}

}  // namespace orv
