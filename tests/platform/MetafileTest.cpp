// Metafile playback: sizes from the header at 96 dpi, the mid-grey background, the common EMF
// records, and refusal of damaged headers.
#include <gtest/gtest.h>

#include "../imageio/CodecTestSupport.h"
#include "imageio/LibraryError.h"
#include "platform/Metafile.h"

namespace orv {
namespace {

std::vector<uint8_t> Corpus(const char* name) {
  return testing::ReadFileBytes(std::string(ORV_SOURCE_DIR) + "/fuzz/corpus/emf/" + name);
}

TEST(MetafileTest, EmfShapesOverGrey) {
  // shapes.emf: a 40 x 30 picture, window 100 x 100 mapped onto it; a green-filled rectangle
  // with a red outline at (5, 5)-(50, 60), polygons and an ellipse elsewhere.
  auto data = Corpus("shapes.emf");
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

TEST(MetafileTest, DamagedHeadersAndFiles) {
  auto data = Corpus("shapes.emf");
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

}  // namespace
}  // namespace orv
