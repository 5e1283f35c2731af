// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Encoders for Windows metafiles and enhanced metafiles that hold the picture as one 24-bit
// device-independent bitmap, drawn at the picture's size at 96 dots per inch.
#include <cstring>
#include <new>

#include "imageio/Codecs.h"
#include "imageio/EncoderSupport.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "imageio/SourceReader.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kSrcCopy = 0x00CC0020;

uint64_t DibStride(int width) {
  return (uint64_t(width) * 3 + 3) / 4 * 4;
}

void FillInfoHeader(uint8_t* ih, int width, int height, uint32_t imageSize) {
  std::memset(ih, 0, kInfoHeaderSize);
  PutLe32(ih, kInfoHeaderSize);
  PutLe32(ih + 4, uint32_t(width));
  PutLe32(ih + 8, uint32_t(height));
  PutLe16(ih + 12, 1);
  PutLe16(ih + 14, 24);
  PutLe32(ih + 20, imageSize);
}

// Writes the bottom-up BGR rows of the bitmap, padded to 4 bytes.
unsigned WriteDibRows(ImageDest* dest, const LibraryContext* ctx, const uint8_t* pixels, int width,
                      int height) {
  const uint64_t stride = DibStride(width);
  LibraryBuffer row(new (std::nothrow) uint8_t[stride]());
  if (!row) return kErrNoMemory;
  for (int i = 0; i < height; ++i) {
    const uint8_t* in = pixels + size_t(height - 1 - i) * size_t(width) * 3;
    uint8_t* out = row.get();
    for (int x = 0; x < width; ++x, in += 3, out += 3)
      out[0] = in[2], out[1] = in[1], out[2] = in[0];
    if (!WriteDest(dest, row.get(), size_t(stride))) return kErrFileWrite;
    if (!KeepGoing(ctx, i, height)) return kErrAborted;
  }
  return kErrNone;
}

bool CheckArguments(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits,
                    int maxSide) {
  if (!dest) {
    SetLastLibraryError(kErrBadHandle);
    return false;
  }
  size_t bytes = 0;
  if (!pixels || bits != 24 || width > maxSide || height > maxSide ||
      !PictureBytes(width, height, 3, bytes) || DibStride(width) * uint64_t(height) > 0x7FFFFFFFu) {
    return RefuseEncode(dest, kErrBadParam);
  }
  return true;
}

}  // namespace

bool WriteWmf(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx || !CheckArguments(dest, pixels, width, height, bits, 32767)) return false;
  const uint32_t imageSize = uint32_t(DibStride(width) * uint64_t(height));
  // Placeable header (bounding box in pixels at 96 units per inch), then the standard header,
  // the window origin and extent, one StretchDIB record and the end record.
  uint8_t head[22 + 18 + 10 + 10 + 28 + kInfoHeaderSize] = {};
  uint8_t* p = head;
  PutLe32(p, 0x9AC6CDD7u);
  PutLe16(p + 10, uint32_t(width));
  PutLe16(p + 12, uint32_t(height));
  PutLe16(p + 14, 96);
  uint32_t checksum = 0;
  for (int i = 0; i < 10; ++i) checksum ^= Le16(p + 2 * i);
  PutLe16(p + 20, checksum);
  p += 22;
  const uint32_t dibRecordWords = (28 + kInfoHeaderSize + imageSize) / 2;
  const uint32_t totalWords = 9 + 5 + 5 + dibRecordWords + 3;
  PutLe16(p, 1);
  PutLe16(p + 2, 9);
  PutLe16(p + 4, 0x0300);
  PutLe32(p + 6, totalWords);
  PutLe32(p + 12, dibRecordWords);
  p += 18;
  PutLe32(p, 5), PutLe16(p + 4, 0x020B), PutLe16(p + 6, 0), PutLe16(p + 8, 0);  // window origin
  p += 10;
  PutLe32(p, 5), PutLe16(p + 4, 0x020C);  // window extent: height, then width
  PutLe16(p + 6, uint32_t(height)), PutLe16(p + 8, uint32_t(width));
  p += 10;
  PutLe32(p, dibRecordWords);
  PutLe16(p + 4, 0x0F43);  // StretchDIB
  PutLe32(p + 6, kSrcCopy);
  PutLe16(p + 10, 0);                                                   // colours are RGB values
  PutLe16(p + 12, uint32_t(height)), PutLe16(p + 14, uint32_t(width));  // source size
  PutLe16(p + 16, 0), PutLe16(p + 18, 0);                               // source origin
  PutLe16(p + 20, uint32_t(height)), PutLe16(p + 22, uint32_t(width));  // destination size
  PutLe16(p + 24, 0), PutLe16(p + 26, 0);                               // destination origin
  FillInfoHeader(p + 28, width, height, imageSize);
  const int64_t start = DestPosition(dest);
  unsigned result = WriteDest(dest, head, sizeof(head)) ? kErrNone : kErrFileWrite;
  if (result == kErrNone) result = WriteDibRows(dest, ctx, pixels, width, height);
  static const uint8_t kEnd[6] = {3, 0, 0, 0, 0, 0};
  if (result == kErrNone && !WriteDest(dest, kEnd, sizeof(kEnd))) result = kErrFileWrite;
  return EndEncode(dest, start, result);
}

bool WriteEmf(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx || !CheckArguments(dest, pixels, width, height, bits, 0x7FFFFFFF)) return false;
  const uint32_t imageSize = uint32_t(DibStride(width) * uint64_t(height));
  constexpr uint32_t kHeaderSize = 108, kStretchSize = 80, kEofSize = 20;
  const uint32_t dibRecord = kStretchSize + kInfoHeaderSize + imageSize;
  const uint32_t total = kHeaderSize + dibRecord + kEofSize;
  uint8_t head[kHeaderSize + kStretchSize + kInfoHeaderSize] = {};
  uint8_t* h = head;
  PutLe32(h, 1);
  PutLe32(h + 4, kHeaderSize);
  PutLe32(h + 16, uint32_t(width - 1));  // bounds, inclusive, in reference-device pixels
  PutLe32(h + 20, uint32_t(height - 1));
  // Frame in hundredths of a millimetre at 96 dpi, rounded so players get the size back.
  PutLe32(h + 32, uint32_t((int64_t(width) * 2540 + 48) / 96));
  PutLe32(h + 36, uint32_t((int64_t(height) * 2540 + 48) / 96));
  std::memcpy(h + 40, " EMF", 4);
  PutLe32(h + 44, 0x00010000);
  PutLe32(h + 48, total);
  PutLe32(h + 52, 3);  // records
  PutLe16(h + 56, 1);  // handles: the reserved one
  // The reference device: 9600 pixels on 2540 millimetres, exactly 96 dpi.
  PutLe32(h + 72, 9600), PutLe32(h + 76, 9600), PutLe32(h + 80, 2540), PutLe32(h + 84, 2540);
  PutLe32(h + 100, 2540000), PutLe32(h + 104, 2540000);
  uint8_t* s = head + kHeaderSize;
  PutLe32(s, 81);
  PutLe32(s + 4, dibRecord);
  PutLe32(s + 16, uint32_t(width - 1)), PutLe32(s + 20, uint32_t(height - 1));
  PutLe32(s + 40, uint32_t(width)), PutLe32(s + 44, uint32_t(height));  // source size
  PutLe32(s + 48, kStretchSize), PutLe32(s + 52, kInfoHeaderSize);
  PutLe32(s + 56, kStretchSize + kInfoHeaderSize), PutLe32(s + 60, imageSize);
  PutLe32(s + 68, kSrcCopy);
  PutLe32(s + 72, uint32_t(width)), PutLe32(s + 76, uint32_t(height));  // destination size
  FillInfoHeader(s + kStretchSize, width, height, imageSize);
  const int64_t start = DestPosition(dest);
  unsigned result = WriteDest(dest, head, sizeof(head)) ? kErrNone : kErrFileWrite;
  if (result == kErrNone) result = WriteDibRows(dest, ctx, pixels, width, height);
  uint8_t eof[kEofSize] = {};
  PutLe32(eof, 14), PutLe32(eof + 4, kEofSize), PutLe32(eof + 12, 16), PutLe32(eof + 16, kEofSize);
  if (result == kErrNone && !WriteDest(dest, eof, sizeof(eof))) result = kErrFileWrite;
  return EndEncode(dest, start, result);
}

}  // namespace orv
