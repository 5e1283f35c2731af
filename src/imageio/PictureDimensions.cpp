#include "imageio/PictureDimensions.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imageio/ByteOrder.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"

namespace orv {
namespace {

bool ReadAt(ImageSource* f, int64_t offset, void* out, size_t n) {
  if (offset < 0 || !SeekSource(f, offset, SEEK_SET)) return false;
  return ReadSource(f, out, n) == n;
}


bool Keep(int64_t w, int64_t h, int& width, int& height) {
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
  width = int(w);
  height = int(h);
  return true;
}

bool JpegSize(ImageSource* f, int& width, int& height) {
  int64_t at = 2;
  // Markers are walked by their lengths; a frame header ends the walk.
  for (int guard = 0; guard < 4096; ++guard) {
    uint8_t m[2];
    if (!ReadAt(f, at, m, 2)) return false;
    if (m[0] != 0xFF) return false;
    if (m[1] == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    uint8_t marker = m[1];
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    uint8_t len[2];
    if (!ReadAt(f, at + 2, len, 2)) return false;
    uint32_t length = Be16(len);
    if (length < 2) return false;
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                 marker != 0xCC;
    if (frame) {
      uint8_t sof[5];
      if (length < 7 || !ReadAt(f, at + 4, sof, 5)) return false;
      return Keep(Be16(sof + 3), Be16(sof + 1), width, height);
    }
    if (marker == 0xD9 || marker == 0xDA) return false;  // no frame before the data
    at += 2 + int64_t(length);
  }
  return false;
}

bool TiffSize(ImageSource* f, bool little, int& width, int& height) {
  auto u16 = [&](const uint8_t* p) { return little ? Le16(p) : Be16(p); };
  auto u32 = [&](const uint8_t* p) { return little ? Le32(p) : Be32(p); };
  uint8_t head[8];
  if (!ReadAt(f, 0, head, 8)) return false;
  int64_t ifd = u32(head + 4);
  uint8_t countBytes[2];
  if (!ReadAt(f, ifd, countBytes, 2)) return false;
  uint32_t count = u16(countBytes);
  int64_t w = 0, h = 0;
  for (uint32_t i = 0; i < count && i < 4096; ++i) {
    uint8_t e[12];
    if (!ReadAt(f, ifd + 2 + int64_t(i) * 12, e, 12)) return false;
    uint32_t tag = u16(e), type = u16(e + 2);
    int64_t value = type == 3 ? int64_t(u16(e + 8)) : type == 4 ? int64_t(u32(e + 8)) : 0;
    if (tag == 256) w = value;
    if (tag == 257) h = value;
  }
  return Keep(w, h, width, height);
}

}  // namespace

bool ReadPictureDimensions(const std::string& path, int& width, int& height) {
  // A RAW's TIFF directories describe thumbnails as often as the sensor: its size is not known.
  if (IsCameraRawPath(path)) return false;
  // Opened through the image layer, which refuses anything but a regular file without blocking.
  SourcePtr f(OpenSourceFile(path.c_str()));
  if (!f) return false;
  uint8_t h[26] = {};
  size_t got = ReadSource(f.get(), h, sizeof h);
  if (got >= 3 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) return JpegSize(f.get(), width, height);
  if (got >= 24 && std::memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(h + 12, "IHDR", 4) == 0)
    return Keep(Be32(h + 16), Be32(h + 20), width, height);
  if (got >= 26 && h[0] == 'B' && h[1] == 'M') {
    uint32_t headerSize = Le32(h + 14);
    if (headerSize == 12) return Keep(Le16(h + 18), Le16(h + 20), width, height);
    int64_t bh = int32_t(Le32(h + 22));
    return Keep(int32_t(Le32(h + 18)), bh < 0 ? -bh : bh, width, height);
  }
  if (got >= 8 && ((h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0) ||
                   (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42)))
    return TiffSize(f.get(), h[0] == 'I', width, height);
  if (got >= 22 && std::memcmp(h, "8BPS", 4) == 0)
    return Keep(Be32(h + 18), Be32(h + 14), width, height);
  if (got >= 12 && h[0] == 0x0A && h[2] == 1)
    return Keep(int64_t(Le16(h + 8)) - Le16(h + 4) + 1, int64_t(Le16(h + 10)) - Le16(h + 6) + 1,
                width, height);
  if (got >= 16 && FormatFromExtension(path.c_str()) == kFormatTga) return Keep(Le16(h + 12), Le16(h + 14), width, height);
  return false;
}

}  // namespace orv
