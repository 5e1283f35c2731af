// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The text of an entry: each element formatted by its type, joined by ", ". Elements are read
// from the parse result's block copy in the block's byte order, so MM and II blocks holding the
// same values give the same texts.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "exif/ExifByteReader.h"
#include "exif/ExifReader.h"

namespace orv {
namespace {

constexpr const char* kUnknownFormat = "Unknown Format";

// UNDEFINED tags whose four value bytes are a version string such as "0210".
bool IsVersionTag(uint16_t tag) {
  return tag == 0x0002 || tag == 0x9000 || tag == 0xA000;
}
// UNDEFINED tags that carry one small number in their first byte.
bool IsSingleByteTag(uint16_t tag) {
  return tag == 0xA300 || tag == 0xA301;
}

void AppendFormatted(std::string& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

void AppendFormatted(std::string& out, const char* format, ...) {
  // "%6.4f" of the largest double needs a little over 300 characters.
  char buf[400];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n > 0) out.append(buf, size_t(n) < sizeof buf ? size_t(n) : sizeof buf - 1);
}

double FloatFromBits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

double DoubleFromBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

void AppendElement(std::string& out, const ExifByteReader& in, uint16_t type, uint64_t at) {
  uint8_t u8 = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0, u32b = 0;
  uint64_t u64 = 0;
  switch (type) {
    case kExifByte:
      if (in.U8(at, u8)) AppendFormatted(out, "%d", int(u8));
      break;
    case kExifSByte:
      if (in.U8(at, u8)) AppendFormatted(out, "%d", int(int8_t(u8)));
      break;
    case kExifShort:
      if (in.U16(at, u16)) AppendFormatted(out, "%d", int(u16));
      break;
    case kExifSShort:
      if (in.U16(at, u16)) AppendFormatted(out, "%d", int(int16_t(u16)));
      break;
    case kExifLong:  // printed signed, as LONG values always have been
    case kExifSLong:
      if (in.U32(at, u32)) AppendFormatted(out, "%d", int(int32_t(u32)));
      break;
    case kExifRational:
      if (in.U32(at, u32) && in.U32(at + 4, u32b)) AppendFormatted(out, "%u/%u", u32, u32b);
      break;
    case kExifSRational:
      if (in.U32(at, u32) && in.U32(at + 4, u32b)) {
        AppendFormatted(out, "%d/%d", int(int32_t(u32)), int(int32_t(u32b)));
      }
      break;
    case kExifFloat:
      if (in.U32(at, u32)) AppendFormatted(out, "%6.4f", FloatFromBits(u32));
      break;
    case kExifDouble:
      if (in.U64(at, u64)) AppendFormatted(out, "%6.4f", DoubleFromBits(u64));
      break;
    default:
      break;
  }
}

// A string of at most `count` bytes at `at`, cut at the first NUL.
std::string CString(const CExifData& data, uint64_t at, uint64_t count) {
  if (!RangeInside(at, count, data.block.size())) return {};
  const char* p = reinterpret_cast<const char*>(data.block.data() + at);
  const void* nul = std::memchr(p, 0, size_t(count));
  return std::string(p, nul ? static_cast<const char*>(nul) - p : ptrdiff_t(count));
}

std::string UndefinedText(const CExifData& data, const CExifEntry& entry) {
  // The leading value bytes: the value field itself when the data fits there, which holds four
  // bytes even when the count says fewer.
  if (IsVersionTag(entry.tag)) return CString(data, entry.dataOffset, 4);
  if (IsSingleByteTag(entry.tag)) {
    if (!RangeInside(entry.dataOffset, 1, data.block.size())) return {};
    return std::to_string(int(data.block[entry.dataOffset]));
  }
  return kUnknownFormat;
}

}  // namespace

std::string ExifEntryText(const CExifData& data, const CExifEntry& entry) {
  if (entry.type == kExifAscii) return CString(data, entry.dataOffset, entry.count);
  if (entry.type == kExifUndefined) return UndefinedText(data, entry);
  const uint32_t size = ExifTypeSize(entry.type);
  if (size == 0) return {};
  const ExifByteReader in(data.block.data(), data.block.size(), data.bigEndian);
  std::string out;
  for (uint64_t i = 0; i < entry.count; ++i) {
    if (i > 0) out += ", ";
    AppendElement(out, in, entry.type, entry.dataOffset + i * size);
  }
  return out;
}

}  // namespace orv
