#include "imageio/IccProfile.h"

#include <lcms2.h>

#include <cstring>

#include "imageio/ByteOrder.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

bool SignatureAt(std::span<const uint8_t> b, size_t at, const char* sig) {
  return RangeInside(at, 4, b.size()) && std::memcmp(b.data() + at, sig, 4) == 0;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | c >> 6);
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | c >> 12);
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | c >> 18);
    out += char(0x80 | (c >> 12 & 0x3F));
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// v2 textDescriptionType: signature, 4 reserved bytes, ASCII count (with its zero), ASCII.
std::string AsciiDescription(std::span<const uint8_t> tag) {
  if (tag.size() < 12) return {};
  const uint32_t count = Be32(tag.data() + 8);
  if (!RangeInside(12, count, tag.size())) return {};
  std::string text(reinterpret_cast<const char*>(tag.data() + 12), count);
  text.resize(std::strlen(text.c_str()));
  return text;
}

// v4 multiLocalizedUnicodeType: the first record's UTF-16BE text.
std::string UnicodeDescription(std::span<const uint8_t> tag) {
  if (tag.size() < 16) return {};
  const uint32_t records = Be32(tag.data() + 8), recordSize = Be32(tag.data() + 12);
  if (records == 0 || recordSize < 12 || !RangeInside(16, 12, tag.size())) return {};
  const uint32_t length = Be32(tag.data() + 20), offset = Be32(tag.data() + 24);
  if (!RangeInside(offset, length, tag.size())) return {};
  std::string out;
  for (uint32_t i = 0; i + 1 < length; i += 2) {
    uint32_t c = Be16(tag.data() + offset + i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < length) {
      uint32_t low = Be16(tag.data() + offset + i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c == 0) break;
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // an unpaired surrogate
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

bool PlausibleIccProfile(std::span<const uint8_t> profile) {
  if (profile.size() < kIccHeaderSize + 4) return false;
  if (Be32(profile.data() + 0) != profile.size() || !SignatureAt(profile, 36, "acsp")) return false;
  uint64_t tableEnd = 0;
  return CheckedMul<uint64_t>(Be32(profile.data() + kIccHeaderSize), 12, tableEnd) &&
         RangeInside(kIccHeaderSize + 4, tableEnd, profile.size());
}

bool IsRgbIccProfile(std::span<const uint8_t> profile) {
  if (!PlausibleIccProfile(profile) || !SignatureAt(profile, 16, "RGB ")) return false;
  // Every tag lies inside the profile: a viewer reading one that points elsewhere reads memory
  // that is not the profile's.
  const uint32_t count = Be32(profile.data() + kIccHeaderSize);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = kIccHeaderSize + 4 + size_t(i) * 12;
    if (!RangeInside(Be32(profile.data() + entry + 4), Be32(profile.data() + entry + 8),
                     profile.size()))
      return false;
  }
  // And a colour manager opens it.
  cmsHPROFILE opened = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
  if (!opened) return false;
  const bool rgb = cmsGetColorSpace(opened) == cmsSigRgbData;
  cmsCloseProfile(opened);
  return rgb;
}

std::string IccProfileDescription(std::span<const uint8_t> profile) {
  if (!PlausibleIccProfile(profile)) return {};
  const uint32_t count = Be32(profile.data() + kIccHeaderSize);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = kIccHeaderSize + 4 + size_t(i) * 12;
    if (!SignatureAt(profile, entry, "desc")) continue;
    const uint32_t offset = Be32(profile.data() + entry + 4), size = Be32(profile.data() + entry + 8);
    if (!RangeInside(offset, size, profile.size())) return {};
    std::span<const uint8_t> tag = profile.subspan(offset, size);
    if (SignatureAt(tag, 0, "desc")) return AsciiDescription(tag);
    if (SignatureAt(tag, 0, "mluc")) return UnicodeDescription(tag);
    return {};
  }
  return {};
}

}  // namespace orv
