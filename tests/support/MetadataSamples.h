// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Metadata made at test time: ICC profiles of any size, XMP packets, IPTC records, JPEG files
// carrying given APPn segments, and a scanner that reads those segments back from a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/Image.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"

namespace orv::test {

inline void PutBe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x >> 24), v[at + 1] = uint8_t(x >> 16), v[at + 2] = uint8_t(x >> 8),
  v[at + 3] = uint8_t(x);
}

// An RGB display profile of exactly `size` bytes (a multiple of 4, at least 512) with a v2
// 'desc' tag and a private tag filling the rest with a pattern.
inline std::vector<uint8_t> TestIccProfile(size_t size, const std::string& description) {
  std::vector<uint8_t> p(size, 0);
  PutBe32(p, 0, uint32_t(size));
  p[8] = 2, p[9] = 0x10;  // version 2.1
  for (int i = 0; i < 4; ++i) {
    p[12 + i] = uint8_t("mntr"[i]);
    p[16 + i] = uint8_t("RGB "[i]);
    p[20 + i] = uint8_t("XYZ "[i]);
    p[36 + i] = uint8_t("acsp"[i]);
  }
  PutBe32(p, 68, 0x0000F6D6), PutBe32(p, 72, 0x00010000), PutBe32(p, 76, 0x0000D32D);
  PutBe32(p, 128, 2);
  const size_t descAt = 156, descSize = 12 + description.size() + 1 + 78;
  const size_t alignedDesc = (descSize + 3) / 4 * 4;
  const size_t fillAt = descAt + alignedDesc, fillSize = size - fillAt;
  for (int i = 0; i < 4; ++i) p[132 + i] = uint8_t("desc"[i]), p[144 + i] = uint8_t("zzzz"[i]);
  PutBe32(p, 136, uint32_t(descAt)), PutBe32(p, 140, uint32_t(descSize));
  PutBe32(p, 148, uint32_t(fillAt)), PutBe32(p, 152, uint32_t(fillSize));
  for (int i = 0; i < 4; ++i) p[descAt + i] = uint8_t("desc"[i]);
  PutBe32(p, descAt + 8, uint32_t(description.size() + 1));
  for (size_t i = 0; i < description.size(); ++i) p[descAt + 12 + i] = uint8_t(description[i]);
  for (size_t i = 8; i < fillSize; ++i) p[fillAt + i] = uint8_t(i * 7 + i / 251);
  return p;
}

// A complete XMP packet with a rating, a subject and a creator, grown to at least `size` bytes
// by a description; `extendedGuid` adds the xmpNote:HasExtendedXMP pointer.
inline std::vector<uint8_t> TestXmp(size_t size = 0, const std::string& extendedGuid = "",
                                    const std::string& text = "Harbour at dawn") {
  std::string head =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
      "xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmp:Rating=\"4\"";
  if (!extendedGuid.empty()) head += " xmpNote:HasExtendedXMP=\"" + extendedGuid + "\"";
  head += ">\n<dc:subject><rdf:Bag><rdf:li>" + text +
          "</rdf:li></rdf:Bag></dc:subject>\n<dc:creator><rdf:Seq><rdf:li>A. Photographer"
          "</rdf:li></rdf:Seq></dc:creator>\n<dc:description>";
  const std::string tail =
      "</dc:description>\n</rdf:Description>\n</rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
  std::string filler;
  for (size_t i = 0; head.size() + filler.size() + tail.size() < size; ++i)
    filler += char('a' + i % 26);
  const std::string packet = head + filler + tail;
  return {packet.begin(), packet.end()};
}

// IPTC records: keywords and a city (record 2, datasets 25 and 90).
inline std::vector<uint8_t> TestIptc() {
  std::vector<uint8_t> v;
  auto record = [&](uint8_t dataset, const std::string& value) {
    v.insert(v.end(), {0x1C, 2, dataset, uint8_t(value.size() >> 8), uint8_t(value.size())});
    v.insert(v.end(), value.begin(), value.end());
  };
  record(0, std::string("\x00\x04", 2));
  record(25, "harbour");
  record(25, "dawn");
  record(90, "Hamburg");
  return v;
}

// The APPn segments of a JPEG file up to the start of scan, in file order.
inline std::vector<JpegMarker> ScanAppSegments(const std::vector<uint8_t>& file) {
  std::vector<JpegMarker> out;
  size_t i = 2;
  while (i + 4 <= file.size() && file[i] == 0xFF) {
    const uint8_t marker = file[i + 1];
    if (marker == 0xDA || marker == 0xD9) break;
    const size_t length = size_t(file[i + 2]) << 8 | file[i + 3];
    if (length < 2 || i + 2 + length > file.size()) break;
    if (marker >= 0xE0 && marker <= 0xEF) {
      JpegMarker m;
      m.code = marker;
      m.payload.assign(file.begin() + std::ptrdiff_t(i + 4),
                       file.begin() + std::ptrdiff_t(i + 2 + length));
      out.push_back(std::move(m));
    }
    i += 2 + length;
  }
  return out;
}

// Writes the picture as a JPEG carrying exactly the given APPn segments (after JFIF).
inline bool WriteJpegWithSegments(const std::string& path, const Image& picture,
                                  const std::vector<JpegMarker>& segments) {
  std::vector<JpegSegment> list;
  for (const JpegMarker& m : segments) list.push_back({m.code, m.payload});
  JpegEncodeOptions o;
  o.quality = 90;
  o.segments = list;
  ImageDest* dest = OpenDestFile(path.c_str());
  if (!dest) return false;
  bool ok = WriteJpeg(dest, picture.pixels(), picture.width(), picture.height(), o) != 0;
  return CloseDest(dest) && ok;
}

}  // namespace orv::test
