// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SettingsOptions.h"
#include "platform/FileTests.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "settings/Profile.h"
#include "settings/SettingKeys.h"
#include "platform/AppFolder.h"
#include "settings/SettingRules.h"
#include "settings/SettingRanges.h"

namespace orv::cli {
namespace {

// A profile named on the command line: the path as given, else a name in the Profiles folder
// (with or without its .orv extension).
std::string FindProfile(const std::string& appFolder, const std::string& name) {
  if (IsRegularFile(name)) return name;
  if (name.find('/') == std::string::npos) {
    std::string inFolder = ProfilesFolder(appFolder) + "/" + name;
    if (IsRegularFile(inFolder)) return inFolder;
    if (IsRegularFile(inFolder + ".orv")) return inFolder + ".orv";
  }
  return {};
}

// The edit distance of two names, letters compared without case (Levenshtein).
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                  std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> NearestSettingNames(std::string_view name) {
  // Close enough to be a slip of the keyboard: a few edits, more for longer names.
  const size_t allowed = std::max<size_t>(2, name.size() / 4);
  size_t best = allowed + 1;
  std::vector<std::string> nearest;
  for (const SettingKey& key : SettingKeys()) {
    std::string candidate = QualifiedName(key);
    size_t d = EditDistance(name, candidate);
    if (d > allowed || d > best) continue;
    if (d < best) nearest.clear();
    best = d;
    if (nearest.size() < 3) nearest.push_back(candidate);
  }
  return nearest;
}

bool TakeProfileOption(SettingsOptions& options, const std::string& value, std::string& error) {
  options.profile = value;
  if (!options.defaults) return true;
  error = "--profile and --defaults cannot be used together";
  return false;
}

bool TakeDefaultsOption(SettingsOptions& options, std::string& error) {
  options.defaults = true;
  if (options.profile.empty()) return true;
  error = "--profile and --defaults cannot be used together";
  return false;
}

bool ApplySetAssignment(Settings& s, const std::string& assignment, std::string& error) {
  size_t eq = assignment.find('=');
  if (eq == std::string::npos) {
    error = "--set " + assignment + ": expected Section.Key=VALUE";
    return false;
  }
  std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  const SettingKey* key = FindSettingKey(name);
  if (!key) {
    error = "--set " + assignment + ": unknown setting '" + name + "'";
    std::vector<std::string> near = NearestSettingNames(name);
    for (size_t i = 0; i < near.size(); ++i)
      error += (i == 0 ? " (did you mean " : i + 1 == near.size() ? " or " : ", ") + near[i];
    error += near.empty() ? "; " : "?); ";
    error += "orv profile --list-keys lists every name";
    return false;
  }
  // The camera list is given as the profile stores it, comma-separated.
  if (key->section == "HotPixels" && key->key == "ExList") value = ExListFromProfile(value);
  if (!ParseSetting(s, *key, value)) {
    error = "--set " + assignment + ": '" + value + "' is not a valid " +
            (key->type == SettingType::Double ? "number" : "whole number") + " for " + name;
    return false;
  }
  if (key->onOff) {
    std::optional<int> stored = GetIntSetting(s, *key);
    if (!stored || (*stored != 0 && *stored != 1)) {
      error = "--set " + assignment + ": " + name + " is a switch: 1 (on) or 0 (off)";
      return false;
    }
  }
  // A font size given here is an entry, limited as the Extra page limits a typed one.
  if (key->section == "Text" && key->key == "FontSize")
    s.Text.FontSize = EnteredFontSize(s.Text.FontSize);
  // The value as stored is checked, so "1e16", "nan" and "inf" are caught alike.
  if (const SettingRange* range = FindSettingRange(key->section, key->key)) {
    SettingRef ref = key->ref(s);
    double stored = ref.kind == SettingRef::Kind::Double ? *ref.d : ref.i ? double(*ref.i) : 0.0;
    if (!(stored >= range->lo && stored <= range->hi)) {
      error = "--set " + assignment + ": " + name + " must be in " + RangeText(*range);
      return false;
    }
  }
  return true;
}

bool BuildSettings(const std::string& appFolder, const SettingsOptions& options, Settings& out,
                   std::string& error) {
  Settings s;
  LoadProfile(s, StartingProfileFor(appFolder));
  if (options.defaults) {
    if (!LoadProfile(s, DefaultProfileFor(appFolder))) {
      error = "--defaults: cannot read " + DefaultProfileFor(appFolder);
      return false;
    }
  } else if (!options.profile.empty()) {
    std::string path = FindProfile(appFolder, options.profile);
    if (path.empty() || !LoadProfile(s, path)) {
      error = "--profile " + options.profile + ": cannot read the profile";
      return false;
    }
  }
  for (const std::string& assignment : options.sets) {
    if (!ApplySetAssignment(s, assignment, error)) return false;
  }
  out = std::move(s);
  return true;
}

}  // namespace orv::cli
