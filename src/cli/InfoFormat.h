// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The output of `orv info` for one file: every camera summary field by name, as text lines or as
// one JSON object.
#pragma once

#include <cstdint>
#include <string>

#include "exif/CameraSummary.h"

namespace orv::cli {

// What `info` prints besides the summary: the decoded size and the source file's byte size.
struct ImageFacts {
  int width = 0;
  int height = 0;
  uint64_t fileSize = 0;
  // The metadata beside the EXIF record.
  bool hasIccProfile = false;
  std::string iccDescription{};
  bool hasXmp = false;
  bool hasIptc = false;
};

// One "Name: value\n" line per field, in the fixed order; control characters in texts are
// escaped so that every field stays on its line.
std::string FormatCameraInfoText(const CameraSummary& summary, const ImageFacts& facts);

// One JSON object (no trailing newline) with the same names as keys: numbers as numbers, HasExif
// as a boolean, texts as strings.
std::string FormatCameraInfoJson(const CameraSummary& summary, const ImageFacts& facts);

}  // namespace orv::cli
