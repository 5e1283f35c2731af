// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/XmpPacket.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace orv {
namespace {

std::string_view AsText(std::span<const uint8_t> b) {
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

bool IsGuid(std::string_view s) {
  return s.size() == 32 &&
         std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(uint8_t(c)) != 0; });
}

}  // namespace

std::string ExtendedXmpGuid(std::span<const uint8_t> mainPacket) {
  const std::string_view text = AsText(mainPacket);
  const std::string_view name = "HasExtendedXMP";
  for (size_t at = text.find(name); at != std::string_view::npos;
       at = text.find(name, at + name.size())) {
    size_t i = at + name.size();
    while (i < text.size() && std::isspace(uint8_t(text[i]))) ++i;
    if (i >= text.size()) break;
    size_t begin = 0;
    char end = 0;
    if (text[i] == '=') {
      ++i;
      while (i < text.size() && std::isspace(uint8_t(text[i]))) ++i;
      if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) continue;
      end = text[i];
      begin = i + 1;
    } else if (text[i] == '>') {
      begin = i + 1;
      end = '<';
    } else {
      continue;
    }
    const size_t stop = text.find(end, begin);
    if (stop == std::string_view::npos) break;
    std::string_view guid = text.substr(begin, stop - begin);
    if (IsGuid(guid)) return std::string(guid);
  }
  return {};
}

std::vector<uint8_t> MergeExtendedXmp(std::span<const uint8_t> mainPacket,
                                      std::span<const uint8_t> extendedPacket) {
  std::vector<uint8_t> merged(mainPacket.begin(), mainPacket.end());
  const std::string_view main = AsText(mainPacket), extended = AsText(extendedPacket);
  const size_t mainClose = main.rfind("</rdf:RDF>");
  const size_t open = extended.find("<rdf:RDF");
  const size_t openEnd = open == std::string_view::npos ? open : extended.find('>', open);
  const size_t close = extended.rfind("</rdf:RDF>");
  if (mainClose == std::string_view::npos || openEnd == std::string_view::npos ||
      close == std::string_view::npos || close < openEnd)
    return merged;
  const std::string_view body = extended.substr(openEnd + 1, close - openEnd - 1);
  merged.insert(merged.begin() + std::ptrdiff_t(mainClose), body.begin(), body.end());
  return merged;
}

}  // namespace orv

namespace orv {

bool PlausibleXmpPacket(std::span<const uint8_t> packet) {
  const std::string_view text = AsText(packet);
  const size_t meta = text.find("<x:xmpmeta");
  if (meta != std::string_view::npos) return text.find("</x:xmpmeta>", meta) != text.npos;
  const size_t rdf = text.find("<rdf:RDF");
  return rdf != std::string_view::npos && text.find("</rdf:RDF>", rdf) != text.npos;
}

}  // namespace orv

namespace orv {

std::vector<uint8_t> WholeXmpPacket(const PhotoMetadata& meta) {
  if (meta.extendedXmp.empty()) return meta.xmp;
  return MergeExtendedXmp(meta.xmp, meta.extendedXmp);
}

}  // namespace orv
