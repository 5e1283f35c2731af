// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Truevision TGA decoder (types 1, 2, 3 and their run-length forms 9, 10, 11) and a 24-bit
// encoder. Run-length packets are expanded into one stored row at a time, so packets that cross
// rows are handled naturally and packets past the end of the picture are caught.
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

constexpr int kHeaderSize = 18;

inline uint8_t Expand5(unsigned v) {
  return uint8_t((v << 3) | (v >> 2));
}

struct TgaInfo {
  int width = 0, height = 0;
  int type = 0, depth = 0, bytesPerPixel = 0;
  bool topDown = false, rightToLeft = false;
  uint32_t mapFirst = 0;
  std::vector<uint8_t> map;  // RGB triples
};

// Converts one stored row of raw pixels into RGB, honouring the horizontal order.
bool ConvertRow(const TgaInfo& t, const uint8_t* in, uint8_t* row) {
  const int w = t.width;
  const size_t mapCount = t.map.size() / 3;
  for (int x = 0; x < w; ++x, in += t.bytesPerPixel) {
    uint8_t* out = row + size_t(t.rightToLeft ? w - 1 - x : x) * 3;
    switch (t.type) {
      case 1: {
        uint32_t index = t.bytesPerPixel == 1 ? in[0] : Le16(in);
        if (index < t.mapFirst || index - t.mapFirst >= mapCount) return false;
        std::memcpy(out, &t.map[size_t(index - t.mapFirst) * 3], 3);
        break;
      }
      case 2:
        if (t.bytesPerPixel == 2) {
          uint32_t v = Le16(in);
          out[0] = Expand5((v >> 10) & 31);
          out[1] = Expand5((v >> 5) & 31);
          out[2] = Expand5(v & 31);
        } else {  // 24 or 32 bits: B, G, R (, attribute byte, ignored)
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
        break;
      case 3:
        out[0] = out[1] = out[2] = in[0];
        break;
    }
  }
  return true;
}

bool DepthFitsType(int type, int depth) {
  switch (type) {
    case 1:
      return depth == 8 || depth == 16;
    case 2:
      return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    case 3:
      return depth == 8 || depth == 16;  // 16: grey with alpha
  }
  return false;
}

bool ReadColourMap(SourceReader& in, TgaInfo& t, uint32_t length, int entryBits) {
  const int entryBytes = (entryBits + 7) / 8;
  t.map.resize(size_t(length) * 3);
  uint8_t e[4];
  for (uint32_t i = 0; i < length; ++i) {
    if (!in.Read(e, size_t(entryBytes))) return false;
    uint8_t* out = &t.map[size_t(i) * 3];
    if (entryBytes == 2) {
      uint32_t v = Le16(e);
      out[0] = Expand5((v >> 10) & 31), out[1] = Expand5((v >> 5) & 31), out[2] = Expand5(v & 31);
    } else {
      out[0] = e[2], out[1] = e[1], out[2] = e[0];
    }
  }
  return true;
}

// Run-length state that survives from one row to the next.
struct RleState {
  int left = 0;
  bool run = false;
  uint8_t value[4] = {};
};

unsigned ExpandRleRow(SourceReader& in, const TgaInfo& t, RleState& s, uint8_t* raw,
                      uint64_t& pixelsLeft) {
  const int bpp = t.bytesPerPixel;
  int x = 0;
  while (x < t.width) {
    if (s.left == 0) {
      uint8_t head = 0;
      if (!in.Byte(head)) return kErrFileRead;
      s.run = head & 0x80;
      s.left = (head & 0x7F) + 1;
      // A packet may cross rows but never the end of the picture.
      if (uint64_t(s.left) > pixelsLeft) return kErrBadTga;
      if (s.run && !in.Read(s.value, size_t(bpp))) return kErrFileRead;
    }
    int n = s.left < t.width - x ? s.left : t.width - x;
    uint8_t* out = raw + size_t(x) * size_t(bpp);
    if (s.run) {
      for (int i = 0; i < n; ++i) std::memcpy(out + i * bpp, s.value, size_t(bpp));
    } else if (!in.Read(out, size_t(n) * size_t(bpp))) {
      return kErrFileRead;
    }
    s.left -= n;
    x += n;
    pixelsLeft -= uint64_t(n);
  }
  return kErrNone;
}

}  // namespace

uint8_t* ReadTga(ImageSource* source, int bits, int* width, int* height) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  auto fail = DecodeFailure;
  std::unique_ptr<SourceReader> reader(new (std::nothrow) SourceReader(source));
  if (!reader) return fail(kErrNoMemory);
  SourceReader& in = *reader;
  TgaInfo t;
  uint8_t h[kHeaderSize];
  if (!in.Read(h, sizeof(h))) return fail(kErrFileRead);
  const int idLength = h[0], mapType = h[1];
  const int rawType = h[2];
  const uint32_t mapFirst = Le16(h + 3), mapLength = Le16(h + 5);
  const int mapBits = h[7];
  t.width = int(Le16(h + 12));
  t.height = int(Le16(h + 14));
  t.depth = h[16];
  t.topDown = h[17] & 0x20;
  t.rightToLeft = h[17] & 0x10;
  const bool rle = rawType >= 9;
  t.type = rle ? rawType - 8 : rawType;
  if (rawType != 1 && rawType != 2 && rawType != 3 && rawType != 9 && rawType != 10 &&
      rawType != 11)
    return fail(kErrBadTga);
  if (t.depth < 8 || t.depth > 32 || !DepthFitsType(t.type, t.depth)) return fail(kErrBadTga);
  if (t.width == 0 || t.height == 0 || mapType > 1 || (t.type == 1 && mapType != 1))
    return fail(kErrBadTga);
  t.bytesPerPixel = (t.depth + 7) / 8;
  if (!in.Skip(uint64_t(idLength))) return fail(kErrFileRead);
  if (mapType == 1) {
    if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return fail(kErrBadTga);
    if (t.type == 1) {
      t.mapFirst = mapFirst;
      try {
        if (!ReadColourMap(in, t, mapLength, mapBits)) return fail(kErrFileRead);
      } catch (...) {
        return fail(kErrNoMemory);
      }
    } else if (!in.Skip(uint64_t(mapLength) * uint64_t((mapBits + 7) / 8))) {
      return fail(kErrFileRead);
    }
  }
  const uint64_t rowBytes = uint64_t(t.width) * uint64_t(t.bytesPerPixel);
  if (!rle && rowBytes * uint64_t(t.height) > in.Remaining()) return fail(kErrFileRead);
  LibraryBuffer pixels(AllocatePixels(t.width, t.height, 3, false));
  if (!pixels) return nullptr;
  LibraryBuffer raw(new (std::nothrow) uint8_t[rowBytes]);
  if (!raw) return fail(kErrNoMemory);
  RleState state;
  uint64_t pixelsLeft = uint64_t(t.width) * uint64_t(t.height);
  for (int i = 0; i < t.height; ++i) {
    unsigned r = kErrNone;
    if (rle)
      r = ExpandRleRow(in, t, state, raw.get(), pixelsLeft);
    else if (!in.Read(raw.get(), size_t(rowBytes)))
      r = kErrFileRead;
    if (r != kErrNone) return fail(r);
    int y = t.topDown ? i : t.height - 1 - i;
    if (!ConvertRow(t, raw.get(), pixels.get() + size_t(y) * size_t(t.width) * 3))
      return fail(kErrBadTga);
  }
  *width = t.width;
  *height = t.height;
  return pixels.release();
}

bool WriteTga(ImageDest* dest, const uint8_t* pixels, int width, int height, int bits) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return false;
  if (!pixels || bits != 24 || width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    return RefuseEncode(dest, kErrBadParam);
  }
  uint8_t header[kHeaderSize] = {};
  header[2] = 2;  // uncompressed true colour
  PutLe16(header + 12, uint32_t(width));
  PutLe16(header + 14, uint32_t(height));
  header[16] = 24;
  header[17] = 0x20;  // rows stored top-down
  LibraryBuffer row(new (std::nothrow) uint8_t[size_t(width) * 3]);
  if (!row) {
    return RefuseEncode(dest, kErrNoMemory);
  }
  const int64_t start = DestPosition(dest);
  unsigned result = WriteDest(dest, header, sizeof(header)) ? kErrNone : kErrFileWrite;
  for (int y = 0; y < height && result == kErrNone; ++y) {
    const uint8_t* in = pixels + size_t(y) * size_t(width) * 3;
    uint8_t* out = row.get();
    for (int x = 0; x < width; ++x, in += 3, out += 3)
      out[0] = in[2], out[1] = in[1], out[2] = in[0];
    if (!WriteDest(dest, row.get(), size_t(width) * 3))
      result = kErrFileWrite;
    else if (!KeepGoing(ctx, y, height))
      result = kErrAborted;
  }
  // The version 2 footer, without extension or developer areas.
  static const uint8_t kFooter[26] = {0,   0,   0,   0,   0,   0,   0,   0,   'T',
                                      'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N',
                                      '-', 'X', 'F', 'I', 'L', 'E', '.', 0};
  if (result == kErrNone && !WriteDest(dest, kFooter, sizeof(kFooter))) result = kErrFileWrite;
  return EndEncode(dest, start, result);
}

}  // namespace orv
