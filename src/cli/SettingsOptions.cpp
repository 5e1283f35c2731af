#include "cli/SettingsOptions.h"
#include "platform/FileTests.h"

#include <sys/stat.h>

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

}  // namespace

bool TakeSettingsOption(std::span<const std::string> args, size_t& i, SettingsOptions& options,
                        std::string& error) {
  const std::string& a = args[i];
  auto value = [&](const char* flag, std::string& out) {
    std::string prefix = std::string(flag) + "=";
    if (a.rfind(prefix, 0) == 0) {
      out = a.substr(prefix.size());
      return true;
    }
    if (i + 1 >= args.size()) {
      error = std::string(flag) + " needs a value";
      return true;
    }
    out = args[++i];
    return true;
  };
  if (a == "--profile" || a.rfind("--profile=", 0) == 0) {
    value("--profile", options.profile);
  } else if (a == "--set" || a.rfind("--set=", 0) == 0) {
    std::string assignment;
    value("--set", assignment);
    options.sets.push_back(assignment);
  } else if (a == "--defaults") {
    options.defaults = true;
  } else {
    return false;
  }
  if (error.empty() && options.defaults && !options.profile.empty())
    error = "--profile and --defaults cannot be used together";
  if (error.empty()) ++i;
  return true;
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
    return false;
  }
  // The camera list is given as the profile stores it, comma-separated.
  if (key->section == "HotPixels" && key->key == "ExList") value = ExListFromProfile(value);
  if (!ParseSetting(s, *key, value)) {
    error = "--set " + assignment + ": '" + value + "' is not a valid " +
            (key->type == SettingType::Double ? "number" : "whole number") + " for " + name;
    return false;
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
