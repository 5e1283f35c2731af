// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/TransformJpeg.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <vector>

#include "imageio/GeometryResult.h"

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

// A JPEG of the given size (4:2:0, so coding blocks are 16 x 16) with an EXIF APP1 segment and
// a comment inserted after the start marker.
Bytes MakeJpeg(int w, int h) {
  std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
      p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 5), p[2] = uint8_t((x ^ y) * 3);
    }
  tjhandle tj = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0), 0);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(tj);
  Bytes exif = {0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 1, 2, 3, 4};
  Bytes comment = {0xFF, 0xFE, 0x00, 0x07, 'h', 'e', 'l', 'l', 'o'};
  out.insert(out.begin() + 2, comment.begin(), comment.end());
  out.insert(out.begin() + 2, exif.begin(), exif.end());
  return out;
}

// The marker segments before the scan, each with its marker bytes.
std::vector<Bytes> Segments(const Bytes& jpeg, uint8_t marker) {
  std::vector<Bytes> found;
  size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF && jpeg[i + 1] != 0xDA) {
    const size_t len = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
    if (jpeg[i + 1] == marker)
      found.emplace_back(jpeg.begin() + long(i), jpeg.begin() + long(i + 2 + len));
    i += 2 + len;
  }
  return found;
}

struct Decoded {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
};

Decoded Decode(const Bytes& jpeg) {
  Decoded d;
  tjhandle tj = tjInitDecompress();
  int sub = 0, space = 0;
  EXPECT_EQ(tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &d.w, &d.h, &sub, &space), 0);
  d.rgb.resize(size_t(d.w) * size_t(d.h) * 3);
  EXPECT_EQ(tjDecompress2(tj, jpeg.data(), jpeg.size(), d.rgb.data(), d.w, 0, d.h, TJPF_RGB, 0), 0);
  tjDestroy(tj);
  return d;
}

TEST(TransformJpeg, FourQuarterTurnsRestoreThePictureAndKeepEveryMarker) {
  const Bytes start = MakeJpeg(48, 32);
  Bytes cur = start, next;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(TransformJpeg(cur.data(), cur.size(), kJpegRotate90, next), kGeometryOk);
    cur = next;
    const Decoded d = Decode(cur);
    EXPECT_EQ(d.w, i % 2 == 0 ? 32 : 48);
    EXPECT_EQ(Segments(cur, 0xE1), Segments(start, 0xE1));  // EXIF byte for byte
    EXPECT_EQ(Segments(cur, 0xFE), Segments(start, 0xFE));
  }
  EXPECT_EQ(Decode(cur).rgb, Decode(start).rgb);
  // Clockwise then counter-clockwise, and 180 twice, are identities too.
  Bytes back;
  ASSERT_EQ(TransformJpeg(start.data(), start.size(), kJpegRotate90, next), kGeometryOk);
  ASSERT_EQ(TransformJpeg(next.data(), next.size(), kJpegRotate270, back), kGeometryOk);
  EXPECT_EQ(Decode(back).rgb, Decode(start).rgb);
  ASSERT_EQ(TransformJpeg(start.data(), start.size(), kJpegRotate180, next), kGeometryOk);
  ASSERT_EQ(TransformJpeg(next.data(), next.size(), kJpegRotate180, back), kGeometryOk);
  EXPECT_EQ(Decode(back).rgb, Decode(start).rgb);
}

TEST(TransformJpeg, TrimsPartialBlocksThatWouldMoveToTheLeadingEdge) {
  // 35 x 21 in 16 x 16 blocks: turned clockwise, the partial bottom block row would become the
  // left edge and is dropped; the partial right column becomes the bottom and stays.
  const Bytes src = MakeJpeg(35, 21);
  Bytes out;
  ASSERT_EQ(TransformJpeg(src.data(), src.size(), kJpegRotate90, out), kGeometryOk);
  Decoded d = Decode(out);
  EXPECT_EQ(d.w, 16);
  EXPECT_EQ(d.h, 35);
  ASSERT_EQ(TransformJpeg(src.data(), src.size(), kJpegFlipLeftRight, out), kGeometryOk);
  d = Decode(out);
  EXPECT_EQ(d.w, 32);
  EXPECT_EQ(d.h, 21);
}

TEST(TransformJpeg, GreyscaleAndProgressiveFlags) {
  const Bytes src = MakeJpeg(32, 32);
  Bytes out;
  ASSERT_EQ(TransformJpeg(src.data(), src.size(), kJpegRotate180 | kJpegToGreyscale, out),
            kGeometryOk);
  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, sub = -1, space = -1;
  ASSERT_EQ(tjDecompressHeader3(tj, out.data(), out.size(), &w, &h, &sub, &space), 0);
  EXPECT_EQ(sub, TJSAMP_GRAY);
  ASSERT_EQ(TransformJpeg(src.data(), src.size(), kJpegTranspose | kJpegProgressive, out),
            kGeometryOk);
  bool progressive = false;
  for (size_t i = 0; i + 1 < out.size(); ++i) progressive |= out[i] == 0xFF && out[i + 1] == 0xC2;
  EXPECT_TRUE(progressive);
  tjDestroy(tj);
}

TEST(TransformJpeg, RejectsBadInput) {
  const Bytes src = MakeJpeg(16, 16);
  Bytes out = {1};
  EXPECT_EQ(TransformJpeg(nullptr, 10, kJpegRotate90, out), kGeometryBadParam);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(TransformJpeg(src.data(), src.size(), 8, out), kGeometryBadParam);
  EXPECT_EQ(TransformJpeg(src.data(), src.size(), kJpegRotate90 | 1u << 12, out),
            kGeometryBadParam);
  const Bytes junk(100, 0x55);
  EXPECT_EQ(TransformJpeg(junk.data(), junk.size(), kJpegRotate90, out), kGeometryBadJpeg);
  const Bytes cut(src.begin(), src.begin() + 40);
  EXPECT_EQ(TransformJpeg(cut.data(), cut.size(), kJpegRotate90, out), kGeometryBadJpeg);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace orv
