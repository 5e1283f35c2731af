// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Metafile playback: sizes from the header at 96 dpi, the mid-grey background, the common EMF
// records, and refusal of damaged headers.
#include <gtest/gtest.h>

#include <filesystem>

#include <initializer_list>
#include <iterator>
#include <utility>

#include "../imageio/CodecTestSupport.h"
#include "imageio/LibraryError.h"
#include "imageio/metafile/Metafile.h"

namespace orv {
namespace {

// A file of the fuzzing corpus: `kind` is "emf" or "wmf".
std::vector<uint8_t> Corpus(const char* kind, const char* name) {
  return testing::ReadFileBytes(std::string(ORV_SOURCE_DIR) + "/fuzz/corpus/" + kind + "/" + name);
}

TEST(MetafileTest, EmfShapesOverGrey) {
  // shapes.emf: a 40 x 30 picture, window 100 x 100 mapped onto it; a green-filled rectangle
  // with a red outline at (5, 5)-(50, 60), polygons and an ellipse elsewhere.
  auto data = Corpus("emf", "shapes.emf");
  int w = 0, h = 0;
  LibraryBuffer px(RenderMetafileMemory(data.data(), data.size(), &w, &h));
  ASSERT_TRUE(px);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(h, 30);
  auto at = [&](int x, int y) { return px.get() + (size_t(y) * size_t(w) + size_t(x)) * 3; };
  // Inside the rectangle, away from the other shapes: the brush colour.
  const uint8_t* inside = at(8, 5);
  EXPECT_EQ(inside[0], 0);
  EXPECT_EQ(inside[1], 255);
  EXPECT_EQ(inside[2], 0);
  // Outside every shape: the mid-grey background.
  const uint8_t* corner = at(39, 0);
  EXPECT_EQ(corner[0], 0x80);
  EXPECT_EQ(corner[1], 0x80);
  EXPECT_EQ(corner[2], 0x80);
}

// A placeable WMF whose header bounds span `size` units at 96 units an inch from `origin`, with
// a solid brush of `colour` and no pen selected before `shape`. A `window` of 0 leaves the file
// without window records.
std::vector<uint8_t> PlaceableWmf(int origin, int size, int window, uint32_t colour,
                                  const testing::Bytes& shape) {
  testing::Bytes records;
  if (window != 0) {
    records.le32(5).le16(0x020B).le16(unsigned(origin)).le16(unsigned(origin));
    records.le32(5).le16(0x020C).le16(unsigned(window)).le16(unsigned(window));
  }
  records.le32(7).le16(0x02FC).le16(0).le32(colour).le16(0);     // solid brush
  records.le32(4).le16(0x012D).le16(0);                          // selected
  records.le32(8).le16(0x02FA).le16(5).le16(0).le16(0).le32(0);  // null pen
  records.le32(4).le16(0x012D).le16(1);                          // selected
  records.raw(shape.v);
  records.le32(3).le16(0);  // end of file
  testing::Bytes wmf;
  wmf.le32(0x9AC6CDD7u).le16(0).le16(unsigned(origin)).le16(unsigned(origin));
  wmf.le16(unsigned(origin + size)).le16(unsigned(origin + size)).le16(96).le32(0);
  unsigned sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= unsigned(wmf.v[i] | wmf.v[i + 1] << 8);
  wmf.le16(sum);
  const uint32_t words = uint32_t(9 + records.v.size() / 2);
  wmf.le16(1).le16(9).le16(0x300).le32(words).le16(3).le32(words).le16(
      0);  // largest record: at most all
  wmf.raw(records.v);
  return wmf.v;
}

// Records of one shape over the box (left, top)-(right, bottom); the parameters are stored last
// first. Chords add the two radial points, also stored last first.
testing::Bytes Shape(unsigned function, std::initializer_list<int> parameters) {
  testing::Bytes r;
  r.le32(uint32_t(3 + parameters.size())).le16(function);
  for (auto it = std::rbegin(parameters); it != std::rend(parameters); ++it) r.le16(unsigned(*it));
  return r;
}

// The picture as 0xRRGGBB values.
struct Rendered {
  int w = 0, h = 0;  // filled while `px` is built, so declared first
  LibraryBuffer px;
  explicit Rendered(const std::vector<uint8_t>& file)
      : px(RenderMetafileMemory(file.data(), file.size(), &w, &h)) {}
  uint32_t operator()(int x, int y) const {
    const uint8_t* p = px.get() + (size_t(y) * size_t(w) + size_t(x)) * 3;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
};

TEST(MetafileTest, WmfFillsItsFrameOverGrey) {
  struct Case {
    const char* what;
    int origin, size, window, shape;
    uint32_t colour;
  };
  // Each draws the top-left quarter of a 100 x 100 picture.
  const Case cases[] = {
      {"window as the bounds", 0, 100, 100, 50, 0x0000FF00},
      {"white is drawn, not background", 0, 100, 100, 50, 0x00FFFFFF},
      {"window twice the bounds", 0, 100, 200, 100, 0x0000FF00},
      {"no window records, bounds away from 0", 10, 100, 0, 50, 0x0000FF00},
      {"window at negative origin", -50, 100, 100, 50, 0x0000FF00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int end = c.origin + c.shape;
    Rendered rgb(PlaceableWmf(c.origin, c.size, c.window, c.colour,
                              Shape(0x041B, {c.origin, c.origin, end, end})));
    ASSERT_TRUE(rgb.px);
    ASSERT_EQ(rgb.w, 100);
    ASSERT_EQ(rgb.h, 100);
    const uint32_t drawn = (c.colour & 0xFF) << 16 | (c.colour & 0xFF00) | (c.colour >> 16 & 0xFF);
    EXPECT_EQ(rgb(2, 2), drawn);
    EXPECT_EQ(rgb(45, 45), drawn);
    EXPECT_EQ(rgb(55, 55), 0x808080u);
    EXPECT_EQ(rgb(97, 2), 0x808080u);
    EXPECT_EQ(rgb(2, 97), 0x808080u);
    EXPECT_EQ(rgb(99, 99), 0x808080u);
  }
}

TEST(MetafileTest, WmfEllipsesAndChordsAreFilled) {
  // A circle over (10, 10)-(90, 90): filled to its rim, grey beyond it.
  Rendered circle(PlaceableWmf(0, 100, 100, 0x0000FF00, Shape(0x0418, {10, 10, 90, 90})));
  ASSERT_TRUE(circle.px);
  for (auto [x, y] : {std::pair{50, 50}, std::pair{14, 50}, std::pair{50, 86}, std::pair{75, 25}})
    EXPECT_EQ(circle(x, y), 0x00FF00u) << x << "," << y;
  for (auto [x, y] : {std::pair{14, 14}, std::pair{86, 86}, std::pair{95, 50}})
    EXPECT_EQ(circle(x, y), 0x808080u) << x << "," << y;

  // The chord of the same circle from (90, 50) round to (50, 10) cuts off the upper right rim;
  // the centre's side of the chord line stays grey.
  Rendered chord(
      PlaceableWmf(0, 100, 100, 0x0000FF00, Shape(0x0830, {10, 10, 90, 90, 90, 50, 50, 10})));
  ASSERT_TRUE(chord.px);
  EXPECT_EQ(chord(70, 20), 0x00FF00u);
  EXPECT_EQ(chord(80, 30), 0x00FF00u);
  EXPECT_EQ(chord(60, 40), 0x808080u);
  EXPECT_EQ(chord(50, 50), 0x808080u);
  EXPECT_EQ(chord(30, 70), 0x808080u);
}

TEST(MetafileTest, DamagedHeadersAndFiles) {
  auto data = Corpus("emf", "shapes.emf");
  int w = 0, h = 0;
  auto bad = data;
  bad[32] = bad[33] = bad[34] = bad[35] = 0;  // frame with no width
  EXPECT_EQ(RenderMetafileMemory(bad.data(), bad.size(), &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 27u);
  bad = data;
  bad[4] = 0xFF, bad[5] = 0xFF;  // header record longer than the file
  EXPECT_EQ(RenderMetafileMemory(bad.data(), bad.size(), &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 27u);
  bad = data;
  bad[108 + 4] = 3;  // a record size that is not a multiple of 4
  EXPECT_EQ(RenderMetafileMemory(bad.data(), bad.size(), &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 27u);
  std::vector<uint8_t> junk(100, 7);
  EXPECT_EQ(RenderMetafileMemory(junk.data(), junk.size(), &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 27u);
  EXPECT_EQ(RenderMetafile("/nonexistent/a.wmf", &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 2u);
  // A WMF whose record runs past the end of the file never reaches libwmf.
  testing::Bytes wmf;
  wmf.le16(1).le16(9).le16(0x300).le32(100).le16(0).le32(50).le16(0).le32(50).le16(0x41B);
  EXPECT_EQ(RenderMetafileMemory(wmf.v.data(), wmf.v.size(), &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 27u);
}

TEST(MetafileTest, WmfPensAreHeldTo64Pixels) {
  // A red pen 5000 units wide drawing a line across the middle of a 200 x 200 picture: drawn
  // 64 pixels wide, so its edge lies 32 pixels from the line.
  testing::Bytes line;
  line.le32(8).le16(0x02FA).le16(0).le16(5000).le16(0).le32(0x000000FF);  // pen
  line.le32(4).le16(0x012D).le16(2);                                      // selected
  line.le32(5).le16(0x0214).le16(100).le16(0);                            // move to (0, 100)
  line.le32(5).le16(0x0213).le16(100).le16(200);                          // line to (200, 100)
  Rendered rgb(PlaceableWmf(0, 200, 200, 0x0000FF00, line));
  ASSERT_TRUE(rgb.px);
  EXPECT_EQ(rgb(100, 100), 0xFF0000u);
  EXPECT_EQ(rgb(100, 72), 0xFF0000u);
  EXPECT_EQ(rgb(100, 128), 0xFF0000u);
  EXPECT_EQ(rgb(100, 60), 0x808080u);
  EXPECT_EQ(rgb(100, 140), 0x808080u);
}

TEST(MetafileTest, WmfPolygonReachingFarOffThePictureShowsItsVisiblePart) {
  // A triangle (0, 0), (30000, 0), (0, 30000) over a 100 x 100 picture, with a 3-unit red pen:
  // filled everywhere the picture shows, outlined along the top and left edges only.
  testing::Bytes shape;
  shape.le32(8).le16(0x02FA).le16(0).le16(3).le16(0).le32(0x000000FF);  // red pen
  shape.le32(4).le16(0x012D).le16(2);
  shape.le32(10).le16(0x0324).le16(3).le16(0).le16(0).le16(30000).le16(0).le16(0).le16(30000);
  Rendered rgb(PlaceableWmf(0, 100, 100, 0x0000FF00, shape));
  ASSERT_TRUE(rgb.px);
  EXPECT_EQ(rgb(50, 50), 0x00FF00u);
  EXPECT_EQ(rgb(99, 50), 0x00FF00u);  // no edge where the fill was cut at the picture's side
  EXPECT_EQ(rgb(50, 99), 0x00FF00u);
  EXPECT_EQ(rgb(50, 0), 0xFF0000u);  // the triangle's own edges
  EXPECT_EQ(rgb(0, 50), 0xFF0000u);
}

TEST(MetafileTest, WmfTextBackgroundPastTheEdgeIsClipped) {
  // "Hello" 40 pixels tall at (270, 100) of a 300 x 300 picture, on the default opaque white
  // background, runs past the right edge: the background is filled up to the edge.
  testing::Bytes text;
  text.le32(14).le16(0x02FB).le16(unsigned(-40) & 0xFFFF).fill(14, 0).str("Arial").u8(0);
  text.le32(4).le16(0x012D).le16(2);                                         // font
  text.le32(9).le16(0x0521).le16(5).str("Hello").u8(0).le16(100).le16(270);  // text out
  Rendered rgb(PlaceableWmf(0, 300, 300, 0x0000FF00, text));
  ASSERT_TRUE(rgb.px);
  EXPECT_EQ(rgb(285, 112), 0xFFFFFFu);  // between the strokes of the H
  EXPECT_EQ(rgb(285, 145), 0xFFFFFFu);  // below the letters
  EXPECT_EQ(rgb(299, 130), 0xFFFFFFu);
  EXPECT_EQ(rgb(275, 125), 0x000000u);  // the H's left stroke
  EXPECT_EQ(rgb(285, 104), 0x808080u);  // above the background
  EXPECT_EQ(rgb(265, 125), 0x808080u);  // left of it
}

TEST(MetafileTest, WmfCorpusPlaysInThisProcessWithoutFaults) {
  // The program plays WMF in its decoding helper, out of the sanitizers' sight; here every corpus
  // file (seeds and the inputs fuzzing found) plays in the test process instead, so that a
  // fault or leak in the player's own code shows. The libwmf-crash files still crash libwmf
  // itself and are left to the next test.
  const auto dir = std::filesystem::path(ORV_SOURCE_DIR) / "fuzz/corpus/wmf";
  int played = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename().string().starts_with("libwmf-crash")) continue;
    SCOPED_TRACE(entry.path().string());
    auto bytes = testing::ReadFileBytes(entry.path().string());
    int w = 0, h = 0;
    LibraryBuffer px(PlayWmfHere(bytes.data(), bytes.size(), &w, &h));
    if (px) ++played;
  }
  EXPECT_GE(played, 8);
}

TEST(MetafileTest, WmfThatCrashesLibwmfLoadsWithoutItsText) {
  // Each of these crashes libwmf's text drawing; the player's process dies, this one does not,
  // and the file plays again without text.
  const auto dir = std::filesystem::path(ORV_SOURCE_DIR) / "fuzz/corpus/wmf";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.path().filename().string().starts_with("libwmf-crash")) continue;
    SCOPED_TRACE(entry.path().string());
    auto data = testing::ReadFileBytes(entry.path().string());
    int w = 0, h = 0;
    LibraryBuffer px(RenderMetafileMemory(data.data(), data.size(), &w, &h));
    EXPECT_TRUE(px);
    EXPECT_GT(w, 0);
    ++files;
  }
  EXPECT_GE(files, 3);
}

TEST(MetafileTest, WmfBitmapStretchedFarPastThePictureIsDrawnWhereItShows) {
  // A 2 x 2 bitmap (red, green over blue, yellow; rows stored bottom up) stretched over
  // 1100 x 1100 units from (-500, -500): each of its pixels covers one quarter of the picture.
  testing::Bytes dib;
  dib.le32(40).le32(2).le32(2).le16(1).le16(24).le32(0).le32(16).le32(0).le32(0).le32(0).le32(0);
  dib.u8(255).u8(0).u8(0).u8(0).u8(255).u8(255).le16(0);  // blue, yellow (BGR)
  dib.u8(0).u8(0).u8(255).u8(0).u8(255).u8(0).le16(0);    // red, green
  testing::Bytes draw;
  draw.le32(uint32_t(3 + 11 + dib.v.size() / 2)).le16(0x0F43).le32(0x00CC0020).le16(0);
  draw.le16(2).le16(2).le16(0).le16(0).le16(1100).le16(1100);
  draw.le16(unsigned(-500) & 0xFFFF).le16(unsigned(-500) & 0xFFFF).raw(dib.v);
  Rendered rgb(PlaceableWmf(0, 100, 100, 0x0000FF00, draw));
  ASSERT_TRUE(rgb.px);
  EXPECT_EQ(rgb(10, 10), 0xFF0000u);
  EXPECT_EQ(rgb(90, 10), 0x00FF00u);
  EXPECT_EQ(rgb(10, 90), 0x0000FFu);
  EXPECT_EQ(rgb(90, 90), 0xFFFF00u);
}

TEST(MetafileTest, WmfBitmapHeadersAreCheckedBeforePlayback) {
  // A 24 x 16 bitmap drawn over the whole picture plays.
  auto sound = Corpus("wmf", "stretchdib.wmf");
  int w = 0, h = 0;
  LibraryBuffer px(RenderMetafileMemory(sound.data(), sound.size(), &w, &h));
  ASSERT_TRUE(px);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(h, 16);
  // The same file with a header size past the record, and with a colour count of billions.
  for (const char* name :
       {"regression-bitmap-header-size.wmf", "regression-bitmap-colour-count.wmf"}) {
    SCOPED_TRACE(name);
    auto bad = Corpus("wmf", name);
    EXPECT_EQ(RenderMetafileMemory(bad.data(), bad.size(), &w, &h), nullptr);
    EXPECT_EQ(GetLastLibraryError(), 27u);
  }
  // Rows that do not fit in the record: a height of 17 for 16 rows of data.
  auto tall = sound;
  const size_t header = 0x58;  // the bitmap header inside the STRETCHDIB record
  ASSERT_EQ(tall[header], 40);
  tall[header + 8] = 17;
  EXPECT_EQ(RenderMetafileMemory(tall.data(), tall.size(), &w, &h), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 27u);
}

}  // namespace
}  // namespace orv
