// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FontRaster.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orv {
namespace {

// Decodes UTF-8; a malformed sequence yields U+FFFD for its first byte and decoding resumes at
// the next one.
std::vector<char32_t> DecodeUtf8(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    char32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
    bool ok = extra >= 0 && i + size_t(extra) < s.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(s[i + size_t(k)]);
      if ((cc & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (ok && extra > 0) {
      static const char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
      if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) ok = false;
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
    } else {
      out.push_back(cp);
      i += size_t(extra) + 1;
    }
  }
  return out;
}

long Round26(double v) {
  return std::lround(v);
}

// The fontconfig configuration, loaded on first use and released at exit so that the library's
// state does not outlive the program's own.
class FontConfig {
 public:
  static FcConfig* Get() {
    static FontConfig instance;
    return instance.config_;
  }

 private:
  FontConfig() : config_(FcInitLoadConfigAndFonts()) {}
  ~FontConfig() {
    if (config_) FcConfigDestroy(config_);
  }
  FcConfig* config_;
};

}  // namespace

struct CFontRaster::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::string path;
  int height = 0;
  int ascent = 0;
  bool emboldenSynth = false;
  bool underline = false;
  int underlineTop = 0;
  int underlineThickness = 0;

  ~Impl() { Close(); }
  void Close() {
    if (face) FT_Done_Face(face);
    face = nullptr;
    if (library) FT_Done_FreeType(library);
    library = nullptr;
  }

  // Loads a glyph as an outline (with the synthesised emboldening) and returns its advance in
  // 26.6 pixels, or -1 on failure.
  long LoadGlyph(char32_t cp) {
    const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(cp));
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return -1;
    if (emboldenSynth) FT_GlyphSlot_Embolden(face->glyph);
    return face->glyph->advance.x;
  }
};

CFontRaster::CFontRaster() : impl_(new Impl) {}
CFontRaster::~CFontRaster() = default;

const std::string& CFontRaster::FacePath() const {
  return impl_->path;
}

bool CFontRaster::Open(const FontDescription& font) {
  Impl& m = *impl_;
  m.Close();
  m.path.clear();
  if (font.height <= 0 || font.height > 0xFFFF) return false;

  // Ask fontconfig for the closest scalable face.
  FcConfig* config = FontConfig::Get();
  if (!config) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  const std::string family = font.face.empty() ? std::string("sans-serif") : font.face;
  const int weight = font.weight <= 0 ? 400 : std::clamp(font.weight, 1, 1000);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  int faceIndex = 0, matchedWeight = FC_WEIGHT_REGULAR, matchedSlant = FC_SLANT_ROMAN;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
    m.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
  FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
  FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
  FcPatternDestroy(match);
  if (m.path.empty()) return false;

  if (FT_Init_FreeType(&m.library) != 0) {
    m.library = nullptr;
    return false;
  }
  if (FT_New_Face(m.library, m.path.c_str(), faceIndex, &m.face) != 0 || !FT_IS_SCALABLE(m.face) ||
      m.face->units_per_EM == 0) {
    m.Close();
    return false;
  }
  FT_Face face = m.face;

  // The cell height is the face's Windows ascent plus descent when it has them (the metrics a
  // metric-compatible face shares with the face it replaces), else its typographic ones.
  double cellAscent = face->ascender, cellDescent = -double(face->descender);
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    cellAscent = os2->usWinAscent;
    cellDescent = os2->usWinDescent;
  }
  const double cell = cellAscent + cellDescent;
  if (cell <= 0) {
    m.Close();
    return false;
  }
  const double ppem = font.height * face->units_per_EM / cell;
  if (FT_Set_Char_Size(face, 0, FT_F26Dot6(Round26(ppem * 64)), 72, 72) != 0) {
    m.Close();
    return false;
  }
  m.height = font.height;
  m.ascent = int(std::lround(font.height * cellAscent / cell));

  // Synthesise what the face lacks: emboldening for a bold request on a regular face, a slant
  // for an italic request on an upright one.
  m.emboldenSynth = weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD;
  if (font.italic && matchedSlant == FC_SLANT_ROMAN) {
    FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};  // x += 0.2126 y
    FT_Set_Transform(face, &shear, nullptr);
  }
  m.underline = font.underline;
  const double scale = ppem / face->units_per_EM;
  m.underlineThickness = std::max(1, int(std::lround(face->underline_thickness * scale)));
  m.underlineTop =
      m.ascent - int(std::lround(face->underline_position * scale)) - m.underlineThickness / 2;
  return true;
}

bool CFontRaster::Measure(std::string_view utf8, int& width, int& height) {
  width = height = 0;
  Impl& m = *impl_;
  if (!m.face) return false;
  if (utf8.empty()) return true;
  long pen = 0;
  for (char32_t cp : DecodeUtf8(utf8)) {
    const long advance = m.LoadGlyph(cp);
    if (advance < 0) return false;
    pen += advance;
    if (pen > (long(1) << 30)) return false;  // far beyond any picture
  }
  width = int((pen + 63) >> 6);
  height = m.height;
  return true;
}

bool CFontRaster::Render(std::string_view utf8, uint8_t* grey, int width, int height) {
  Impl& m = *impl_;
  if (!m.face || !grey || width <= 0 || height <= 0) return false;
  std::memset(grey, 0, size_t(width) * size_t(height));
  long pen = 0;
  for (char32_t cp : DecodeUtf8(utf8)) {
    const long advance = m.LoadGlyph(cp);
    if (advance < 0) return false;
    FT_GlyphSlot slot = m.face->glyph;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    const long left = (pen >> 6) + slot->bitmap_left;
    const long top = long(m.ascent) - slot->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const long y = top + long(row);
      if (y < 0 || y >= height) continue;
      const uint8_t* in = bm.buffer + long(row) * bm.pitch;
      uint8_t* out = grey + size_t(y) * size_t(width);
      for (unsigned col = 0; col < bm.width; ++col) {
        const long x = left + long(col);
        if (x >= 0 && x < width) out[x] = std::max(out[x], in[col]);
      }
    }
    pen += advance;
  }
  if (m.underline) {
    const int lineWidth = int(std::min<long>(width, (pen + 63) >> 6));
    for (int y = std::max(0, m.underlineTop);
         y < std::min(height, m.underlineTop + m.underlineThickness); ++y)
      std::memset(grey + size_t(y) * size_t(width), 255, size_t(std::max(0, lineWidth)));
  }
  return true;
}

}  // namespace orv
