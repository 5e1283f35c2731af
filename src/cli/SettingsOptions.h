// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings options that `orv run` and `orv profile` share: --profile FILE | --defaults and
// any number of --set Section.Key=VALUE, applied over the current profile of the app folder.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/OptionTable.h"
#include "settings/Settings.h"

namespace orv::cli {

struct SettingsOptions {
  std::string profile;  // --profile FILE
  bool defaults = false;
  std::vector<std::string> sets;  // the VALUE parts of --set, in order
};

// The appliers of the three rows; false with a usage message when --profile and --defaults
// meet.
bool TakeProfileOption(SettingsOptions& options, const std::string& value, std::string& error);
bool TakeDefaultsOption(SettingsOptions& options, std::string& error);

// The rows of --profile, --defaults and --set, shared by every command that builds settings
// (its target holds a SettingsOptions named `settings`).
template <class Target>
constexpr Option<Target> kProfileRow = {
    {"--profile", "", "FILE", ValueKind::Profile,
     "start from a named profile: a path, or a name in the app\n"
     "folder's Profiles folder (with or without .orv)"},
    [](Target& t, const std::string& v, std::string& e) { return TakeProfileOption(t.settings, v, e); }};
template <class Target>
constexpr Option<Target> kDefaultsRow = {
    {"--defaults", "", "", ValueKind::Flag, "start from the default profile (APP_FOLDER/default.orv)"},
    [](Target& t, const std::string&, std::string& e) { return TakeDefaultsOption(t.settings, e); }};
template <class Target>
constexpr Option<Target> kSetRow = {
    {"--set", "", "Section.Key=VALUE", ValueKind::SettingName,
     "change one setting, named as in profile files (orv profile\n"
     "--list-keys), e.g. Mode.Advanced=1; applied in the order given"},
    [](Target& t, const std::string& v, std::string&) {
      t.settings.sets.push_back(v);
      return true;
    }};

// Creation values, then current.orv of the app folder, then --profile or --defaults, then every
// --set in order. False with a message naming the offending argument on a usage error.
bool BuildSettings(const std::string& appFolder, const SettingsOptions& options, Settings& out,
                   std::string& error);

// The setting names nearest to a misspelt one (at most three, the closest first), none when no
// name is close.
std::vector<std::string> NearestSettingNames(std::string_view name);

// Applies one "Section.Key=VALUE"; false with a message when the name is unknown, the '=' is
// missing or the value does not fit the key's type.
bool ApplySetAssignment(Settings& s, const std::string& assignment, std::string& error);

}  // namespace orv::cli
