// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the EXIF reader: parse the input as an APP1 payload, ask for the text of every
// tag it holds in each list and in all lists, and derive the camera summary from it.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "exif/CameraSummary.h"
#include "exif/ExifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int error = 0;
  orv::ExifHandle h = orv::ParseExifBlock(data, size, error);
  if (!h) return 0;
  std::string text;
  for (int i = 0; i < orv::kExifIfdCount; ++i) {
    std::set<uint16_t> seen;  // a lookup returns the first entry, so repeats add nothing
    for (const orv::CExifEntry& e : h->lists[size_t(i)]) {
      if (!seen.insert(e.tag).second) continue;
      if (orv::GetExifTagText(h.get(), e.tag, 1u << i, text) != orv::kExifOk) __builtin_trap();
      (void)orv::GetExifTagText(h.get(), e.tag, orv::kExifMaskAll, text);
    }
  }
  orv::FreeExifData(h);
  // The summary parses again on its own, and exercises the text-to-number rules on whatever
  // the twelve camera tags hold.
  const int width = size > 0 ? int(data[0]) * 16 : 0;
  (void)orv::ExtractCameraValues({{data, size}, "", width, 1920});
  return 0;
}
