// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the image layer tests: synthetic pictures, byte builders for hand-made files, and
// decoding from memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imageio/ImageIo.h"
#include "imageio/PixelBuffer.h"
#include "support/TempDir.h"

namespace orv::testing {

// A picture whose every pixel differs from its neighbours, so row or channel mix-ups show.
inline std::vector<uint8_t> Pattern(int w, int h) {
  std::vector<uint8_t> p(size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* q = &p[(size_t(y) * size_t(w) + size_t(x)) * 3];
      q[0] = uint8_t(x * 37 + y * 11);
      q[1] = uint8_t(y * 53 + 7);
      q[2] = uint8_t((x ^ y) * 29 + 3);
    }
  return p;
}

struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(unsigned x) {
    v.push_back(uint8_t(x));
    return *this;
  }
  Bytes& le16(unsigned x) { return u8(x & 0xFF).u8(x >> 8 & 0xFF); }
  Bytes& le32(uint32_t x) { return le16(x & 0xFFFF).le16(x >> 16); }
  Bytes& be16(unsigned x) { return u8(x >> 8 & 0xFF).u8(x & 0xFF); }
  Bytes& be32(uint32_t x) { return be16(x >> 16).be16(x & 0xFFFF); }
  Bytes& str(const char* s) {
    while (*s) u8(uint8_t(*s++));
    return *this;
  }
  Bytes& fill(size_t n, uint8_t x) {
    v.insert(v.end(), n, x);
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& b) {
    v.insert(v.end(), b.begin(), b.end());
    return *this;
  }
};

struct Decoded {
  LibraryBuffer pixels;
  int width = 0, height = 0;
  unsigned error = 0;
  std::vector<uint8_t> vec() const {
    return pixels ? std::vector<uint8_t>(pixels.get(),
                                         pixels.get() + size_t(width) * size_t(height) * 3)
                  : std::vector<uint8_t>();
  }
};

using DecodeFn = uint8_t* (*)(ImageSource*, int, int*, int*);

Decoded DecodeMemory(DecodeFn fn, const std::vector<uint8_t>& data);

// Encodes into a growing memory block through the callback destination.
using EncodeFn = bool (*)(ImageDest*, const uint8_t*, int, int, int);
std::vector<uint8_t> EncodeMemory(EncodeFn fn, const std::vector<uint8_t>& pixels, int w, int h);

// A JPEG written by libjpeg itself, not through the library layer: the luma's sampling factors
// (chroma 1 x 1; colour pictures only), quality, optimized tables, restart markers, progressive
// and arithmetic coding.
struct LibjpegSettings {
  int lumaH = 2, lumaV = 2;
  int quality = 90;
  bool optimize = false;
  int restartRows = 0;
  bool progressive = false;
  bool arithmetic = false;
};
// Encodes w x h pixels of `components` bytes each (1 grey, 3 RGB, 4 CMYK); empty when libjpeg
// refuses the settings.
std::vector<uint8_t> EncodeWithLibjpeg(const uint8_t* pixels, int w, int h, int components,
                                       const LibjpegSettings& s);

// A fresh empty folder under the build tree, removed with its contents at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

using test::ReadFileBytes;
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& data);
using test::SamplePath;

}  // namespace orv::testing
