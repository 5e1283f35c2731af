// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering in a child process: the picture and error codes come back, and a renderer that dies
// or hangs costs only the failure code.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "imageio/metafile/ChildRender.h"

namespace orv {
namespace {

constexpr unsigned kFailed = 27;

// A 3 x 2 picture whose bytes count up from the first input byte.
uint8_t* CountingPicture(const uint8_t* data, size_t, int* w, int* h) {
  uint8_t* p = AllocatePixels(3, 2, 3, false);
  for (int i = 0; i < 18; ++i) p[i] = uint8_t(data[0] + i);
  *w = 3, *h = 2;
  return p;
}

TEST(ChildRenderTest, PicturesAndErrorsComeBack) {
  const uint8_t seed = 100;
  int w = 0, h = 0;
  LibraryBuffer px(RenderInChild(CountingPicture, &seed, 1, &w, &h, 10, kFailed));
  ASSERT_TRUE(px);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(px[size_t(i)], 100 + i);

  auto refuses = [](const uint8_t*, size_t, int*, int*) -> uint8_t* {
    SetLastLibraryError(12);
    return nullptr;
  };
  ChildEnd end = ChildEnd::kDied;
  EXPECT_EQ(RenderInChild(refuses, &seed, 1, &w, &h, 10, kFailed, &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 12u);
  EXPECT_EQ(end, ChildEnd::kAnswered);
}

TEST(ChildRenderTest, ARendererThatDiesOrHangsGivesTheFailureCode) {
  const uint8_t seed = 0;
  int w = 0, h = 0;
  auto dies = [](const uint8_t*, size_t, int*, int*) -> uint8_t* { std::abort(); };
  ChildEnd end = ChildEnd::kAnswered;
  EXPECT_EQ(RenderInChild(dies, &seed, 1, &w, &h, 10, kFailed, &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  EXPECT_EQ(end, ChildEnd::kDied);

  auto hangs = [](const uint8_t*, size_t, int*, int*) -> uint8_t* {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return nullptr;
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RenderInChild(hangs, &seed, 1, &w, &h, 1, kFailed, &end), nullptr);
  EXPECT_EQ(GetLastLibraryError(), kFailed);
  EXPECT_EQ(end, ChildEnd::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  // This process is unharmed and renders on.
  const uint8_t seed2 = 7;
  LibraryBuffer px(RenderInChild(CountingPicture, &seed2, 1, &w, &h, 10, kFailed));
  ASSERT_TRUE(px);
  EXPECT_EQ(px[17], 7 + 17);
}

}  // namespace
}  // namespace orv
