// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding in the helper program: the picture, metadata and error codes come back; a helper that
// dies, hangs, hoards, lies about its picture or is missing costs only a failed load; and the
// real helper is found beside the program and decodes from several threads at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

#include "imageio/ChildDecode.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr unsigned kFailed = 27;

ChildLimits Limits(int seconds, uint64_t memoryBytes = 0) {
  ChildLimits limits;
  limits.seconds = seconds;
  limits.memoryBytes = memoryBytes;
  limits.failureCode = kFailed;
  limits.helper = ORV_TEST_DECODE_HELPER;
  return limits;
}

uint8_t* Render(const char* decoder, const std::vector<uint8_t>& input, int* w, int* h,
                const ChildLimits& limits, ChildEnd* end = nullptr) {
  return RenderInChild(decoder, input.data(), input.size(), w, h, limits, end);
}

TEST(ChildDecodeTest, PicturesMetadataAndErrorsComeBack) {
  // Three megabytes through the memory file and back through the pipe, byte for byte.
  std::vector<uint8_t> input(3u << 20);
  for (size_t i = 0; i < input.size(); ++i) input[i] = uint8_t(i * 7 + i / 4096);
  int w = 0, h = 0;
  LibraryBuffer px(Render("echo", input, &w, &h, Limits(30)));
  ASSERT_TRUE(px);
  ASSERT_EQ(w, int(input.size() / 3));
  ASSERT_EQ(h, 1);
  EXPECT_TRUE(std::equal(input.begin(), input.end(), px.get()));

  const std::vector<uint8_t> seed = {1, 2, 3};
  px.reset(Render("metadata", seed, &w, &h, Limits(10)));
  ASSERT_TRUE(px);
  const DecodedMetadata& got = CurrentContext()->decoded;
  EXPECT_EQ(got.exif.size(), 8u);
  EXPECT_EQ(got.xmp, std::vector<uint8_t>({'<', 'x', '/', '>'}));
  EXPECT_TRUE(got.upright);
  EXPECT_TRUE(got.icc.empty());

  // The thread's RAW target box reaches the decoder.
  CurrentContext()->rawTargetWidth = 5;
  CurrentContext()->rawTargetHeight = 4;
  px.reset(Render("box", seed, &w, &h, Limits(10)));
  CurrentContext()->rawTargetWidth = CurrentContext()->rawTargetHeight = 0;
  ASSERT_TRUE(px);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 4);

  ChildEnd end = ChildEnd::kDied;
  EXPECT_EQ(Render("refuse", seed, &w, &h, Limits(10), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 12u);
  EXPECT_EQ(end, ChildEnd::kAnswered);

  EXPECT_EQ(Render("explain", seed, &w, &h, Limits(10)), nullptr);
  EXPECT_STREQ(LibraryErrorText(GetLastLibraryError()), "bad RAW file: no such camera");

  // A picture the decoder refused for the pixel cap is named in the load's message.
  ClearRefusedSize();
  EXPECT_EQ(Render("too-large", seed, &w, &h, Limits(10)), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kErrNoMemory);
  EXPECT_NE(DescribeLoadError(kErrNoMemory).find("200000 x 100000"), std::string::npos);
  ClearRefusedSize();
}

TEST(ChildDecodeTest, AHelperThatDiesHangsOrLiesGivesTheFailureCode) {
  const std::vector<uint8_t> seed = {7, 8, 9};
  int w = 0, h = 0;
  ChildEnd end = ChildEnd::kAnswered;
  EXPECT_EQ(Render("die", seed, &w, &h, Limits(10), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  EXPECT_EQ(end, ChildEnd::kDied);

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Render("hang", seed, &w, &h, Limits(1), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  EXPECT_EQ(end, ChildEnd::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  // Sizes from the helper are checked like sizes from a file: a claimed 10-gigapixel picture is
  // refused before anything is allocated or waited for.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(Render("forged-size", seed, &w, &h, Limits(20), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kErrNoMemory);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // An answer of another form is not read at all.
  EXPECT_EQ(Render("forged-version", seed, &w, &h, Limits(10), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);

  // A decoder the helper does not have, and a helper that is not there.
  EXPECT_EQ(Render("no-such-decoder", seed, &w, &h, Limits(10), &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  ChildLimits missing = Limits(10);
  missing.helper = "/nonexistent/orv-decode";
  EXPECT_EQ(Render("echo", seed, &w, &h, missing, &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kErrNoDecodeHelper);
  EXPECT_EQ(end, ChildEnd::kNoHelper);
  EXPECT_STREQ(LibraryErrorText(kErrNoDecodeHelper),
               "the decoding helper orv-decode is not installed");

  // This process is unharmed and decodes on.
  LibraryBuffer px(Render("echo", seed, &w, &h, Limits(10)));
  ASSERT_TRUE(px);
  EXPECT_EQ(px[2], 9);
}

TEST(ChildDecodeTest, AProgramWithoutStandardErrorStillDecodes) {
  // Run with standard error closed (2>&-), the program has none to pass to the helper; the
  // memory file and the pipe made meanwhile must not take its place either.
  const int saved = fcntl(2, F_DUPFD_CLOEXEC, 3);
  ASSERT_GE(saved, 0);
  close(2);
  int w = 0, h = 0;
  ChildEnd end = ChildEnd::kDied;
  LibraryBuffer px(Render("echo", {4, 5, 6}, &w, &h, Limits(10), &end));
  const unsigned code = px ? 0u : GetLastLibraryError();
  const bool stillClosed = fcntl(2, F_GETFD) < 0;
  dup2(saved, 2);
  close(saved);
  EXPECT_TRUE(stillClosed);
  ASSERT_TRUE(px) << "error " << code;
  EXPECT_EQ(end, ChildEnd::kAnswered);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(px[2], 6);
}

TEST(ChildDecodeTest, TheMemoryCapStopsARunawayDecoder) {
  const std::vector<uint8_t> seed = {0, 0, 0};
  int w = 0, h = 0;
  ChildEnd end = ChildEnd::kAnswered;
  EXPECT_EQ(Render("hoard", seed, &w, &h, Limits(20, 256u << 20), &end), nullptr);
  // Refused (out of memory) or ended by the allocator: either way no picture and no harm here.
  EXPECT_TRUE(GetLastLibraryError() == kErrNoMemory || GetLastLibraryError() == kFailed);
  // The cap held only in the helper.
  std::vector<uint8_t> here(size_t(512) << 20, 1);
  EXPECT_EQ(here.back(), 1);
  // A small decoder under the same cap finishes.
  LibraryBuffer px(Render("echo", seed, &w, &h, Limits(20, 256u << 20)));
  EXPECT_TRUE(px);
}

TEST(ChildDecodeTest, TheRealHelperIsFoundAndServesSeveralThreads) {
  const std::string helper = DecodeHelperPath();
  ASSERT_FALSE(helper.empty());
  EXPECT_EQ(helper.substr(helper.rfind('/') + 1), "orv-decode");
  // Threads starting helpers at once, as a batch's workers do: each gets its own answer.
  std::vector<unsigned> codes(4, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < codes.size(); ++t)
    threads.emplace_back([&codes, t] {
      const std::vector<uint8_t> junk(1000 + t, uint8_t('x'));
      ChildLimits limits;
      limits.failureCode = kFailed;
      int w = 0, h = 0;
      uint8_t* px =
          RenderInChild(helper_decoder::kRaw, junk.data(), junk.size(), &w, &h, limits);
      FreeLibraryBuffer(px);
      codes[t] = px ? 0 : GetLastLibraryError();
    });
  for (std::thread& t : threads) t.join();
  for (unsigned code : codes) EXPECT_EQ(code, kErrBadRaw);
}

}  // namespace
}  // namespace orv
