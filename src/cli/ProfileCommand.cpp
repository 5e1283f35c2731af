// `orv profile`: writes the settings that a run would use to a profile file.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/SettingsOptions.h"
#include "platform/AppFolder.h"
#include "settings/Profile.h"
#include "settings/SettingKeys.h"

namespace orv::cli {

namespace {

// The names --set takes, for shell completion and for users; needs no app folder.
int ListSettingKeys() {
  for (const SettingKey& key : SettingKeys()) std::printf("%s\n", QualifiedName(key).c_str());
  return kExitOk;
}

}  // namespace

int RunProfileCommand(const GlobalOptions& global, std::span<const std::string> args) {
  if (args.size() == 1 && args[0] == "--list-keys") return ListSettingKeys();
  SettingsOptions options;
  std::string writePath, error;
  for (size_t i = 0; i < args.size();) {
    if (TakeSettingsOption(args, i, options, error)) {
      if (!error.empty()) break;
      continue;
    }
    if (args[i] == "--list-keys") {
      error = "--list-keys takes no other argument";
      break;
    }
    if (args[i] == "--write" && i + 1 < args.size()) {
      writePath = args[i + 1];
      i += 2;
    } else if (args[i].rfind("--write=", 0) == 0) {
      writePath = args[i].substr(8);
      ++i;
    } else {
      error = "unexpected argument '" + args[i] + "'";
      break;
    }
  }
  if (error.empty() && writePath.empty()) error = "--write FILE is required";
  if (!error.empty()) {
    std::fprintf(stderr, "orv profile: %s\n", error.c_str());
    return kExitUsage;
  }
  std::string appFolder;
  if (!ResolveAppFolder(global.home, appFolder, error)) {
    std::fprintf(stderr, "orv profile: %s\n", error.c_str());
    return kExitFailed;
  }
  Settings settings;
  if (!BuildSettings(appFolder, options, settings, error)) {
    std::fprintf(stderr, "orv profile: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!SaveProfile(settings, writePath)) {
    std::fprintf(stderr, "orv profile: cannot write %s\n", writePath.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace orv::cli
