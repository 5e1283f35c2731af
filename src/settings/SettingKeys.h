// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The one table of setting keys: section, key, type, key-table default, creation value, in the
// order a profile writes them. Profile load and save, `orv --set` and the settings pages all walk
// this table instead of repeating the names.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace orv {

enum class SettingType { Int, Double, Text };

// The storage behind one key inside a Settings object.
struct SettingRef {
  enum class Kind { Int, Double, Text, Point, NoExif };
  Kind kind = Kind::Int;
  int* i = nullptr;
  double* d = nullptr;
  std::string* t = nullptr;
  Curve* curve = nullptr;
  int index = 0;  // point index for Kind::Point
};

struct SettingValue {
  int i = 0;
  double d = 0.0;
  std::string_view t = {};
};

struct SettingKey {
  std::string_view section;
  std::string_view key;
  SettingType type;
  SettingRef (*ref)(Settings&);
  SettingValue keyDefault;  // what a profile without the key gives
  SettingValue creation;    // what the model holds before any profile is read
  // A switch: its page offers a check box (or two choices), so 1 = on and 0 = off are its only
  // values. A profile is still read as it is; `--set` refuses anything else.
  bool onOff;
};

// Every key, in the written order of a profile.
std::span<const SettingKey> SettingKeys();

// Exact, case-sensitive look-ups; null when there is no such key.
const SettingKey* FindSettingKey(std::string_view section, std::string_view key);
const SettingKey* FindSettingKey(std::string_view qualifiedName);  // "Section.Key"
std::string QualifiedName(const SettingKey& key);

// Typed access; empty or false when the key holds another type.
std::optional<int> GetIntSetting(const Settings& s, const SettingKey& key);
std::optional<double> GetDoubleSetting(const Settings& s, const SettingKey& key);
std::optional<std::string> GetTextSetting(const Settings& s, const SettingKey& key);
bool SetIntSetting(Settings& s, const SettingKey& key, int value);  // curve points clamp to 0..255
bool SetDoubleSetting(Settings& s, const SettingKey& key, double value);
bool SetTextSetting(Settings& s, const SettingKey& key, std::string value);

// The value as a profile writes it: "%d", "%e" or the text as held.
std::string FormatSetting(const Settings& s, const SettingKey& key);
// Stores a value given as text. Strict: an integer must be a whole decimal number within 32
// bits, a real a complete decimal number; texts take anything. False (nothing stored) otherwise.
bool ParseSetting(Settings& s, const SettingKey& key, std::string_view text);

// Stores the key-table default or the creation value of one key.
void ApplyDefault(Settings& s, const SettingKey& key, const SettingValue& value);

}  // namespace orv
