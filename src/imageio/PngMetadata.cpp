#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "imageio/ByteOrder.h"
#include "imageio/IccProfile.h"
#include "imageio/ImageIo.h"
#include "imageio/MetadataReaders.h"
#include "imageio/XmpPacket.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// What one file's metadata may inflate to, all chunks together: a few megabytes of deflate data
// can claim gigabytes, and a file may hold many such chunks.
constexpr size_t kInflateBudget = size_t(kMaxMetadataPart) + (16u << 20);

// Inflates a zlib stream, refusing output beyond kMaxMetadataPart or what is left of the file's
// budget (which every byte inflated uses up, kept or not); empty on any error.
std::vector<uint8_t> Inflate(const uint8_t* data, size_t size, size_t& budget) {
  std::vector<uint8_t> out;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return out;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  int rc = Z_OK;
  uint8_t buffer[16384];
  while (rc == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    const size_t n = sizeof buffer - z.avail_out;
    if (out.size() + n > kMaxMetadataPart || n > budget) {
      budget = n > budget ? 0 : budget;
      rc = Z_MEM_ERROR;
      break;
    }
    budget -= n;
    out.insert(out.end(), buffer, buffer + n);
    if (rc == Z_OK && n == 0 && z.avail_in == 0) rc = Z_DATA_ERROR;  // stream cut short
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) out.clear();
  return out;
}

// iCCP: name, zero, compression method 0, zlib stream.
void ReadIcc(const std::vector<uint8_t>& chunk, PhotoMetadata& meta, size_t& budget) {
  if (chunk.empty()) return;  // an empty chunk has no storage to search
  const void* zero = std::memchr(chunk.data(), 0, std::min<size_t>(chunk.size(), 80));
  if (!zero) return;
  const size_t at = size_t(static_cast<const uint8_t*>(zero) - chunk.data()) + 1;
  if (at + 1 >= chunk.size() || chunk[at] != 0) return;
  std::vector<uint8_t> profile = Inflate(chunk.data() + at + 1, chunk.size() - at - 1, budget);
  if (PlausibleIccProfile(profile)) meta.icc = std::move(profile);
}

// iTXt: keyword, zero, compression flag and method, language, zero, translated keyword, zero,
// text. True when the chunk is an XMP chunk (whether or not its packet could be read): only the
// first one is read.
bool ReadXmp(const std::vector<uint8_t>& chunk, PhotoMetadata& meta, size_t& budget) {
  static constexpr char kKeyword[] = "XML:com.adobe.xmp";
  if (chunk.size() < sizeof kKeyword + 2 || std::memcmp(chunk.data(), kKeyword, sizeof kKeyword))
    return false;
  size_t at = sizeof kKeyword;
  const bool compressed = chunk[at] != 0;
  at += 2;
  for (int field = 0; field < 2; ++field) {
    const void* zero = std::memchr(chunk.data() + at, 0, chunk.size() - at);
    if (!zero) return true;
    at = size_t(static_cast<const uint8_t*>(zero) - chunk.data()) + 1;
  }
  std::vector<uint8_t> packet =
      compressed ? Inflate(chunk.data() + at, chunk.size() - at, budget)
                 : std::vector<uint8_t>(chunk.begin() + std::ptrdiff_t(at), chunk.end());
  if (PlausibleXmpPacket(packet)) meta.xmp = std::move(packet);
  return true;
}

void ReadExif(const std::vector<uint8_t>& chunk, PhotoMetadata& meta) {
  static constexpr uint8_t kLittle[4] = {'I', 'I', 42, 0}, kBig[4] = {'M', 'M', 0, 42};
  if (chunk.size() >= 8 &&
      (std::memcmp(chunk.data(), kLittle, 4) == 0 || std::memcmp(chunk.data(), kBig, 4) == 0))
    meta.exif = chunk;
}

}  // namespace

bool ReadSourceBytes(ImageSource* source, uint64_t offset, uint64_t size,
                     std::vector<uint8_t>& out) {
  if (size > kMaxMetadataPart || !RangeInside(offset, size, SourceSize(source))) return false;
  if (offset > uint64_t(INT64_MAX) || !SeekSource(source, int64_t(offset), SEEK_SET)) return false;
  try {
    out.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ReadSource(source, out.data(), out.size()) == out.size();
}

PhotoMetadata ReadPngMetadata(ImageSource* source) {
  PhotoMetadata meta;
  uint8_t head[8];
  if (!SeekSource(source, 0, SEEK_SET) || ReadSource(source, head, 8) != 8 ||
      std::memcmp(head, kPngSignature, 8) != 0)
    return meta;
  uint64_t at = 8;
  std::vector<uint8_t> chunk;
  size_t budget = kInflateBudget;
  bool xmpSeen = false;
  try {
    while (true) {
      uint8_t header[8];
      if (!SeekSource(source, int64_t(at), SEEK_SET) || ReadSource(source, header, 8) != 8) break;
      const uint32_t length = Be32(header);
      const std::string_view type(reinterpret_cast<const char*>(header + 4), 4);
      if (length > 0x7FFFFFFFu || type == "IEND") break;
      if (type == "iCCP" || type == "iTXt" || type == "eXIf") {
        std::vector<uint8_t> crcBytes;
        if (ReadSourceBytes(source, at + 8, length, chunk) &&
            ReadSourceBytes(source, at + 8 + length, 4, crcBytes)) {
          uLong crc = crc32(0, header + 4, 4);
          crc = crc32(crc, chunk.data(), uInt(chunk.size()));
          if (crc == Be32(crcBytes.data())) {
            if (type == "iCCP" && meta.icc.empty()) ReadIcc(chunk, meta, budget);
            if (type == "iTXt" && !xmpSeen) xmpSeen = ReadXmp(chunk, meta, budget);
            if (type == "eXIf" && meta.exif.empty()) ReadExif(chunk, meta);
          }
        }
      }
      at += uint64_t(length) + 12;
    }
  } catch (const std::bad_alloc&) {
    // What was read so far stays; the rest is left out.
  }
  return meta;
}

}  // namespace orv
