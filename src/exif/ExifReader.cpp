// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing of the TIFF structure inside an EXIF block. Only the pointers the format defines for
// IFD0's successor, the Exif sub-IFD and the Interoperability IFD are followed, each once, so no
// loop or nesting in a hostile block can make the parse run long.
#include "exif/ExifReader.h"

#include <new>

#include "exif/ExifByteReader.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

constexpr uint64_t kTiffBase = 6;  // TIFF offsets count from the byte-order mark
constexpr uint64_t kEntrySize = 12;
constexpr uint16_t kTagExifOffset = 0x8769;
constexpr uint16_t kTagInteropOffset = 0xA005;

uint32_t TypeSizeOrZero(uint16_t type) {
  switch (type) {
    case kExifByte:
    case kExifAscii:
    case kExifSByte:
    case kExifUndefined:
      return 1;
    case kExifShort:
    case kExifSShort:
      return 2;
    case kExifLong:
    case kExifSLong:
    case kExifFloat:
      return 4;
    case kExifRational:
    case kExifSRational:
    case kExifDouble:
      return 8;
    default:
      return 0;
  }
}

class IfdParser {
 public:
  explicit IfdParser(const ExifByteReader& in) : in_(in) {}

  // Decodes the IFD at TIFF offset `offset` into `list`. False when its count or an entry lies
  // past the block end; the entries decoded before that stay in the list.
  bool Parse(uint32_t offset, std::vector<CExifEntry>& list, uint64_t* linkPosition) {
    const uint64_t position = kTiffBase + offset;
    uint16_t count = 0;
    if (!in_.U16(position, count)) return false;
    // Reserve only for the entries the block can hold, not for whatever the count claims.
    const uint64_t room = (in_.Size() - position - 2) / kEntrySize;
    list.reserve(list.size() + size_t(count < room ? count : room));
    for (uint64_t i = 0; i < count; ++i) {
      const uint64_t at = position + 2 + i * kEntrySize;
      if (!RangeInside(at, kEntrySize, in_.Size())) return false;
      CExifEntry entry;
      (void)in_.U16(at, entry.tag);
      (void)in_.U16(at + 2, entry.type);
      (void)in_.U32(at + 4, entry.count);
      (void)in_.U32(at + 8, entry.valueOrOffset);
      if (Locate(at + 8, entry)) list.push_back(entry);
    }
    if (linkPosition) *linkPosition = position + 2 + uint64_t(count) * kEntrySize;
    return true;
  }

 private:
  // Finds where the entry's elements lie; false when the entry must be skipped.
  bool Locate(uint64_t valueField, CExifEntry& entry) const {
    const uint32_t size = TypeSizeOrZero(entry.type);
    if (size == 0) return false;
    if (entry.count >= in_.Size()) return false;
    uint64_t bytes = 0;
    if (!CheckedMul<uint64_t>(entry.count, size, bytes)) return false;
    if (bytes <= 4) {
      entry.dataOffset = size_t(valueField);
      return true;
    }
    uint64_t start = 0;
    if (!CheckedAdd<uint64_t>(kTiffBase, entry.valueOrOffset, start)) return false;
    if (!RangeInside(start, bytes, in_.Size())) return false;
    entry.dataOffset = size_t(start);
    return true;
  }

  const ExifByteReader& in_;
};

const CExifEntry* FindEntry(const std::vector<CExifEntry>& list, uint16_t tag) {
  for (const CExifEntry& e : list) {
    if (e.tag == tag) return &e;
  }
  return nullptr;
}

// Walks the structure. Each IFD is tried even when an earlier one was damaged, as long as the
// pointer to it could be read: a broken thumbnail directory must not cost the exposure data.
int ParseStructure(CExifData& data) {
  const uint64_t length = data.block.size();
  const uint8_t* b = data.block.data();
  if (length < 10) return kExifNotExif;
  if (b[0] != 'E' || b[1] != 'x' || b[2] != 'i' || b[3] != 'f') return kExifNotExif;
  if (b[6] == 'I' && b[7] == 'I') {
    data.bigEndian = false;
  } else if (b[6] == 'M' && b[7] == 'M') {
    data.bigEndian = true;
  } else {
    return kExifNotExif;
  }
  // The magic is accepted in either byte order, whatever the mark says.
  if (!((b[8] == 0x2A && b[9] == 0) || (b[8] == 0 && b[9] == 0x2A))) return kExifNotExif;

  const ExifByteReader in(data.block.data(), data.block.size(), data.bigEndian);
  uint32_t ifd0 = 0;
  if (!in.U32(kTiffBase + 4, ifd0)) return kExifNotExif;

  IfdParser parser(in);
  int result = kExifOk;
  uint64_t linkPosition = 0;
  auto& lists = data.lists;
  if (!parser.Parse(ifd0, lists[size_t(ExifIfd::Ifd0)], &linkPosition)) {
    result = kExifNotExif;
  } else {
    uint32_t link = 0;
    if (!in.U32(linkPosition, link)) {
      result = kExifNotExif;
    } else if (link != 0 && link < length) {
      if (!parser.Parse(link, lists[size_t(ExifIfd::Ifd1)], nullptr)) result = kExifNotExif;
    }
  }
  if (const CExifEntry* e = FindEntry(lists[size_t(ExifIfd::Ifd0)], kTagExifOffset)) {
    if (!parser.Parse(e->valueOrOffset, lists[size_t(ExifIfd::SubIfd)], nullptr)) {
      result = kExifNotExif;
    }
  }
  if (const CExifEntry* e = FindEntry(lists[size_t(ExifIfd::SubIfd)], kTagInteropOffset)) {
    if (!parser.Parse(e->valueOrOffset, lists[size_t(ExifIfd::Interop)], nullptr)) {
      result = kExifNotExif;
    }
  }
  return result;
}

}  // namespace

uint32_t ExifTypeSize(uint16_t type) {
  return TypeSizeOrZero(type);
}

ExifHandle ParseExifBlock(const uint8_t* data, size_t length, int& error) {
  error = kExifOk;
  if (data == nullptr) {
    error = kExifBadParameter;
    return nullptr;
  }
  try {
    auto result = std::make_unique<CExifData>();
    result->block.assign(data, data + length);
    error = ParseStructure(*result);
    return result;
  } catch (const std::bad_alloc&) {
    error = kExifOutOfMemory;
    return nullptr;
  }
}

int GetExifTagText(const CExifData* handle, uint16_t tag, unsigned mask, std::string& text) {
  text.clear();
  if (handle == nullptr) return kExifBadParameter;
  for (int i = 0; i < kExifIfdCount; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const CExifEntry* e = FindEntry(handle->lists[size_t(i)], tag);
    if (e == nullptr) continue;
    try {
      text = ExifEntryText(*handle, *e);
    } catch (const std::bad_alloc&) {
      text.clear();
      return kExifOutOfMemory;
    }
    return kExifOk;
  }
  return kExifTagNotFound;
}

int FreeExifData(ExifHandle& handle) {
  if (!handle) return kExifBadParameter;
  handle.reset();
  return kExifOk;
}

}  // namespace orv
