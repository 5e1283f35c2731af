// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Known-answer decodes of small hand-built BMP, TGA, PCX and PSD files, and the damaged forms
// each must refuse with its error code.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imageio/Codecs.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

using testing::Bytes;
using testing::DecodeMemory;
using Px = std::vector<uint8_t>;

// A BMP: file header, 40-byte info header, optional masks and palette (BGRA), then `data`.
Bytes Bmp(int w, int h, int bits, uint32_t compression, const Px& extra, const Px& data,
          uint32_t colours = 0) {
  Bytes b;
  const uint32_t offset = 14 + 40 + uint32_t(extra.size());
  b.str("BM").le32(offset + uint32_t(data.size())).le32(0).le32(offset);
  b.le32(40).le32(uint32_t(w)).le32(uint32_t(h)).le16(1).le16(unsigned(bits)).le32(compression);
  b.le32(uint32_t(data.size())).le32(2835).le32(2835).le32(colours).le32(0);
  b.raw(extra).raw(data);
  return b;
}

const Px kPalette2 = {0, 0, 255, 0, /*red*/ 255, 0, 0, 0 /*blue*/};

TEST(BmpTest, EveryDepthAndRowOrder) {
  // 24 bits bottom-up, 2 x 2: file rows are bottom first, BGR, padded to 8 bytes.
  auto d = DecodeMemory(
      ReadBmp, Bmp(2, 2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}).v);
  EXPECT_EQ(d.vec(), (Px{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));
  // The same rows top-down (negative height).
  d = DecodeMemory(ReadBmp,
                   Bmp(2, -2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}).v);
  EXPECT_EQ(d.vec(), (Px{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
  // 1 bit with a two-colour palette: 0110 -> red blue blue red.
  d = DecodeMemory(ReadBmp, Bmp(4, 1, 1, 0, kPalette2, {0x60, 0, 0, 0}, 2).v);
  EXPECT_EQ(d.vec(), (Px{255, 0, 0, 0, 0, 255, 0, 0, 255, 255, 0, 0}));
  // 4 bits: nibbles 1, 0, 1.
  d = DecodeMemory(ReadBmp, Bmp(3, 1, 4, 0, kPalette2, {0x10, 0x10, 0, 0}, 2).v);
  EXPECT_EQ(d.vec(), (Px{0, 0, 255, 255, 0, 0, 0, 0, 255}));
  // 16 bits without masks is 5-5-5: 0x7C00 red, 0x001F blue.
  d = DecodeMemory(ReadBmp, Bmp(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00}).v);
  EXPECT_EQ(d.vec(), (Px{255, 0, 0, 0, 0, 255}));
  // 16 bits with 5-6-5 masks: 0x07E0 is full green.
  Bytes masks;
  masks.le32(0xF800).le32(0x07E0).le32(0x001F);
  d = DecodeMemory(ReadBmp, Bmp(2, 1, 16, 3, masks.v, {0xE0, 0x07, 0x00, 0xF8}).v);
  EXPECT_EQ(d.vec(), (Px{0, 255, 0, 255, 0, 0}));
  // 32 bits without masks: B, G, R, unused.
  d = DecodeMemory(ReadBmp, Bmp(1, 1, 32, 0, {}, {1, 2, 3, 99}).v);
  EXPECT_EQ(d.vec(), (Px{3, 2, 1}));
  // 32 bits with masks in another order (R in the low byte).
  Bytes m32;
  m32.le32(0xFF).le32(0xFF00).le32(0xFF0000);
  d = DecodeMemory(ReadBmp, Bmp(1, 1, 32, 3, m32.v, {1, 2, 3, 0}).v);
  EXPECT_EQ(d.vec(), (Px{1, 2, 3}));
}

TEST(BmpTest, RunLengthForms) {
  Px pal = kPalette2;
  pal.insert(pal.end(), {0, 255, 0, 0});  // index 2: green
  // RLE8, 4 x 2 bottom-up: row 0 (bottom) = run of 3 x index 1, delta (1, 0); EOL; row 1 =
  // literal 0 2 0 then a single run of 2; end of bitmap.
  Px rle8 = {3, 1, 0, 2, 1, 0, 0, 0, 0, 3, 0, 2, 0, 0, 1, 2, 0, 1};
  auto d = DecodeMemory(ReadBmp, Bmp(4, 2, 8, 1, pal, rle8, 3).v);
  ASSERT_TRUE(d.pixels) << d.error;
  EXPECT_EQ(d.vec(),
            (Px{255, 0, 0,   0, 255, 0,   255, 0, 0,   0, 255, 0,     // top row
                0,   0, 255, 0, 0,   255, 0,   0, 255, 0, 0,   0}));  // bottom; skipped is black
  // RLE4: a run of 4 alternating 1 and 2, end of bitmap.
  d = DecodeMemory(ReadBmp, Bmp(4, 1, 4, 2, pal, {4, 0x12, 0, 1}, 3).v);
  EXPECT_EQ(d.vec(), (Px{0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 255, 0}));
}

TEST(BmpTest, DamagedFiles) {
  auto error = [](const Bytes& b) {
    auto d = DecodeMemory(ReadBmp, b.v);
    EXPECT_FALSE(d.pixels);
    return d.error;
  };
  EXPECT_EQ(error(Bmp(4, 1, 1, 0, kPalette2, {0xFF, 0, 0, 0}, 1)), 6u);     // index past palette
  EXPECT_EQ(error(Bmp(2, 1, 8, 1, kPalette2, {5, 0, 0, 1}, 2)), 6u);        // run past the row
  EXPECT_EQ(error(Bmp(2, 1, 8, 1, kPalette2, {0, 3, 0, 0, 1, 0}, 2)), 6u);  // literal past row
  EXPECT_EQ(error(Bmp(2, 2, 8, 1, kPalette2, {0, 2, 0, 5, 0, 1}, 2)), 6u);  // delta past end
  EXPECT_EQ(error(Bmp(2, 1, 8, 1, kPalette2, {0, 0, 1, 1}, 2)), 6u);     // run after the last row
  EXPECT_EQ(error(Bmp(2, 1, 4, 2, kPalette2, {3, 0x11, 0, 1}, 2)), 6u);  // RLE4 past the row
  EXPECT_EQ(error(Bmp(2, 2, 8, 1, kPalette2, {2, 1}, 2)), 3u);           // stream ends early
  // A row stride beyond 32 bits, and rows that cannot be in the file: refused before allocating.
  EXPECT_EQ(error(Bmp(0x7FFFFFFF, 1, 32, 0, {}, {1, 2, 3, 4})), 6u);
  EXPECT_EQ(error(Bmp(30000, 30000, 24, 0, {}, {1, 2, 3})), 3u);
  EXPECT_EQ(error(Bmp(0, 1, 24, 0, {}, {1, 2, 3, 0})), 6u);
  EXPECT_EQ(error(Bmp(1, 1, 8, 2, kPalette2, {0, 1})), 6u);  // RLE4 on an 8-bit file
  EXPECT_EQ(error(Bmp(1, 1, 24, 0, {}, {1, 2})), 3u);        // truncated pixel data
  Bytes shortHeader;
  shortHeader.str("BM").fill(20, 0);
  EXPECT_EQ(error(shortHeader), 3u);
  Bytes notBmp;
  notBmp.str("XX").fill(60, 0);
  EXPECT_EQ(error(notBmp), 6u);
}

Bytes Tga(int type, int w, int h, int depth, int descriptor, const Px& map, int mapBits,
          const Px& data, int idLength = 0) {
  Bytes b;
  const int entryBytes = (mapBits + 7) / 8;
  b.u8(unsigned(idLength)).u8(map.empty() ? 0 : 1).u8(unsigned(type));
  b.le16(0).le16(map.empty() ? 0 : unsigned(map.size() / size_t(entryBytes))).u8(unsigned(mapBits));
  b.le16(0)
      .le16(0)
      .le16(unsigned(w))
      .le16(unsigned(h))
      .u8(unsigned(depth))
      .u8(unsigned(descriptor));
  b.fill(size_t(idLength), 'i').raw(map).raw(data);
  return b;
}

TEST(TgaTest, EveryTypeAndDepth) {
  // Type 2, 24 bits, bottom-up (descriptor 0): file rows bottom first.
  auto d = DecodeMemory(ReadTga, Tga(2, 1, 2, 24, 0, {}, 0, {1, 2, 3, 4, 5, 6}, 3).v);
  EXPECT_EQ(d.vec(), (Px{6, 5, 4, 3, 2, 1}));
  // Top-down and right-to-left.
  d = DecodeMemory(ReadTga, Tga(2, 2, 1, 24, 0x30, {}, 0, {1, 2, 3, 4, 5, 6}).v);
  EXPECT_EQ(d.vec(), (Px{6, 5, 4, 3, 2, 1}));
  // 32 bits: the attribute byte is ignored. 16 bits: 5-5-5.
  d = DecodeMemory(ReadTga, Tga(2, 1, 1, 32, 0x28, {}, 0, {1, 2, 3, 0}).v);
  EXPECT_EQ(d.vec(), (Px{3, 2, 1}));
  d = DecodeMemory(ReadTga, Tga(2, 2, 1, 16, 0x20, {}, 0, {0x00, 0x7C, 0xE0, 0x03}).v);
  EXPECT_EQ(d.vec(), (Px{255, 0, 0, 0, 255, 0}));
  // Type 1 with a 24-bit colour map, type 3 grey.
  d = DecodeMemory(ReadTga, Tga(1, 2, 1, 8, 0x20, {10, 20, 30, 40, 50, 60}, 24, {1, 0}).v);
  EXPECT_EQ(d.vec(), (Px{60, 50, 40, 30, 20, 10}));
  d = DecodeMemory(ReadTga, Tga(3, 2, 1, 8, 0x20, {}, 0, {7, 200}).v);
  EXPECT_EQ(d.vec(), (Px{7, 7, 7, 200, 200, 200}));
  // Type 10: one run packet crossing from the first row into the second, then a raw packet.
  d = DecodeMemory(ReadTga, Tga(10, 2, 2, 24, 0x20, {}, 0, {0x82, 1, 2, 3, 0x00, 4, 5, 6}).v);
  EXPECT_EQ(d.vec(), (Px{3, 2, 1, 3, 2, 1, 3, 2, 1, 6, 5, 4}));
  // Types 9 and 11.
  d = DecodeMemory(ReadTga, Tga(9, 2, 1, 8, 0x20, {1, 2, 3}, 24, {0x81, 0}).v);
  EXPECT_EQ(d.vec(), (Px{3, 2, 1, 3, 2, 1}));
  d = DecodeMemory(ReadTga, Tga(11, 3, 1, 8, 0x20, {}, 0, {0x02, 1, 2, 3}).v);
  EXPECT_EQ(d.vec(), (Px{1, 1, 1, 2, 2, 2, 3, 3, 3}));
}

TEST(TgaTest, DamagedFiles) {
  auto error = [](const Bytes& b) {
    auto d = DecodeMemory(ReadTga, b.v);
    EXPECT_FALSE(d.pixels);
    return d.error;
  };
  EXPECT_EQ(error(Tga(10, 2, 1, 24, 0, {}, 0, {0x82, 1, 2, 3})), 32u);  // run past the picture
  EXPECT_EQ(error(Tga(10, 2, 1, 24, 0, {}, 0, {0x01, 1, 2, 3})), 3u);   // data ends early
  EXPECT_EQ(error(Tga(2, 1, 1, 7, 0, {}, 0, {1})), 32u);                // depth below 8
  EXPECT_EQ(error(Tga(2, 1, 1, 40, 0, {}, 0, {1, 2, 3, 4, 5})), 32u);   // depth above 32
  EXPECT_EQ(error(Tga(2, 1, 1, 12, 0, {}, 0, {1, 2})), 32u);            // no such true colour
  EXPECT_EQ(error(Tga(4, 1, 1, 24, 0, {}, 0, {1, 2, 3})), 32u);         // unknown type
  EXPECT_EQ(error(Tga(1, 1, 1, 8, 0, {1, 2, 3}, 24, {5})), 32u);        // index past the map
  EXPECT_EQ(error(Tga(2, 3000, 3000, 24, 0, {}, 0, {1, 2, 3})), 3u);    // cannot fit in the file
  Bytes shortHeader;
  shortHeader.fill(10, 0);
  EXPECT_EQ(error(shortHeader), 3u);
}

Bytes Pcx(int w, int h, int bits, int planes, int bytesPerLine, const Px& data) {
  Bytes b;
  b.u8(0x0A)
      .u8(5)
      .u8(1)
      .u8(unsigned(bits))
      .le16(0)
      .le16(0)
      .le16(unsigned(w - 1))
      .le16(unsigned(h - 1));
  b.le16(72).le16(72).fill(48, 0).u8(0).u8(unsigned(planes)).le16(unsigned(bytesPerLine)).le16(1);
  b.fill(58, 0).raw(data);
  return b;
}

TEST(PcxTest, PaletteAndPlanarForms) {
  // 8-bit with the trailing 256-colour palette; BytesPerLine 4 > width 3 is padding.
  Px pal(769, 0);
  pal[0] = 0x0C;
  pal[1 + 3 * 5] = 11, pal[2 + 3 * 5] = 22, pal[3 + 3 * 5] = 33;
  Px data = {0xC3, 5, 0};  // a run of three 5s, then one padding byte
  data.insert(data.end(), pal.begin(), pal.end());
  auto d = DecodeMemory(ReadPcx, Pcx(3, 1, 8, 1, 4, data).v);
  EXPECT_EQ(d.vec(), (Px{11, 22, 33, 11, 22, 33, 11, 22, 33}));
  // 24-bit planar: R, G, B lines; a literal 0xC1 must come as a run of one.
  d = DecodeMemory(ReadPcx, Pcx(2, 1, 8, 3, 2, {1, 2, 0xC1, 0xC1, 4, 5, 6}).v);
  EXPECT_EQ(d.vec(), (Px{1, 0xC1, 5, 2, 4, 6}));
}

TEST(PcxTest, DamagedFiles) {
  auto error = [](const Bytes& b) {
    auto d = DecodeMemory(ReadPcx, b.v);
    EXPECT_FALSE(d.pixels);
    return d.error;
  };
  EXPECT_EQ(error(Pcx(4, 1, 8, 3, 2, {0xC2, 1, 0xC2, 2, 0xC2, 3})), 22u);  // lines shorter than w
  EXPECT_EQ(error(Pcx(4, 2, 8, 3, 4, {0xC4, 1, 0xC4, 2})), 3u);            // data ends early
  EXPECT_EQ(error(Pcx(4000, 4000, 8, 3, 4000, {0xFF, 1})), 3u);  // cannot fit even compressed
  EXPECT_EQ(error(Pcx(4, 1, 2, 2, 4, {0, 0})), 22u);             // unsupported layout
  Bytes shortHeader;
  shortHeader.u8(0x0A).fill(50, 0);
  EXPECT_EQ(error(shortHeader), 3u);
}

Bytes Psd(int w, int h, int channels, int mode, int compression, const Px& data, int depth = 8) {
  Bytes b;
  b.str("8BPS").be16(1).fill(6, 0).be16(unsigned(channels)).be32(uint32_t(h)).be32(uint32_t(w));
  b.be16(unsigned(depth)).be16(unsigned(mode)).be32(0).be32(0).be32(0).be16(unsigned(compression));
  b.raw(data);
  return b;
}

TEST(PsdTest, RawAndRleComposites) {
  // RGB raw, 2 x 1: planes R, G, B.
  auto d = DecodeMemory(ReadPsd, Psd(2, 1, 3, 3, 0, {1, 2, 3, 4, 5, 6}).v);
  EXPECT_EQ(d.vec(), (Px{1, 3, 5, 2, 4, 6}));
  // Greyscale RLE, 3 x 2: counts 2 and 4; row 0 a run of 3 x 9, row 1 literals 1 2 3.
  d = DecodeMemory(ReadPsd, Psd(3, 2, 1, 1, 1, {0, 2, 0, 4, 0xFE, 9, 2, 1, 2, 3}).v);
  EXPECT_EQ(d.vec(), (Px{9, 9, 9, 9, 9, 9, 9, 9, 9, 1, 1, 1, 2, 2, 2, 3, 3, 3}));
  // An extra alpha channel in the file is skipped.
  d = DecodeMemory(ReadPsd, Psd(1, 1, 4, 3, 0, {10, 20, 30, 0}).v);
  EXPECT_EQ(d.vec(), (Px{10, 20, 30}));
}

TEST(PsdTest, DamagedFiles) {
  auto error = [](const Bytes& b) {
    auto d = DecodeMemory(ReadPsd, b.v);
    EXPECT_FALSE(d.pixels);
    return d.error;
  };
  // A row length larger than any PackBits row of width 3 can be.
  EXPECT_EQ(error(Psd(3, 1, 1, 1, 1, {0, 200, 0xFE, 9})), 17u);
  EXPECT_EQ(error(Psd(3, 1, 1, 1, 1, {0, 2, 0xFB, 9})), 17u);  // run overflows the row
  EXPECT_EQ(error(Psd(3, 1, 1, 1, 1, {0, 4, 0xFE, 9})), 3u);   // data ends early
  EXPECT_EQ(error(Psd(100, 100, 3, 3, 0, {1, 2, 3})), 3u);     // raw planes cannot fit
  EXPECT_EQ(error(Psd(1, 1, 1, 1, 0, {1, 0}, 16)), 28u);
  EXPECT_EQ(error(Psd(1, 1, 1, 9, 0, {1})), 17u);
  Bytes shortHeader;
  shortHeader.str("8BPS").fill(5, 0);
  EXPECT_EQ(error(shortHeader), 3u);
}

}  // namespace
}  // namespace orv
