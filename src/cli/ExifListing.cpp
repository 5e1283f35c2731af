// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ExifListing.h"

#include <cstdio>

#include "cli/JsonText.h"
#include "cli/TerminalText.h"
#include "exif/ExifReader.h"
#include "exif/ExifTagName.h"

namespace orv::cli {
namespace {

constexpr const char* kListNames[kExifIfdCount] = {"IFD0", "SubIFD", "Interop", "IFD1"};

template <typename Fn>
void ForEachEntry(const CExifData& data, Fn fn) {
  for (int i = 0; i < kExifIfdCount; ++i) {
    for (const CExifEntry& e : data.lists[size_t(i)]) fn(kListNames[i], e);
  }
}

}  // namespace

void WriteExifListingText(const CExifData& data, std::ostream& out) {
  ForEachEntry(data, [&](const char* list, const CExifEntry& e) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "0x%04x", unsigned(e.tag));
    out << list << '\t' << tag << '\t' << ExifTagName(e.tag) << '\t' << e.type << '\t' << e.count
        << '\t' << OneLineText(ExifEntryText(data, e)) << '\n';
  });
}

void WriteExifListingJson(const CExifData& data, std::ostream& out) {
  bool first = true;
  out << '[';
  ForEachEntry(data, [&](const char* list, const CExifEntry& e) {
    out << (first ? "\n  " : ",\n  ");
    first = false;
    out << "{\"ifd\": " << JsonString(list) << ", \"tag\": " << e.tag
        << ", \"name\": " << JsonString(ExifTagName(e.tag)) << ", \"type\": " << e.type
        << ", \"count\": " << e.count << ", \"text\": " << JsonString(ExifEntryText(data, e))
        << '}';
  });
  out << (first ? "]\n" : "\n]\n");
}

}  // namespace orv::cli
