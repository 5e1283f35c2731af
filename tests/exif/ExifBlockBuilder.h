// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Builds small EXIF blocks for tests, in either byte order, with the four IFDs laid out one
// after another and the pointer tags filled in.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orv::test {

struct TestEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  unsigned elementSize = 1;
  std::vector<uint64_t> elements;  // one number per element (a rational is two 32-bit ones)
  bool rawValue = false;           // write `value` as the value field, with no data area
  uint32_t value = 0;
};

inline TestEntry Ascii(uint16_t tag, const std::string& s) {
  TestEntry e{tag, 2, uint32_t(s.size() + 1), 1, {}};
  for (char c : s) e.elements.push_back(uint8_t(c));
  e.elements.push_back(0);
  return e;
}

inline TestEntry Typed(uint16_t tag, uint16_t type, unsigned size, std::vector<uint64_t> v) {
  TestEntry e{tag, type, uint32_t(v.size()), size, std::move(v)};
  return e;
}

inline TestEntry Bytes(uint16_t tag, uint16_t type, const std::string& s) {
  TestEntry e{tag, type, uint32_t(s.size()), 1, {}};
  for (char c : s) e.elements.push_back(uint8_t(c));
  return e;
}

inline TestEntry Shorts(uint16_t tag, std::vector<uint64_t> v) {
  return Typed(tag, 3, 2, v);
}
inline TestEntry Short(uint16_t tag, uint16_t v) {
  return Shorts(tag, {v});
}
inline TestEntry Long(uint16_t tag, uint32_t v) {
  return Typed(tag, 4, 4, {v});
}

inline TestEntry Rationals(uint16_t tag, uint16_t type,
                           std::vector<std::pair<uint32_t, uint32_t>> v) {
  TestEntry e{tag, type, uint32_t(v.size()), 8, {}};
  for (auto [n, d] : v) e.elements.push_back((uint64_t(n) << 32) | d);
  return e;
}
inline TestEntry Rational(uint16_t tag, uint32_t n, uint32_t d) {
  return Rationals(tag, 5, {{n, d}});
}
inline TestEntry SRational(uint16_t tag, int32_t n, int32_t d) {
  return Rationals(tag, 10, {{uint32_t(n), uint32_t(d)}});
}

// An entry written exactly as given: tag, type, count and value field, nothing else.
inline TestEntry Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  TestEntry e{tag, type, count, 1, {}};
  e.rawValue = true;
  e.value = value;
  return e;
}

class ExifBlockBuilder {
 public:
  explicit ExifBlockBuilder(bool bigEndian) : bigEndian_(bigEndian) {}

  std::vector<TestEntry> ifd0, subIfd, interop, ifd1;

  // TIFF offsets of the IFDs in the last Build (0 for an absent one).
  uint32_t ifd0Offset = 0, subIfdOffset = 0, interopOffset = 0, ifd1Offset = 0;
  size_t ifd0LinkPosition = 0;  // block offset of IFD0's next-IFD link

  std::vector<uint8_t> Build() {
    std::vector<TestEntry> i0 = ifd0, sub = subIfd;
    if (!subIfd.empty()) i0.push_back(Long(0x8769, 0));
    if (!interop.empty()) sub.push_back(Long(0xA005, 0));
    uint32_t at = 8;
    ifd0Offset = at;
    at += IfdSize(i0);
    subIfdOffset = sub.empty() ? 0 : std::exchange(at, at + IfdSize(sub));
    interopOffset = interop.empty() ? 0 : std::exchange(at, at + IfdSize(interop));
    ifd1Offset = ifd1.empty() ? 0 : at;
    if (!subIfd.empty()) i0.back().elements = {subIfdOffset};
    if (!interop.empty()) sub.back().elements = {interopOffset};

    out_.assign({'E', 'x', 'i', 'f', 0, 0});
    if (bigEndian_) {
      out_.insert(out_.end(), {'M', 'M'});
    } else {
      out_.insert(out_.end(), {'I', 'I'});
    }
    Put(42, 2);
    Put(ifd0Offset, 4);
    Write(i0, ifd1Offset, &ifd0LinkPosition);
    if (!sub.empty()) Write(sub, 0, nullptr);
    if (!interop.empty()) Write(interop, 0, nullptr);
    if (!ifd1.empty()) Write(ifd1, 0, nullptr);
    return out_;
  }

  // Overwrites a 16- or 32-bit number at a block offset in the block's byte order.
  static void Patch(std::vector<uint8_t>& block, size_t at, uint32_t value, unsigned bytes,
                    bool bigEndian) {
    for (unsigned i = 0; i < bytes; ++i) {
      const unsigned shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
      block[at + i] = uint8_t(value >> shift);
    }
  }

 private:
  static uint32_t DataSize(const TestEntry& e) {
    if (e.rawValue) return 0;
    const uint32_t bytes = e.count * e.elementSize;
    return bytes <= 4 ? 0 : (bytes + 1) & ~1u;
  }
  static uint32_t IfdSize(const std::vector<TestEntry>& entries) {
    uint32_t size = 2 + 12 * uint32_t(entries.size()) + 4;
    for (const TestEntry& e : entries) size += DataSize(e);
    return size;
  }

  void Put(uint64_t v, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i) {
      const unsigned shift = bigEndian_ ? 8 * (bytes - 1 - i) : 8 * i;
      out_.push_back(uint8_t(v >> shift));
    }
  }
  void PutElements(const TestEntry& e) {
    for (uint64_t v : e.elements) {
      if (e.elementSize == 8 && (e.type == 5 || e.type == 10)) {
        Put(v >> 32, 4);
        Put(v & 0xFFFFFFFFu, 4);
      } else {
        Put(v, e.elementSize);
      }
    }
  }

  void Write(const std::vector<TestEntry>& entries, uint32_t link, size_t* linkPosition) {
    const uint32_t start = uint32_t(out_.size() - 6);
    uint32_t data = start + 2 + 12 * uint32_t(entries.size()) + 4;
    Put(entries.size(), 2);
    for (const TestEntry& e : entries) {
      Put(e.tag, 2);
      Put(e.type, 2);
      Put(e.count, 4);
      if (e.rawValue) {
        Put(e.value, 4);
      } else if (DataSize(e) == 0) {
        const size_t before = out_.size();
        PutElements(e);
        while (out_.size() < before + 4) out_.push_back(0);
      } else {
        Put(data, 4);
        data += DataSize(e);
      }
    }
    if (linkPosition) *linkPosition = out_.size();
    Put(link, 4);
    for (const TestEntry& e : entries) {
      if (DataSize(e) == 0) continue;
      const size_t before = out_.size();
      PutElements(e);
      while (out_.size() < before + DataSize(e)) out_.push_back(0);
    }
  }

  bool bigEndian_;
  std::vector<uint8_t> out_;
};

}  // namespace orv::test
