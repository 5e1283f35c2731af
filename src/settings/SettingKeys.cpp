// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingKeys.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/NumberText.h"

namespace orv {
namespace {

// Row builders. The section and key names are the member names, so a row cannot name a field
// other than the one it reads.
// clang-format off
#define ORV_INT_KEY(S, K, def, cre, onOff)                                             \
  SettingKey{#S, #K, SettingType::Int,                                                 \
             [](Settings& s) {                                                         \
               return SettingRef{.kind = SettingRef::Kind::Int, .i = &s.S.K};          \
             },                                                                        \
             SettingValue{.i = def}, SettingValue{.i = cre}, onOff}
#define ORV_INT(S, K, def, cre) ORV_INT_KEY(S, K, def, cre, false)
// An int key that holds a switch: 1 = on, 0 = off.
#define ORV_SWITCH(S, K, def, cre) ORV_INT_KEY(S, K, def, cre, true)
#define ORV_REAL(S, K, def, cre)                                                       \
  SettingKey{#S, #K, SettingType::Double,                                              \
             [](Settings& s) {                                                         \
               return SettingRef{.kind = SettingRef::Kind::Double, .d = &s.S.K};       \
             },                                                                        \
             SettingValue{.d = def}, SettingValue{.d = cre}, false}
#define ORV_TEXT(S, K, def, cre)                                                       \
  SettingKey{#S, #K, SettingType::Text,                                                \
             [](Settings& s) {                                                         \
               return SettingRef{.kind = SettingRef::Kind::Text, .t = &s.S.K};         \
             },                                                                        \
             SettingValue{.t = def}, SettingValue{.t = cre}, false}
// Point n of the section's Advanced curve, stored under the key DataN.
#define ORV_POINT(S, n, def, cre)                                                      \
  SettingKey{#S, "Data" #n, SettingType::Int,                                          \
             [](Settings& s) {                                                         \
               return SettingRef{.kind = SettingRef::Kind::Point,                      \
                                 .curve = &s.S.Advanced, .index = n};                  \
             },                                                                        \
             SettingValue{.i = def}, SettingValue{.i = cre}, false}
// The Basic value: point 0 of the section's one-point Basic curve.
#define ORV_BASIC(S, K, def, cre)                                                      \
  SettingKey{#S, #K, SettingType::Int,                                                 \
             [](Settings& s) {                                                         \
               return SettingRef{.kind = SettingRef::Kind::Point,                      \
                                 .curve = &s.S.Basic, .index = 0};                     \
             },                                                                        \
             SettingValue{.i = def}, SettingValue{.i = cre}, false}
// The point the section's Advanced curve uses for photographs without EXIF.
#define ORV_NOEXIF(S, def, cre)                                                        \
  SettingKey{#S, "NoExif", SettingType::Int,                                           \
             [](Settings& s) {                                                         \
               return SettingRef{.kind = SettingRef::Kind::NoExif,                     \
                                 .curve = &s.S.Advanced};                              \
             },                                                                        \
             SettingValue{.i = def}, SettingValue{.i = cre}, false}

const SettingKey kKeys[] = {
    ORV_SWITCH(Mode, Advanced, 0, 0),

    ORV_POINT(Balance, 0, 128, 128),
    ORV_POINT(Balance, 1, 128, 128),
    ORV_POINT(Balance, 2, 128, 128),
    ORV_POINT(Balance, 3, 128, 128),
    ORV_POINT(Balance, 4, 128, 128),
    ORV_POINT(Balance, 5, 128, 128),
    ORV_POINT(Balance, 6, 128, 128),
    ORV_BASIC(Balance, Simple, 215, 128),
    ORV_SWITCH(Balance, Enabled, 1, 1),
    ORV_NOEXIF(Balance, 0, 0),
    ORV_SWITCH(Balance, SimEnabled, 1, 1),

    ORV_POINT(Midtones, 0, 128, 128),
    ORV_POINT(Midtones, 1, 128, 128),
    ORV_BASIC(Midtones, Simple, 140, 128),
    ORV_SWITCH(Midtones, Enabled, 1, 1),
    ORV_NOEXIF(Midtones, 0, 0),
    ORV_SWITCH(Midtones, SimEnabled, 1, 1),

    ORV_POINT(ColorCast, 0, 128, 128),
    ORV_POINT(ColorCast, 1, 128, 128),
    ORV_BASIC(ColorCast, SimData, 128, 128),
    ORV_SWITCH(ColorCast, Enabled, 1, 1),
    ORV_SWITCH(ColorCast, SimEnabled, 1, 1),
    ORV_NOEXIF(ColorCast, 0, 0),

    ORV_POINT(Saturation, 0, 128, 128),
    ORV_POINT(Saturation, 1, 128, 128),
    ORV_BASIC(Saturation, SimData, 128, 128),
    ORV_SWITCH(Saturation, Enabled, 1, 1),
    ORV_SWITCH(Saturation, SimEnabled, 1, 1),
    ORV_NOEXIF(Saturation, 0, 0),

    ORV_SWITCH(FilterSim, Enabled, 0, 1),
    ORV_INT(FilterSim, FilterNo, 0, 0),
    ORV_SWITCH(FilterSim, BW, 0, 0),
    ORV_SWITCH(FilterSim, SimEnabled, 0, 1),
    ORV_INT(FilterSim, SimFilterNo, 0, 0),
    ORV_SWITCH(FilterSim, SimBW, 0, 0),

    ORV_POINT(Sharpen, 0, 128, 128),
    ORV_POINT(Sharpen, 1, 128, 128),
    ORV_POINT(Sharpen, 2, 128, 128),
    ORV_BASIC(Sharpen, SimData, 128, 128),
    ORV_SWITCH(Sharpen, Enabled, 1, 1),
    ORV_SWITCH(Sharpen, SimEnabled, 1, 1),
    ORV_INT(Sharpen, Type, 0, 0),
    ORV_NOEXIF(Sharpen, 0, 0),

    ORV_POINT(Radius, 0, 128, 128),
    ORV_POINT(Radius, 1, 128, 128),
    ORV_POINT(Radius, 2, 128, 128),
    ORV_POINT(Radius, 3, 128, 128),
    ORV_POINT(Radius, 4, 128, 128),
    ORV_NOEXIF(Radius, 0, 0),

    ORV_POINT(HotPixels, 0, 128, 128),
    ORV_POINT(HotPixels, 1, 128, 128),
    ORV_POINT(HotPixels, 2, 128, 128),
    ORV_POINT(HotPixels, 3, 128, 128),
    ORV_POINT(HotPixels, 4, 128, 128),
    ORV_BASIC(HotPixels, SimData, 128, 128),
    ORV_SWITCH(HotPixels, Enabled, 1, 1),
    ORV_SWITCH(HotPixels, SimEnabled, 1, 1),
    ORV_SWITCH(HotPixels, BF, 0, 1),
    ORV_NOEXIF(HotPixels, 0, 0),
    ORV_TEXT(HotPixels, ExList, "", ""),
    ORV_SWITCH(HotPixels, Exclude, 1, 1),
    ORV_INT(HotPixels, ExcludeType, 1, 0),

    ORV_POINT(Window, 0, 128, 128),
    ORV_POINT(Window, 1, 128, 128),
    ORV_POINT(Window, 2, 128, 128),
    ORV_POINT(Window, 3, 128, 128),
    ORV_POINT(Window, 4, 128, 128),
    ORV_NOEXIF(Window, 0, 0),

    ORV_POINT(Denoise, 0, 128, 128),
    ORV_POINT(Denoise, 1, 128, 128),
    ORV_POINT(Denoise, 2, 128, 128),
    ORV_POINT(Denoise, 3, 128, 128),
    ORV_POINT(Denoise, 4, 128, 128),
    ORV_BASIC(Denoise, SimData, 128, 128),
    ORV_SWITCH(Denoise, Enabled, 0, 1),
    ORV_SWITCH(Denoise, SimEnabled, 0, 1),
    ORV_NOEXIF(Denoise, 0, 0),

    // Distance keeps a fourth stored value beyond its three visible points.
    ORV_POINT(Distance, 0, 128, 128),
    ORV_POINT(Distance, 1, 128, 128),
    ORV_POINT(Distance, 2, 128, 128),
    ORV_POINT(Distance, 3, 128, 128),
    ORV_BASIC(Distance, SimData, 128, 128),
    ORV_NOEXIF(Distance, 3, 0),

    ORV_SWITCH(CleanSkin, Enabled, 0, 0),
    ORV_SWITCH(CleanSkin, SimEnabled, 0, 0),
    ORV_NOEXIF(CleanSkin, 0, 0),
    ORV_POINT(CleanSkin, 0, 50, 128),
    ORV_POINT(CleanSkin, 1, 40, 128),
    ORV_BASIC(CleanSkin, SimData, 50, 128),
    ORV_SWITCH(CleanSkin, PinkTones, 1, 0),
    ORV_SWITCH(CleanSkin, SimPinkTones, 1, 0),

    ORV_SWITCH(Files, Recursive, 1, 0),
    ORV_SWITCH(Files, ExcludeORV, 1, 1),
    ORV_INT(Files, RawJpegTwins, 0, 0),

    ORV_INT(Size, Type, 0, 0),
    ORV_INT(Size, Percent, 50, 50),
    ORV_INT(Size, Width, 600, 600),
    ORV_INT(Size, Height, 400, 400),
    ORV_SWITCH(Size, SaveOriginal, 0, 0),
    ORV_SWITCH(Size, KeepEXIF, 1, 0),
    ORV_INT(Size, Filter, 0, 0),

    ORV_INT(Quality, Type, 0, 0),
    ORV_INT(Quality, CQ, 88, 88),
    ORV_REAL(Quality, MaxKB, 150.0, 23.0),
    ORV_SWITCH(Quality, Subsampling, 1, 0),
    ORV_INT(Quality, MinQ, 45, 50),

    ORV_SWITCH(Text, Enabled, 0, 0),
    ORV_TEXT(Text, String, "Copyright (c) ORV Lumitra", "Copyright (c)"),
    ORV_TEXT(Text, FontName, "Arial", "Arial"),
    ORV_INT(Text, FontSize, 16, 15),
    ORV_SWITCH(Text, Italic, 1, 0),
    ORV_SWITCH(Text, Underline, 0, 0),
    ORV_INT(Text, Weight, 400, 400),
    ORV_INT(Text, Placement, 4, 4),
    ORV_INT(Text, BackType, 1, 1),
    ORV_INT(Text, OffsetX, 12, 10),
    ORV_INT(Text, OffsetY, 6, 5),
    ORV_INT(Text, DateType, 0, 0),
    ORV_INT(Text, TextColor, 16777215, 16777215),
    ORV_INT(Text, BKColor, 0, 0),

    ORV_SWITCH(sRGB, Enabled, 1, 1),
    ORV_SWITCH(sRGB, Test, 0, 0),

    ORV_INT(Output, Type, 0, 0),
    ORV_SWITCH(Output, Replace, 1, 0),
    ORV_TEXT(Output, SimDir, "", ""),
    ORV_INT(Output, FileType, 0, 0),
    ORV_SWITCH(Output, DetailedLog, 0, 0),
    // "Mirror folder structure of source images" has no key in older profiles; it is written
    // last so that those profiles still load, with the option off.
    ORV_SWITCH(Output, MirrorFolders, 0, 0),
    // Whole-tree mirroring came later still; profiles without it load with it off.
    ORV_SWITCH(Output, MirrorTree, 0, 0),
};

#undef ORV_INT_KEY
#undef ORV_INT
#undef ORV_SWITCH
#undef ORV_REAL
#undef ORV_TEXT
#undef ORV_POINT
#undef ORV_BASIC
#undef ORV_NOEXIF
// clang-format on

}  // namespace

std::span<const SettingKey> SettingKeys() {
  return kKeys;
}

const SettingKey* FindSettingKey(std::string_view section, std::string_view key) {
  for (const SettingKey& k : kKeys) {
    if (k.section == section && k.key == key) return &k;
  }
  return nullptr;
}

const SettingKey* FindSettingKey(std::string_view qualifiedName) {
  // Section names hold no dot, so the first dot splits the name.
  size_t dot = qualifiedName.find('.');
  if (dot == std::string_view::npos) return nullptr;
  return FindSettingKey(qualifiedName.substr(0, dot), qualifiedName.substr(dot + 1));
}

std::string QualifiedName(const SettingKey& key) {
  std::string name(key.section);
  name += '.';
  name += key.key;
  return name;
}

std::optional<int> GetIntSetting(const Settings& s, const SettingKey& key) {
  // The accessor only forms a reference; nothing is written through it here.
  SettingRef r = key.ref(const_cast<Settings&>(s));
  switch (r.kind) {
    case SettingRef::Kind::Int:
      return *r.i;
    case SettingRef::Kind::Point:
      return r.curve->GetPoint(r.index);
    case SettingRef::Kind::NoExif:
      return r.curve->NoExifIndex();
    default:
      return std::nullopt;
  }
}

std::optional<double> GetDoubleSetting(const Settings& s, const SettingKey& key) {
  SettingRef r = key.ref(const_cast<Settings&>(s));
  if (r.kind != SettingRef::Kind::Double) return std::nullopt;
  return *r.d;
}

std::optional<std::string> GetTextSetting(const Settings& s, const SettingKey& key) {
  SettingRef r = key.ref(const_cast<Settings&>(s));
  if (r.kind != SettingRef::Kind::Text) return std::nullopt;
  return *r.t;
}

bool SetIntSetting(Settings& s, const SettingKey& key, int value) {
  SettingRef r = key.ref(s);
  switch (r.kind) {
    case SettingRef::Kind::Int:
      *r.i = value;
      return true;
    case SettingRef::Kind::Point:
      r.curve->SetPoint(r.index, value);
      return true;
    case SettingRef::Kind::NoExif:
      r.curve->SetNoExifIndex(value);
      return true;
    default:
      return false;
  }
}

bool SetDoubleSetting(Settings& s, const SettingKey& key, double value) {
  SettingRef r = key.ref(s);
  if (r.kind != SettingRef::Kind::Double) return false;
  *r.d = value;
  return true;
}

bool SetTextSetting(Settings& s, const SettingKey& key, std::string value) {
  SettingRef r = key.ref(s);
  if (r.kind != SettingRef::Kind::Text) return false;
  *r.t = std::move(value);
  return true;
}

std::string FormatSetting(const Settings& s, const SettingKey& key) {
  char buf[64];
  switch (key.type) {
    case SettingType::Int:
      std::snprintf(buf, sizeof buf, "%d", GetIntSetting(s, key).value_or(0));
      return buf;
    case SettingType::Double: {
      // "%e" with a three-digit exponent, as profiles have always stored it (1.500000e+002).
      double v = GetDoubleSetting(s, key).value_or(0.0);
      return FormatProfileReal(v);
    }
    case SettingType::Text:
      return GetTextSetting(s, key).value_or(std::string());
  }
  return {};
}

bool ParseSetting(Settings& s, const SettingKey& key, std::string_view text) {
  switch (key.type) {
    case SettingType::Int: {
      int value = 0;
      const char* first = text.data();
      const char* last = first + text.size();
      if (first != last && *first == '+') ++first;
      auto [end, ec] = std::from_chars(first, last, value);
      if (ec != std::errc() || end != last || first == last) return false;
      return SetIntSetting(s, key, value);
    }
    case SettingType::Double: {
      double value = 0.0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
      return SetDoubleSetting(s, key, value);
    }
    case SettingType::Text:
      return SetTextSetting(s, key, std::string(text));
  }
  return false;
}

void ApplyDefault(Settings& s, const SettingKey& key, const SettingValue& value) {
  switch (key.type) {
    case SettingType::Int:
      SetIntSetting(s, key, value.i);
      break;
    case SettingType::Double:
      SetDoubleSetting(s, key, value.d);
      break;
    case SettingType::Text:
      SetTextSetting(s, key, std::string(value.t));
      break;
  }
}

}  // namespace orv
