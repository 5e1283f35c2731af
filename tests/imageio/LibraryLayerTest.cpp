// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The layer's plumbing: error texts and per-thread last errors, sources, destinations and
// format recognition.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "CodecTestSupport.h"
#include "imageio/Codecs.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/MemoryDest.h"

namespace orv {
namespace {

using testing::Bytes;

TEST(LibraryErrorTest, TextsAndThreadContexts) {
  EXPECT_STREQ(LibraryErrorText(0), "no err");
  EXPECT_STREQ(LibraryErrorText(9), "bad JPG file");
  EXPECT_STREQ(LibraryErrorText(32), "bad TGA File");
  EXPECT_STREQ(LibraryErrorText(36), "LZW de/compression is not permitted");
  for (unsigned code : {8u, 12u, 33u, 34u, 37u, 55u, 4000000000u}) {
    EXPECT_EQ(std::string(LibraryErrorText(code)), "Error #" + std::to_string(code) + "!");
  }
  // A thread that never called into the layer has no context.
  unsigned fresh = 0, afterCall = 99;
  std::thread([&] {
    fresh = GetLastLibraryError();
    SetJpegDecodeScale(1, 1);
    afterCall = GetLastLibraryError();
  }).join();
  EXPECT_EQ(fresh, 55u);
  EXPECT_EQ(afterCall, 0u);
  // Errors stay on their own thread.
  SetLastLibraryError(17);
  std::thread([] { SetLastLibraryError(3); }).join();
  EXPECT_EQ(GetLastLibraryError(), 17u);
}

TEST(LibraryErrorTest, ShutdownFreesContextsAndThreadsStartAfresh) {
  SetLastLibraryError(17);  // kept until shutdown
  ShutdownImageLibrary();
  EXPECT_EQ(GetLastLibraryError(), 55u);
  EXPECT_EQ(GetJpegInputCommentCount(), 0);
  EXPECT_EQ(GetLastLibraryError(), 0u);
}

TEST(SourceTest, FileAndMemorySources) {
  EXPECT_EQ(OpenSourceFile("/nonexistent/file.jpg"), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 2u);
  const char data[] = "0123456789";
  ImageSource* s = OpenSourceMemory(data, 10);
  ASSERT_NE(s, nullptr);
  char buf[16] = {};
  EXPECT_TRUE(SeekSource(s, -3, SEEK_END));
  EXPECT_EQ(ReadSource(s, buf, 16), 3u);
  EXPECT_STREQ(buf, "789");
  EXPECT_FALSE(SeekSource(s, 11, SEEK_SET));
  EXPECT_FALSE(SeekSource(s, -1, SEEK_SET));
  EXPECT_FALSE(SeekSource(s, INT64_MAX, SEEK_CUR));
  CloseSource(s);
  EXPECT_FALSE(SeekSource(nullptr, 0, SEEK_SET));
  EXPECT_EQ(GetLastLibraryError(), 38u);
}

TEST(DestTest, FileDestinationAppearsOnlyAfterSuccess) {
  testing::TempDir dir;
  const std::string path = dir.File("out.bmp");
  auto px = testing::Pattern(5, 3);
  ImageDest* d = OpenDestFile(path.c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(WriteBmp(d, px.data(), 5, 3, 24, 16777216, nullptr));
  EXPECT_FALSE(std::filesystem::exists(path));  // still under its temporary name
  EXPECT_TRUE(CloseDest(d));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  // A failed encode leaves neither the file nor a temporary.
  const std::string bad = dir.File("bad.bmp");
  d = OpenDestFile(bad.c_str());
  EXPECT_FALSE(WriteBmp(d, px.data(), 5, 3, 16, 0, nullptr));
  EXPECT_FALSE(CloseDest(d));
  EXPECT_FALSE(std::filesystem::exists(bad));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_EQ(OpenDestFile(dir.File("missing/x.bmp").c_str()), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 2u);
}

TEST(DestTest, CallbackDestinationNeedsAllSevenFunctions) {
  struct Counter {
    size_t bytes = 0;
    ImageDest* opened = nullptr;
    bool closedFailed = true;
  } counter;
  DestCallbacks cb{[](ImageDest* d, void* o) {
                     static_cast<Counter*>(o)->opened = d;
                     return true;
                   },
                   [](void* o, const void*, size_t n) {
                     static_cast<Counter*>(o)->bytes += n;
                     return n;
                   },
                   [](void*, int64_t, int) { return true; },
                   [](void* o) { return int64_t(static_cast<Counter*>(o)->bytes); },
                   [](void* o) { return int64_t(static_cast<Counter*>(o)->bytes); },
                   [](void*) { return true; },
                   [](void* o, bool failed) { static_cast<Counter*>(o)->closedFailed = failed; },
                   nullptr};
  DestCallbacks missing = cb;
  missing.size = nullptr;
  EXPECT_EQ(OpenDestCallbacks(&missing, &counter), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 5u);
  ImageDest* d = OpenDestCallbacks(&cb, &counter);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(counter.opened, d);  // the open function sees the new handle at once
  auto px = testing::Pattern(40, 30);
  uint64_t size = WriteJpeg(d, px.data(), 40, 30, JpegEncodeOptions{});
  EXPECT_GT(size, 0u);
  EXPECT_EQ(size, counter.bytes);  // the size callback's answer
  CloseDest(d);
  EXPECT_FALSE(counter.closedFailed);
}

// The in-memory destinations hold what a file would: an encoder that seeks back to patch a
// header (TIFF, PNG's chunk lengths) gives the same bytes into a vector as into a file, and the
// counter gives its length.
TEST(DestTest, VectorAndCounterHoldWhatAFileWould) {
  testing::TempDir dir;
  auto px = testing::Pattern(33, 17);
  auto encodeTiff = [&](ImageDest* d) { return WriteTiff(d, px.data(), 33, 17, 24, nullptr); };
  ImageDest* file = OpenDestFile(dir.File("a.tif").c_str());
  ASSERT_TRUE(encodeTiff(file));
  ASSERT_TRUE(CloseDest(file));
  const std::vector<uint8_t> onDisk = testing::ReadFileBytes(dir.File("a.tif"));

  std::vector<uint8_t> bytes(5, 0xAA);  // emptied by the open, capacity kept
  ImageDest* vec = OpenDestVector(&bytes);
  ASSERT_TRUE(encodeTiff(vec));
  ASSERT_TRUE(CloseDest(vec));
  EXPECT_EQ(bytes, onDisk);

  ImageDest* counter = OpenDestCounter();
  ASSERT_TRUE(encodeTiff(counter));
  EXPECT_EQ(DestSize(counter), int64_t(onDisk.size()));
  ASSERT_TRUE(CloseDest(counter));

  // Seeks stay inside 0..INT64_MAX.
  ImageDest* seeker = OpenDestCounter();
  EXPECT_FALSE(SeekDest(seeker, -1, SEEK_SET));
  EXPECT_TRUE(SeekDest(seeker, 10, SEEK_SET));
  EXPECT_FALSE(SeekDest(seeker, INT64_MAX, SEEK_CUR));
  CloseDest(seeker);
  EXPECT_EQ(OpenDestVector(nullptr), nullptr);
  EXPECT_EQ(GetLastLibraryError(), 5u);
}

// A whole photo's bytes in one write go past the page cache; the writes before and after it,
// a seek back over it and the file placed at the end keep every byte where a plain file puts it.
TEST(DestTest, AFileTakesLargeWritesAmongSmallOnesAndSeeks) {
  testing::TempDir dir;
  std::vector<uint8_t> big(size_t(3) << 20);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 131 + i / 4096);
  const std::string path = dir.File("large.bin");
  ImageDest* d = OpenDestFile(path.c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(WriteDest(d, "head", 4));
  ASSERT_TRUE(WriteDest(d, big.data(), big.size()));
  EXPECT_EQ(DestPosition(d), int64_t(4 + big.size()));
  ASSERT_TRUE(WriteDest(d, "tail", 4));
  ASSERT_TRUE(SeekDest(d, 1, SEEK_SET));
  ASSERT_TRUE(WriteDest(d, "E", 1));
  EXPECT_EQ(DestSize(d), int64_t(8 + big.size()));
  ASSERT_TRUE(CloseDest(d));
  std::vector<uint8_t> expected{'h', 'E', 'a', 'd'};
  expected.insert(expected.end(), big.begin(), big.end());
  expected.insert(expected.end(), {'t', 'a', 'i', 'l'});
  EXPECT_EQ(testing::ReadFileBytes(path), expected);
}

TEST(DestTest, RoomIsWhereTheNextBytesGoAndOnlyWhereNothingMustGrow) {
  // A vector with room reserved: the room starts right after the bytes written, and a write
  // lands there without moving the vector.
  std::vector<uint8_t> bytes;
  bytes.reserve(64);
  ImageDest* vec = OpenDestVector(&bytes);
  ASSERT_TRUE(WriteDest(vec, "abc", 3));
  uint8_t* room = DestRoom(vec, 61);
  ASSERT_EQ(room, bytes.data() + 3);
  EXPECT_EQ(DestRoom(vec, 62), nullptr) << "beyond the reserved room";
  ASSERT_TRUE(WriteDest(vec, "de", 2));
  EXPECT_EQ(std::memcmp(room, "de", 2), 0);
  // After a seek back the next bytes overwrite: no room to place.
  ASSERT_TRUE(SeekDest(vec, 1, SEEK_SET));
  EXPECT_EQ(DestRoom(vec, 1), nullptr);
  ASSERT_TRUE(CloseDest(vec));

  // A fixed memory block: the rest of it; files and counters have none.
  uint8_t block[16];
  ImageDest* memory = OpenDestMemory(block, sizeof block);
  ASSERT_TRUE(WriteDest(memory, "xy", 2));
  EXPECT_EQ(DestRoom(memory, 14), block + 2);
  EXPECT_EQ(DestRoom(memory, 15), nullptr);
  CloseDest(memory);
  ImageDest* counter = OpenDestCounter();
  EXPECT_EQ(DestRoom(counter, 1), nullptr);
  CloseDest(counter);
  testing::TempDir dir;
  ImageDest* file = OpenDestFile(dir.File("room.bin").c_str());
  EXPECT_EQ(DestRoom(file, 1), nullptr);
  MarkDestFailed(file);
  CloseDest(file);
  EXPECT_EQ(DestRoom(nullptr, 1), nullptr);
}

TEST(FormatTest, SignaturesInTableOrder) {
  auto guess = [](std::vector<uint8_t> head) {
    head.resize(44, 0x55);
    ImageSource* s = OpenSourceMemory(head.data(), head.size());
    int code = GuessSourceFormat(s);
    CloseSource(s);
    return code;
  };
  EXPECT_EQ(guess({'B', 'M'}), 1);
  EXPECT_EQ(guess({'P', 'A', 'X'}), 9);
  EXPECT_EQ(guess({'G', 'I', 'F', '8', '7', 'a'}), 2);
  EXPECT_EQ(guess({0xFF, 0xD8, 0xFF, 0xE1}), 3);
  EXPECT_EQ(guess({0x0A, 0x05}), 5);
  EXPECT_EQ(guess({0x0A, 0x04}), 0);
  EXPECT_EQ(guess({'I', 'I', 42, 0}), 6);
  EXPECT_EQ(guess({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), 4);
  EXPECT_EQ(guess({0xD7, 0xCD, 0xC6, 0x9A}), 7);
  EXPECT_EQ(guess({'8', 'B', 'P', 'S'}), 10);
  EXPECT_EQ(guess({'T', 'L', 'A', 'U'}), 12);
  EXPECT_EQ(guess({0, 0, 2}), 13);  // a memory source has no extension to make it TGA
  std::vector<uint8_t> emf(44, 0x55);
  std::memcpy(&emf[40], " EMF", 4);
  EXPECT_EQ(guess(emf), 8);
  std::vector<uint8_t> shortFile(43, 0);
  ImageSource* s = OpenSourceMemory(shortFile.data(), shortFile.size());
  EXPECT_EQ(GuessSourceFormat(s), 0);
  EXPECT_EQ(GetLastLibraryError(), 3u);
  CloseSource(s);

  EXPECT_EQ(FormatFromContent(0), kFormatUnknown);
  EXPECT_EQ(FormatFromContent(3), kFormatJpeg);
  EXPECT_EQ(FormatFromContent(13), kFormatUnknown);
  EXPECT_EQ(FormatFromExtension("/a/b.c/photo.jpeg"), kFormatJpeg);
  EXPECT_EQ(FormatFromExtension("x.TiF"), kFormatTiff);
  EXPECT_EQ(FormatFromExtension("x.tga"), kFormatTga);
  EXPECT_EQ(FormatFromExtension("noext"), kFormatUnknown);
}

TEST(FormatTest, ContentWinsAndTgaGoesByExtension) {
  testing::TempDir dir;
  auto px = testing::Pattern(6, 4);
  // A PNG named .jpg and a JPEG named .png load by content.
  auto png = testing::EncodeMemory(
      [](ImageDest* d, const uint8_t* p, int w, int h, int) {
        return WritePng(d, p, w, h, PngEncodeOptions{});
      },
      px, 6, 4);
  testing::WriteFileBytes(dir.File("png.jpg"), png);
  CImageFile a;
  ASSERT_EQ(a.Load(dir.File("png.jpg").c_str()), 0u);
  EXPECT_EQ(a.format(), kFormatPng);
  EXPECT_EQ(std::memcmp(a.image().pixels(), px.data(), px.size()), 0);

  CImageFile jpeg;
  ASSERT_EQ(jpeg.SetPixels(px.data(), 6, 4), 0u);
  ASSERT_EQ(jpeg.Save(dir.File("real.jpg").c_str(), kFormatJpeg), 0u);
  std::filesystem::rename(dir.File("real.jpg"), dir.File("jpeg.png"));
  CImageFile b;
  ASSERT_EQ(b.Load(dir.File("jpeg.png").c_str()), 0u);
  EXPECT_EQ(b.format(), kFormatJpeg);

  // A TGA loads by its extension in either case, and not under another name.
  auto tga = testing::EncodeMemory(WriteTga, px, 6, 4);
  testing::WriteFileBytes(dir.File("t.TGA"), tga);
  testing::WriteFileBytes(dir.File("t.dat"), tga);
  CImageFile c, d;
  EXPECT_EQ(c.Load(dir.File("t.TGA").c_str()), 0u);
  EXPECT_EQ(c.format(), kFormatTga);
  EXPECT_NE(d.Load(dir.File("t.dat").c_str()), 0u);
  EXPECT_TRUE(d.image().empty());

  // Zero bytes, GIF and PAX: no pixels and an error, never success.
  testing::WriteFileBytes(dir.File("empty.jpg"), {});
  CImageFile e;
  EXPECT_EQ(e.Load(dir.File("empty.jpg").c_str()), 9u);
  Bytes gif;
  gif.str("GIF89a").fill(60, 0);
  testing::WriteFileBytes(dir.File("a.gif"), gif.v);
  CImageFile g;
  EXPECT_EQ(g.Load(dir.File("a.gif").c_str()), 5u);
  EXPECT_EQ(g.format(), kFormatGif);
  EXPECT_TRUE(g.image().empty());
  EXPECT_EQ(g.Load(dir.File("missing.bmp").c_str()), 2u);
}

TEST(ImageFileTest, SetPixelsLocksAndSaveFormats) {
  testing::TempDir dir;
  CImageFile f;
  auto px = testing::Pattern(3, 2);
  EXPECT_EQ(f.SetPixels(px.data(), 3, 2), 0u);
  px[0] ^= 0xFF;  // the object holds its own copy
  EXPECT_NE(f.image().pixels()[0], px[0]);
  uint8_t* p = f.LockPixels();
  EXPECT_EQ(p, f.image().pixels());
  f.LockPixels();
  EXPECT_EQ(f.lockCount(), 2);
  f.UnlockPixels();
  f.UnlockPixels();
  EXPECT_EQ(f.lockCount(), 0);
  // GIF and PAX outputs write nothing.
  EXPECT_EQ(f.Save(dir.File("x.gif").c_str(), kFormatGif), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.gif")));
  EXPECT_EQ(f.SetPixels(nullptr, 3, 2), 1u);
  EXPECT_TRUE(f.image().empty());
  EXPECT_EQ(f.Save(dir.File("y.bmp").c_str(), kFormatBmp), 5u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("y.bmp")));
}

}  // namespace
}  // namespace orv
