// The settings options that `orv run` and `orv profile` share: --profile FILE | --defaults and
// any number of --set Section.Key=VALUE, applied over the current profile of the app folder.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "settings/Settings.h"

namespace orv::cli {

struct SettingsOptions {
  std::string profile;  // --profile FILE
  bool defaults = false;
  std::vector<std::string> sets;  // the VALUE parts of --set, in order
};

// If args[i] starts a settings option, consumes it (and its value) into options, advancing i
// past it, and returns true. A malformed option sets error (a usage error).
bool TakeSettingsOption(std::span<const std::string> args, size_t& i, SettingsOptions& options,
                        std::string& error);

// Creation values, then current.orv of the app folder, then --profile or --defaults, then every
// --set in order. False with a message naming the offending argument on a usage error.
bool BuildSettings(const std::string& appFolder, const SettingsOptions& options, Settings& out,
                   std::string& error);

// Applies one "Section.Key=VALUE"; false with a message when the name is unknown, the '=' is
// missing or the value does not fit the key's type.
bool ApplySetAssignment(Settings& s, const std::string& assignment, std::string& error);

}  // namespace orv::cli
