// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Photoshop PSD decoder for the merged (composite) image of 8-bit greyscale, indexed, RGB and
// CMYK files, raw or PackBits-compressed, and a 24-bit RGB encoder.
#include <cstring>
#include <new>
#include <vector>

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

constexpr int kHeaderSize = 26;
constexpr uint32_t kMaxSide = 30000;
enum Mode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4 };

// PackBits into exactly `width` bytes; false when the row is malformed or does not fill exactly.
bool UnpackRow(const uint8_t* in, size_t inSize, uint8_t* out, uint32_t width) {
  size_t i = 0;
  uint32_t o = 0;
  while (i < inSize) {
    int n = int8_t(in[i++]);
    if (n >= 0) {
      size_t count = size_t(n) + 1;
      if (i + count > inSize || o + count > width) return false;
      std::memcpy(out + o, in + i, count);
      i += count;
      o += uint32_t(count);
    } else if (n != -128) {
      size_t count = size_t(1 - n);
      if (i >= inSize || o + count > width) return false;
      std::memset(out + o, in[i++], count);
      o += uint32_t(count);
    }
  }
  return o == width;
}

// Places one channel row into the interleaved result.
void StoreChannel(int mode, int channel, const uint8_t* in, uint8_t* out, uint32_t width,
                  const uint8_t* palette) {
  switch (mode) {
    case kGrey:
      for (uint32_t x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
      break;
    case kIndexed:
      for (uint32_t x = 0; x < width; ++x, out += 3) {
        out[0] = palette[in[x]];
        out[1] = palette[256 + in[x]];
        out[2] = palette[512 + in[x]];
      }
      break;
    default:
      if (channel < 3) {
        for (uint32_t x = 0; x < width; ++x) out[3 * x + size_t(channel)] = in[x];
      } else {
        // PSD stores CMYK inverted (255 = no ink), so the colour is C' x K' / 255.
        for (uint32_t x = 0; x < width; ++x, out += 3)
          for (int c = 0; c < 3; ++c) out[c] = uint8_t((unsigned(out[c]) * in[x] + 127) / 255);
      }
  }
}

bool SkipSection(SourceReader& in) {
  uint32_t length = 0;
  return in.U32be(length) && in.Skip(length);
}

}  // namespace

uint8_t* ReadPsd(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  auto fail = DecodeFailure;
  std::unique_ptr<SourceReader> reader(new (std::nothrow) SourceReader(source));
  if (!reader) return fail(kErrNoMemory);
  SourceReader& in = *reader;
  uint8_t h[kHeaderSize];
  if (!in.Read(h, sizeof(h))) return fail(kErrFileRead);
  const uint32_t version = Be16(h + 4), channels = Be16(h + 12);
  const uint32_t ht = Be32(h + 14), w = Be32(h + 18), depth = Be16(h + 22), mode = Be16(h + 24);
  if (std::memcmp(h, "8BPS", 4) != 0 || version != 1) return fail(kErrUnexpected);
  if (channels < 1 || channels > 56 || w < 1 || ht < 1 || w > kMaxSide || ht > kMaxSide)
    return fail(kErrUnexpected);
  if (depth != 8) return fail(kErrWrongBitDepth);
  uint32_t used = 0;
  switch (mode) {
    case kGrey:
    case kIndexed:
      used = 1;
      break;
    case kRgb:
      used = 3;
      break;
    case kCmyk:
      used = 4;
      break;
    default:
      return fail(kErrUnexpected);
  }
  if (channels < used) return fail(kErrUnexpected);

  uint8_t palette[768] = {};
  uint32_t modeDataLength = 0;
  if (!in.U32be(modeDataLength)) return fail(kErrFileRead);
  if (mode == kIndexed) {
    if (modeDataLength != 768) return fail(kErrUnexpected);
    if (!in.Read(palette, sizeof(palette))) return fail(kErrFileRead);
  } else if (!in.Skip(modeDataLength)) {
    return fail(kErrFileRead);
  }
  uint8_t compression[2];
  if (!SkipSection(in) || !SkipSection(in) || !in.Read(compression, 2)) return fail(kErrFileRead);
  const uint32_t method = Be16(compression);
  if (method > 1) return fail(kErrUnexpected);

  const uint64_t plane = uint64_t(w) * ht;
  std::vector<uint32_t> counts;
  uint32_t maxCount = 0;
  if (method == 0) {
    if (plane * used > in.Remaining()) return fail(kErrFileRead);
  } else {
    // One 16-bit byte count per row of every channel; a PackBits row of w pixels is never longer
    // than w plus one header byte per 128.
    const uint64_t rows = uint64_t(channels) * ht;
    if (rows * 2 > in.Remaining()) return fail(kErrFileRead);
    const uint32_t longest = w + (w + 127) / 128;
    uint64_t needed = 0;
    try {
      counts.resize(size_t(rows));
    } catch (...) {
      return fail(kErrNoMemory);
    }
    for (uint64_t i = 0; i < rows; ++i) {
      uint32_t c = 0;
      if (!in.U16be(c)) return fail(kErrFileRead);
      if (c > longest) return fail(kErrUnexpected);
      counts[size_t(i)] = c;
      if (i < uint64_t(used) * ht) needed += c;
      if (c > maxCount) maxCount = c;
    }
    if (needed > in.Remaining()) return fail(kErrFileRead);
  }
  LibraryBuffer pixels(AllocatePixels(w, ht, 3, false));
  if (!pixels) return nullptr;
  LibraryBuffer row(new (std::nothrow) uint8_t[w]);
  LibraryBuffer packed(new (std::nothrow) uint8_t[maxCount + 1]);
  if (!row || !packed) return fail(kErrNoMemory);
  for (uint32_t c = 0; c < used; ++c) {
    for (uint32_t y = 0; y < ht; ++y) {
      if (method == 0) {
        if (!in.Read(row.get(), w)) return fail(kErrFileRead);
      } else {
        uint32_t n = counts[size_t(c) * ht + y];
        if (!in.Read(packed.get(), n)) return fail(kErrFileRead);
        if (!UnpackRow(packed.get(), n, row.get(), w)) return fail(kErrUnexpected);
      }
      StoreChannel(int(mode), int(c), row.get(), pixels.get() + size_t(y) * w * 3, w, palette);
    }
  }
  *width = int(w);
  *height = int(ht);
  return pixels.release();
}

bool WritePsd(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  if (!pixels || bits != 24 || width <= 0 || height <= 0 || uint32_t(width) > kMaxSide ||
      uint32_t(height) > kMaxSide) {
    return RefuseEncode(dest, kErrBadParam);
  }
  // Header, then empty colour-mode, resource and layer sections, then raw planes.
  uint8_t h[kHeaderSize + 12 + 2] = {};
  std::memcpy(h, "8BPS", 4);
  PutBe16(h + 4, 1);
  PutBe16(h + 12, 3);
  PutBe32(h + 14, uint32_t(height));
  PutBe32(h + 18, uint32_t(width));
  PutBe16(h + 22, 8);
  PutBe16(h + 24, kRgb);
  LibraryBuffer row(new (std::nothrow) uint8_t[size_t(width)]);
  if (!row) {
    return RefuseEncode(dest, kErrNoMemory);
  }
  const int64_t start = DestPosition(dest);
  unsigned result = WriteDest(dest, h, sizeof(h)) ? kErrNone : kErrFileWrite;
  for (int c = 0; c < 3 && result == kErrNone; ++c) {
    for (int y = 0; y < height && result == kErrNone; ++y) {
      const uint8_t* in = pixels + size_t(y) * size_t(width) * 3 + size_t(c);
      for (int x = 0; x < width; ++x) row[size_t(x)] = in[size_t(x) * 3];
      if (!WriteDest(dest, row.get(), size_t(width))) result = kErrFileWrite;
    }
    if (result == kErrNone && !KeepGoing(ctx, c, 3)) result = kErrAborted;
  }
  return EndEncode(dest, start, result);
}

}  // namespace orv
