// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A test-only JPEG marker scanner: the payloads of the APP1 segments and the first comment of a
// JPEG file, read up to the start of scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace orv::test {

struct JpegSegments {
  std::vector<std::vector<uint8_t>> app1;
  std::string firstComment;
  bool hasComment = false;
};

inline JpegSegments ScanJpegSegments(const std::vector<uint8_t>& file) {
  JpegSegments s;
  size_t i = 2;  // after SOI
  while (i + 4 <= file.size() && file[i] == 0xFF) {
    const uint8_t marker = file[i + 1];
    if (marker == 0xDA || marker == 0xD9) break;
    const size_t length = size_t(file[i + 2]) << 8 | file[i + 3];
    if (length < 2 || i + 2 + length > file.size()) break;
    const auto begin = file.begin() + std::ptrdiff_t(i + 4);
    const auto end = file.begin() + std::ptrdiff_t(i + 2 + length);
    if (marker == 0xE1) s.app1.emplace_back(begin, end);
    if (marker == 0xFE && !s.hasComment) {
      s.firstComment.assign(begin, end);
      s.hasComment = true;
    }
    i += 2 + length;
  }
  return s;
}

// "<57>" for a result code, so expectations can compare texts and codes in one place. Built by
// appending: GCC 12 warns falsely (-Wrestrict) on "<" + std::to_string(...).
inline std::string ResultCode(int rc) {
  std::string s = "<";
  s += std::to_string(rc);
  s += '>';
  return s;
}

}  // namespace orv::test
