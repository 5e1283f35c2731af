// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Resuming a JPEG decode at an MCU row: the resumed stream decodes to the full decode's rows byte
// for byte, without warnings, for every sampling, table kind, quality and picture; the walk's
// positions agree with the plain MCU walk; unsupported and damaged streams are refused cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "CodecTestSupport.h"
#include "LibjpegErrorTrap.h"
#include "imageio/JpegBandJoin.h"
#include "imageio/JpegResume.h"

namespace orv {
namespace {

// libjpeg's own encoding at quality 92; a grey picture takes the colour picture's green.
struct EncodeSettings : testing::LibjpegSettings {
  bool grey = false;
  EncodeSettings() { quality = 92; }
};

std::vector<uint8_t> Encode(const std::vector<uint8_t>& px, int w, int h, const EncodeSettings& s) {
  if (!s.grey) return testing::EncodeWithLibjpeg(px.data(), w, h, 3, s);
  std::vector<uint8_t> grey(size_t(w) * size_t(h));
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = px[3 * i + 1];
  return testing::EncodeWithLibjpeg(grey.data(), w, h, 1, s);
}

struct Decoded {
  bool ok = false;
  int width = 0, height = 0, channels = 0;
  long warnings = 0;
  std::vector<uint8_t> pixels;
  const uint8_t* Row(int y) const { return &pixels[size_t(y) * size_t(width) * size_t(channels)]; }
};

// libjpeg's default decode: islow DCT, fancy upsampling, RGB or greyscale out.
Decoded Decode(const std::vector<uint8_t>& file) {
  Decoded d;
  jpeg_decompress_struct c;
  testing::LibjpegErrorTrap trap;
  c.err = trap.Install();
  jpeg_create_decompress(&c);
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&c);
    d.ok = false;
    return d;
  }
  jpeg_mem_src(&c, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&c, TRUE);
  jpeg_start_decompress(&c);
  d.width = int(c.output_width);
  d.height = int(c.output_height);
  d.channels = c.output_components;
  d.pixels.resize(size_t(d.width) * size_t(d.height) * size_t(d.channels));
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = &d.pixels[size_t(c.output_scanline) * size_t(d.width) * size_t(d.channels)];
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  d.warnings = trap.mgr.num_warnings;
  jpeg_destroy_decompress(&c);
  d.ok = true;
  return d;
}

// Noise (long codes, coefficients up to the last), flat areas with thin lines (end of block
// almost everywhere, few distinct symbols) and a smooth pattern.
std::vector<uint8_t> Picture(int kind, int w, int h) {
  std::vector<uint8_t> p(size_t(w) * size_t(h) * 3);
  std::mt19937 rng(uint32_t(w * 7919 + h + kind));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t& v = p[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)];
        if (kind == 0)
          v = uint8_t(rng());
        else if (kind == 1)
          v = (x % 97 == 0 || y % 89 == 0) ? 250 : uint8_t(40 + 60 * c);
        else
          v = uint8_t(x * 37 / 16 + y * 11 / 8 + c * 29 + (x * y) % 13);
      }
  return p;
}

// Resumes at `row` and checks the decode against the full one: the made-up row first, then the
// file's rows, equal from the second pixel row of `row` on (the first takes part of its
// upsampling from the row above, here the made-up one). False when ResumeStream refused.
// Checks the stream resumed at `at` (the walker's own row when null).
bool CheckResume(const JpegRowWalker& walker, const std::vector<uint8_t>& file,
                 const Decoded& full, const JpegRowStart* at = nullptr) {
  std::vector<uint8_t> head;
  size_t tailFrom = 0;
  if (at ? !walker.ResumeStreamAt(*at, &head, &tailFrom) : !walker.ResumeStream(&head, &tailFrom))
    return false;
  EXPECT_LE(tailFrom, file.size());
  head.insert(head.end(), file.begin() + std::ptrdiff_t(tailFrom), file.end());
  const Decoded part = Decode(head);
  EXPECT_TRUE(part.ok);
  if (!part.ok) return true;
  EXPECT_EQ(part.warnings, 0);
  const int mcuHeight = walker.Layout().mcuRowHeight;
  const int row = at ? at->row : walker.At().row;
  const int shift = row * mcuHeight - mcuHeight;  // full-decode row of the resumed decode's row
  EXPECT_EQ(part.width, full.width);
  EXPECT_EQ(part.height + shift, full.height);
  if (part.width != full.width || part.height + shift != full.height) return true;
  const size_t rowBytes = size_t(full.width) * size_t(full.channels);
  int bad = -1;
  for (int y = row * mcuHeight + 1; y < full.height && bad < 0; ++y)
    if (std::memcmp(full.Row(y), part.Row(y - shift), rowBytes) != 0) bad = y;
  EXPECT_EQ(bad, -1) << "first differing row, resumed at MCU row " << row;
  return true;
}

// Bit offset of a file position counted in the data with its stuffed zeros removed.
uint64_t UnstuffedBit(const std::vector<uint8_t>& file, size_t from, size_t byte, int bit) {
  uint64_t bytes = 0;
  for (size_t i = from; i < byte; ++i)
    if (!(file[i] == 0 && file[i - 1] == 0xFF)) ++bytes;
  return bytes * 8 + uint64_t(bit);
}

struct Sampling {
  const char* name;
  int h, v;
  bool grey;
};
const Sampling kSamplings[] = {
    {"4:2:0", 2, 2, false}, {"4:2:2", 2, 1, false}, {"4:4:0", 1, 2, false},
    {"4:4:4", 1, 1, false}, {"grey", 1, 1, true},
};

TEST(JpegResume, ResumedDecodeEqualsTheFullDecode) {
  struct Size {
    int w, h;
  };
  // Partial last MCU rows and columns, and a picture one MCU wide.
  const Size sizes[] = {{333, 517}, {1001, 250}, {16, 200}};
  int refused = 0, built = 0;
  for (const Sampling& s : kSamplings)
    for (const Size& size : sizes)
      for (int kind = 0; kind < 3; ++kind) {
        const std::vector<uint8_t> px = Picture(kind, size.w, size.h);
        for (int quality : {50, 92, 100})
          for (bool optimize : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << s.name << ' ' << size.w << 'x' << size.h << " picture " << kind << " q"
                         << quality << (optimize ? " optimized" : " standard"));
            EncodeSettings e;
            e.lumaH = s.h, e.lumaV = s.v, e.grey = s.grey, e.quality = quality;
            e.optimize = optimize;
            const std::vector<uint8_t> file = Encode(px, size.w, size.h, e);
            ASSERT_FALSE(file.empty());
            const Decoded full = Decode(file);
            ASSERT_TRUE(full.ok);
            JpegRowWalker walker;
            ASSERT_TRUE(walker.Open(file));
            const int rows = walker.McuRows();
            std::vector<JpegRowStart> kept;
            for (int row : {1, rows / 2, rows - 1}) {
              if (row < walker.At().row) continue;
              ASSERT_TRUE(walker.WalkTo(row));
              kept.push_back(walker.At());
              if (CheckResume(walker, file, full))
                ++built;
              else
                ++refused;
            }
            // Rows passed on the way resume as well from where they started.
            for (const JpegRowStart& start : kept)
              if (!CheckResume(walker, file, full, &start)) ++refused;
            EXPECT_TRUE(walker.WalkTo(rows));
            EXPECT_EQ(walker.At().row, rows);
            std::vector<uint8_t> head;
            size_t tail = 0;
            EXPECT_FALSE(walker.ResumeStream(&head, &tail));  // nothing left to resume
          }
      }
  // Standard tables hold every code a made-up row needs; only optimized ones may lack some.
  EXPECT_GT(built, 10 * refused);
}

TEST(JpegResume, PositionsAgreeWithTheMcuWalkAndWithOneLongWalk) {
  for (const Sampling& s : kSamplings)
    for (bool optimize : {false, true}) {
      SCOPED_TRACE(::testing::Message() << s.name << (optimize ? " optimized" : " standard"));
      const int w = 419, h = 301;
      EncodeSettings e;
      e.lumaH = s.h, e.lumaV = s.v, e.grey = s.grey, e.optimize = optimize, e.quality = 97;
      const std::vector<uint8_t> file = Encode(Picture(0, w, h), w, h, e);
      ASSERT_FALSE(file.empty());
      JpegScanLayout layout;
      ASSERT_TRUE(ParseJpegScanLayout(file, &layout));
      std::vector<uint8_t> copy(file.size() + 8);
      std::copy(file.begin(), file.end(), copy.begin());
      UnstuffedBits bits;
      ASSERT_TRUE(UnstuffEntropyInPlace(copy, file.size(), layout.headerEnd, &bits));
      JpegRowWalker stepper;
      ASSERT_TRUE(stepper.Open(file));
      const int rows = stepper.McuRows();
      std::vector<uint64_t> starts;
      ASSERT_TRUE(WalkMcus(layout, bits, rows * layout.mcusPerRow, &starts));
      for (int row = 0; row <= rows; ++row) {
        ASSERT_TRUE(stepper.WalkTo(row));
        const JpegRowStart& at = stepper.At();
        EXPECT_EQ(UnstuffedBit(file, layout.headerEnd, at.byte, at.bit),
                  starts[size_t(row) * size_t(layout.mcusPerRow)])
            << "row " << row;
        // A data byte, never the stuffed zero after 0xFF.
        EXPECT_FALSE(file[at.byte] == 0 && file[at.byte - 1] == 0xFF) << "row " << row;
        if (row == 0 || row % 7 != 3) continue;
        JpegRowWalker jumper;
        ASSERT_TRUE(jumper.Open(file));
        ASSERT_TRUE(jumper.WalkTo(row));
        EXPECT_EQ(jumper.At().byte, at.byte);
        EXPECT_EQ(jumper.At().bit, at.bit);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(jumper.At().dc[c], at.dc[c]);
      }
      // Walking on from the end, or back, is refused without changing the place.
      EXPECT_FALSE(stepper.WalkTo(rows + 1));
      EXPECT_FALSE(stepper.WalkTo(rows - 1));
      EXPECT_EQ(stepper.At().row, rows);
    }
}

TEST(JpegResume, UnsupportedStreamsAreRefused) {
  const int w = 200, h = 120;
  const std::vector<uint8_t> px = Picture(2, w, h);
  EncodeSettings restart;
  restart.restartRows = 1;
  EncodeSettings progressive;
  progressive.progressive = true;
  EncodeSettings arithmetic;
  arithmetic.arithmetic = true;
  JpegRowWalker walker;
  for (const EncodeSettings* s : {&restart, &progressive, &arithmetic}) {
    const std::vector<uint8_t> file = Encode(px, w, h, *s);
    if (file.empty()) continue;  // a libjpeg built without arithmetic coding
    EXPECT_FALSE(walker.Open(file));
    EXPECT_FALSE(walker.WalkTo(1));
    std::vector<uint8_t> head;
    size_t tail = 0;
    EXPECT_FALSE(walker.ResumeStream(&head, &tail));
  }
  std::mt19937 rng(5);
  std::vector<uint8_t> garbage(4000);
  for (uint8_t& b : garbage) b = uint8_t(rng());
  EXPECT_FALSE(walker.Open(garbage));
  EXPECT_FALSE(walker.Open({}));
  const std::vector<uint8_t> good = Encode(px, w, h, {});
  // Every cut inside the header.
  JpegScanLayout layout;
  ASSERT_TRUE(ParseJpegScanLayout(good, &layout));
  for (size_t n = 0; n < layout.headerEnd; ++n) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    EXPECT_FALSE(walker.Open(cut)) << n;
  }
}

// Damaged data: exact-size copies so that any read past the end shows under AddressSanitizer.
TEST(JpegResume, DamagedDataIsRefusedOrWalkedWithinTheFile) {
  const int w = 257, h = 203;
  EncodeSettings e;
  e.quality = 95;
  const std::vector<uint8_t> good = Encode(Picture(0, w, h), w, h, e);
  JpegScanLayout layout;
  ASSERT_TRUE(ParseJpegScanLayout(good, &layout));
  auto exercise = [](const std::vector<uint8_t>& file, bool expectEnd) {
    JpegRowWalker walker;
    if (!walker.Open(file)) return;
    const int rows = walker.McuRows();
    for (int row : {1, rows / 2, rows}) {
      if (!walker.WalkTo(row)) {
        EXPECT_FALSE(walker.WalkTo(rows));  // stays failed
        break;
      }
      EXPECT_EQ(walker.At().row, row);
      EXPECT_LT(walker.At().byte, file.size());
      std::vector<uint8_t> head;
      size_t tail = 0;
      if (walker.ResumeStream(&head, &tail)) {
        EXPECT_LE(tail, file.size());
        head.insert(head.end(), file.begin() + std::ptrdiff_t(tail), file.end());
        Decode(head);  // must not crash
      }
      if (row == rows && expectEnd) ADD_FAILURE() << "walked a truncated file to its end";
    }
  };
  // Truncated in the data: the last rows lack their bits.
  for (size_t n = layout.headerEnd; n < good.size(); n += 1 + (good.size() - n) / 40) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    exercise(cut, n + 64 < good.size());
  }
  std::mt19937 rng(17);
  for (int trial = 0; trial < 120; ++trial) {
    std::vector<uint8_t> bad = good;
    const int changes = 1 + int(rng() % 8);
    for (int i = 0; i < changes; ++i) {
      const size_t at = layout.headerEnd + rng() % (good.size() - layout.headerEnd);
      bad[at] = trial % 3 == 0 ? 0xFF : uint8_t(rng());
    }
    exercise(bad, false);
  }
}

// Optimized tables of a flat picture hold few symbols: the made-up row must be found among few
// choices, or refused.
TEST(JpegResume, FewSymbolsStillBuildOrRefuseCleanly) {
  int built = 0, tried = 0;
  for (int w : {8, 16, 24, 40, 64, 136, 200})
    for (int shade : {0, 37, 128, 250})
      for (bool grey : {true, false}) {
        SCOPED_TRACE(::testing::Message()
                     << w << " wide, shade " << shade << (grey ? " grey" : ""));
        const int h = 64;
        std::vector<uint8_t> px(size_t(w) * size_t(h) * 3, uint8_t(shade));
        // A thin line in the middle rows makes the rows below differ from those above.
        for (int x = 0; x < w; x += 3) px[(size_t(h / 2) * size_t(w) + size_t(x)) * 3] = 255;
        EncodeSettings e;
        e.grey = grey;
        e.optimize = true;
        e.quality = 90;
        const std::vector<uint8_t> file = Encode(px, w, h, e);
        ASSERT_FALSE(file.empty());
        const Decoded full = Decode(file);
        JpegRowWalker walker;
        ASSERT_TRUE(walker.Open(file));
        for (int row = 1; row < walker.McuRows(); ++row) {
          ASSERT_TRUE(walker.WalkTo(row));
          ++tried;
          if (CheckResume(walker, file, full)) ++built;
        }
      }
  EXPECT_GT(built, tried / 2);
}

}  // namespace
}  // namespace orv
