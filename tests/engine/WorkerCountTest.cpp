// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WorkerCount.h"

#include <gtest/gtest.h>

#include <fstream>

#include "imageio/PictureDimensions.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

constexpr uint64_t kMiB = 1ull << 20;
constexpr uint64_t kGiB = 1ull << 30;

TEST(WorkerCount, CoresRequestsPhotosAndMemoryEachLimit) {
  WorkerBudget b;
  b.cores = 8;
  b.photos = 100;
  b.largestPixels = 24'000'000;
  b.availableBytes = 0;  // unknown: no memory limit
  EXPECT_EQ(ChooseWorkerCount(b), 8);
  b.requested = 3;
  EXPECT_EQ(ChooseWorkerCount(b), 3);
  b.requested = 12;  // asked for more than the cores: given, memory permitting
  EXPECT_EQ(ChooseWorkerCount(b), 12);
  b.requested = 0;
  b.photos = 2;
  EXPECT_EQ(ChooseWorkerCount(b), 2);
  b.photos = 0;
  EXPECT_EQ(ChooseWorkerCount(b), 8);
  b.cores = 0;
  EXPECT_EQ(ChooseWorkerCount(b), 1);
}

TEST(WorkerCount, MemoryBoundsTheWorkersOfLargePhotos) {
  // 24 MP: three pictures and two waiting outputs of 72 MB each, plus the fixed share.
  EXPECT_EQ(WorkerBytes(24'000'000), 24'000'000ull * 15 + 32 * kMiB);
  WorkerBudget b;
  b.cores = 2;
  b.photos = 8;
  b.largestPixels = 50'000'000;  // 782 MB a worker
  b.availableBytes = 24 * kGiB;
  EXPECT_EQ(ChooseWorkerCount(b), 2);
  b.availableBytes = 1 * kGiB;  // 3/4 of it holds one worker only
  EXPECT_EQ(ChooseWorkerCount(b), 1);
  b.availableBytes = 100 * kMiB;  // not even one: the run still goes, one photo at a time
  EXPECT_EQ(ChooseWorkerCount(b), 1);
  b.cores = 64;
  b.photos = 1000;
  b.largestPixels = 24'000'000;
  b.availableBytes = 4 * kGiB;  // 3 GiB planned / 392 MB
  EXPECT_EQ(ChooseWorkerCount(b), 8);
  b.largestPixels = UINT64_MAX / 2;  // absurd headers saturate instead of wrapping
  EXPECT_EQ(ChooseWorkerCount(b), 1);
}

TEST(WorkerCount, ReadsMemAvailableFromMeminfo) {
  EXPECT_EQ(ParseMemAvailable("MemTotal:       24000000 kB\nMemFree:  100 kB\n"
                              "MemAvailable:   16384 kB\nBuffers: 1 kB\n"),
            16384ull * 1024);
  EXPECT_EQ(ParseMemAvailable("MemTotal: 5 kB\n"), 0u);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: lots\n"), 0u);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: 12 MB\n"), 0u);
  EXPECT_EQ(ParseMemAvailable(""), 0u);
  EXPECT_GE(UsableCores(), 1);
}

TEST(PictureDimensions, ReadFromHeadersOfEveryPlannedFormat) {
  test::TempDir dir;
  const ImageFormat formats[] = {kFormatJpeg, kFormatPng, kFormatBmp, kFormatTiff,
                                 kFormatPcx,  kFormatTga, kFormatPsd};
  const char* names[] = {"p.jpg", "p.png", "p.bmp", "p.tif", "p.pcx", "p.tga", "p.psd"};
  for (size_t i = 0; i < std::size(formats); ++i) {
    std::string path = dir / names[i];
    if (!test::WritePicture(path, 37, 23, formats[i])) continue;  // no encoder for it
    int w = 0, h = 0;
    EXPECT_TRUE(ReadPictureDimensions(path, w, h)) << names[i];
    EXPECT_EQ(w, 37) << names[i];
    EXPECT_EQ(h, 23) << names[i];
  }
  // The camera sample has an EXIF segment with a thumbnail before its frame header.
  int w = 0, h = 0;
  EXPECT_TRUE(ReadPictureDimensions(ORV_SOURCE_DIR "/samples/test1.jpg", w, h));
  EXPECT_GT(w, 0);
  // Damaged and unknown files give no size.
  test::WriteText(dir / "cut.jpg", std::string("\xFF\xD8\xFF\xE1\x40\x00", 6));
  EXPECT_FALSE(ReadPictureDimensions(dir / "cut.jpg", w, h));
  test::WriteText(dir / "zero.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\0\0\0\0\1", 24));
  EXPECT_FALSE(ReadPictureDimensions(dir / "zero.png", w, h));
  test::WriteText(dir / "x.txt", "hello");
  EXPECT_FALSE(ReadPictureDimensions(dir / "x.txt", w, h));
  EXPECT_FALSE(ReadPictureDimensions(dir / "missing.jpg", w, h));
}

}  // namespace
}  // namespace orv
