// Rendering in a child process: the picture and error codes come back, and a renderer that dies
// or hangs costs only the failure code.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "imageio/ChildDecode.h"

namespace orv {
namespace {

constexpr unsigned kFailed = 27;

ChildLimits Limits(int seconds) {
  ChildLimits limits;
  limits.seconds = seconds;
  limits.failureCode = kFailed;
  return limits;
}

// A 3 x 2 picture whose bytes count up from the first input byte.
uint8_t* CountingPicture(const uint8_t* data, size_t, int* w, int* h) {
  uint8_t* p = AllocatePixels(3, 2, 3, false);
  for (int i = 0; i < 18; ++i) p[i] = uint8_t(data[0] + i);
  *w = 3, *h = 2;
  return p;
}

TEST(ChildDecodeTest, PicturesAndErrorsComeBack) {
  const uint8_t seed = 100;
  int w = 0, h = 0;
  LibraryBuffer px(RenderInChild(CountingPicture, &seed, 1, &w, &h, Limits(10)));
  ASSERT_TRUE(px);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(px[size_t(i)], 100 + i);

  auto refuses = [](const uint8_t*, size_t, int*, int*) -> uint8_t* {
    SetLastLibraryError(12);
    return nullptr;
  };
  ChildEnd end = ChildEnd::kDied;
  EXPECT_EQ(RenderInChild(refuses, &seed, 1, &w, &h, Limits(10), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 12u);
  EXPECT_EQ(end, ChildEnd::kAnswered);
}

TEST(ChildDecodeTest, ARendererThatDiesOrHangsGivesTheFailureCode) {
  const uint8_t seed = 0;
  int w = 0, h = 0;
  auto dies = [](const uint8_t*, size_t, int*, int*) -> uint8_t* { std::abort(); };
  ChildEnd end = ChildEnd::kAnswered;
  EXPECT_EQ(RenderInChild(dies, &seed, 1, &w, &h, Limits(10), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  EXPECT_EQ(end, ChildEnd::kDied);

  auto hangs = [](const uint8_t*, size_t, int*, int*) -> uint8_t* {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return nullptr;
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RenderInChild(hangs, &seed, 1, &w, &h, Limits(1), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  EXPECT_EQ(end, ChildEnd::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  // This process is unharmed and renders on.
  const uint8_t seed2 = 7;
  LibraryBuffer px(RenderInChild(CountingPicture, &seed2, 1, &w, &h, Limits(10)));
  ASSERT_TRUE(px);
  EXPECT_EQ(px[17], 7 + 17);
}

TEST(ChildDecodeTest, MetadataAndMessagesComeBack) {
  const uint8_t seed = 1;
  int w = 0, h = 0;
  auto withMetadata = [](const uint8_t* data, size_t size, int* w, int* h) -> uint8_t* {
    LibraryContext* ctx = CurrentContext();
    ctx->decoded.exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
    ctx->decoded.xmp = {'<', 'x', '/', '>'};
    ctx->decoded.upright = true;
    return CountingPicture(data, size, w, h);
  };
  LibraryBuffer px(RenderInChild(withMetadata, &seed, 1, &w, &h, Limits(10)));
  ASSERT_TRUE(px);
  const DecodedMetadata& got = CurrentContext()->decoded;
  EXPECT_EQ(got.exif.size(), 8u);
  EXPECT_EQ(got.xmp, std::vector<uint8_t>({'<', 'x', '/', '>'}));
  EXPECT_TRUE(got.upright);
  EXPECT_TRUE(got.icc.empty());

  auto explains = [](const uint8_t*, size_t, int*, int*) -> uint8_t* {
    CurrentContext()->errorDetail = "no such camera";
    SetLastLibraryError(kErrBadRaw);
    return nullptr;
  };
  EXPECT_EQ(RenderInChild(explains, &seed, 1, &w, &h, Limits(10)), nullptr);
  EXPECT_STREQ(LibraryErrorText(GetLastLibraryError()), "bad RAW file: no such camera");
}

TEST(ChildDecodeTest, TheMemoryCapStopsARunawayDecoder) {
  const uint8_t seed = 0;
  int w = 0, h = 0;
  // Asks for 4 GiB, under a cap of 256 MiB beyond what the child inherited.
  auto greedy = [](const uint8_t* data, size_t size, int* w, int* h) -> uint8_t* {
    LimitChildMemory(256u << 20);
    std::vector<uint8_t>* hoard = nullptr;
    try {
      hoard = new std::vector<uint8_t>(size_t(4) << 30, 1);
    } catch (const std::bad_alloc&) {
      SetLastLibraryError(kErrNoMemory);
      return nullptr;
    }
    delete hoard;
    return CountingPicture(data, size, w, h);
  };
  ChildEnd end = ChildEnd::kAnswered;
  EXPECT_EQ(RenderInChild(greedy, &seed, 1, &w, &h, Limits(20), &end), nullptr);
  // Refused (out of memory) or ended by the allocator: either way no picture and no harm here.
  EXPECT_TRUE(GetLastLibraryError() == kErrNoMemory || GetLastLibraryError() == kFailed);
  // The cap held only in the child.
  std::vector<uint8_t> here(size_t(512) << 20, 1);
  EXPECT_EQ(here.back(), 1);
}

}  // namespace
}  // namespace orv
