// The derivation depth of a HEIF file's primary image, measured from its boxes before libheif
// reads them: chains of grids are refused at once, loops too, and ordinary files pass.
#include <gtest/gtest.h>

#include <climits>

#include "CodecTestSupport.h"
#include "imageio/Codecs.h"
#include "imageio/HeifDerivation.h"
#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

using testing::Bytes;

Bytes Box(const char* type, const Bytes& body) {
  Bytes b;
  b.be32(uint32_t(8 + body.v.size())).str(type).raw(body.v);
  return b;
}

// ftyp, then meta with a primary item 1 and 'dimg' references from each item to the next
// (`links` of them); `loopBack` makes the last item refer to the first.
std::vector<uint8_t> ChainedHeif(uint32_t links, bool loopBack = false) {
  Bytes ftyp;
  ftyp.str("heic").be32(0).str("mif1").str("heic");
  Bytes pitm;
  pitm.be32(0).be16(1);
  Bytes refs;
  refs.be32(0);  // iref version 0: 16-bit ids
  for (uint32_t i = 1; i <= links; ++i) {
    Bytes dimg;
    dimg.be16(i).be16(1).be16(i + 1);
    refs.raw(Box("dimg", dimg).v);
  }
  if (loopBack) {
    Bytes dimg;
    dimg.be16(links + 1).be16(1).be16(1);
    refs.raw(Box("dimg", dimg).v);
  }
  Bytes meta;
  meta.be32(0).raw(Box("pitm", pitm).v).raw(Box("iref", refs).v);
  Bytes file = Box("ftyp", ftyp);
  file.raw(Box("meta", meta).v);
  return file.v;
}

TEST(HeifDerivation, DepthOfChainsAndLoops) {
  auto depth = [](const std::vector<uint8_t>& f) { return HeifDerivationDepth(f.data(), f.size()); };
  EXPECT_EQ(depth(ChainedHeif(0)), 0);
  EXPECT_EQ(depth(ChainedHeif(1)), 1);  // a grid of tiles
  EXPECT_EQ(depth(ChainedHeif(3000)), 3000);
  EXPECT_EQ(depth(ChainedHeif(5, true)), INT32_MAX);
  // Cut anywhere, the boxes are never read past their end.
  const std::vector<uint8_t> whole = ChainedHeif(20);
  for (size_t n = 0; n < whole.size(); n += 3) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(n));
    EXPECT_LE(HeifDerivationDepth(cut.data(), cut.size()), 20);
  }
  EXPECT_EQ(HeifDerivationDepth(nullptr, 0), -1);
}

// Refused from the boxes, before libheif reads anything: the message says why.
TEST(HeifDerivation, AChainOfThousandsOfGridsIsRefused) {
  const std::vector<uint8_t> file = ChainedHeif(3000);
  ImageSource* src = OpenSourceMemory(file.data(), file.size());
  int w = 0, h = 0;
  EXPECT_EQ(ReadHeif(src, 24, &w, &h), nullptr);
  CloseSource(src);
  EXPECT_EQ(GetLastLibraryError(), kErrBadHeif);
  EXPECT_STREQ(LibraryErrorText(kErrBadHeif),
               "bad HEIF file: the image is derived through too many levels");
}

}  // namespace
}  // namespace orv
