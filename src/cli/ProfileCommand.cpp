// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv profile`: writes the settings that a run would use to a profile file.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/Commands.h"
#include "cli/SettingsOptions.h"
#include "cli/TerminalText.h"
#include "platform/AppFolder.h"
#include "platform/FileTests.h"
#include "settings/Profile.h"
#include "settings/SettingKeys.h"

namespace orv::cli {

namespace {

// The names --set takes, for shell completion and for users; needs no app folder.
int ListSettingKeys() {
  for (const SettingKey& key : SettingKeys()) std::printf("%s\n", QualifiedName(key).c_str());
  return kExitOk;
}

struct ProfileOptions {
  SettingsOptions settings;
  std::string writePath;
  bool listKeys = false;
};

const Option<ProfileOptions> kProfileOptions[] = {
    kProfileRow<ProfileOptions>,
    kDefaultsRow<ProfileOptions>,
    kSetRow<ProfileOptions>,
    {{"--write", "", "FILE", ValueKind::Profile,
      "save the settings to FILE: a path, or a bare name saved in\n"
      "the app folder's Profiles folder (.orv added) as --profile\n"
      "NAME reads it"},
     [](ProfileOptions& o, const std::string& v, std::string&) {
       o.writePath = v;
       return true;
     }},
    {{"--list-keys", "", "", ValueKind::Flag,
      "print every setting name (Section.Key), one a line, in profile\n"
      "order, and nothing else"},
     [](ProfileOptions& o, const std::string&, std::string&) {
       o.listKeys = true;
       return true;
     }},
};

}  // namespace

std::vector<const OptionDoc*> ProfileOptionDocs() {
  return DocsOf<ProfileOptions>(kProfileOptions);
}

int RunProfileCommand(const GlobalOptions& global, std::span<const std::string> args) {
  if (args.size() == 1 && args[0] == "--list-keys") return ListSettingKeys();
  ProfileOptions o;
  std::string error;
  std::vector<std::string> operands;
  ParseRules rules;
  rules.unknownWords = "unexpected argument";
  if (ParseOptions<ProfileOptions>(kProfileOptions, args, o, operands, error, rules)) {
    if (o.listKeys)
      error = "--list-keys takes no other argument";
    else if (!operands.empty())
      error = "unexpected argument '" + operands.front() + "'";
  }
  const SettingsOptions& options = o.settings;
  std::string writePath = o.writePath;
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
  // A bare name is a named profile: saved where --profile NAME finds it.
  if (writePath.find('/') == std::string::npos) {
    std::string folder = ProfilesFolder(appFolder);
    if (!MakeFolders(folder)) {
      std::fprintf(stderr, "orv profile: cannot make %s: %s\n", TerminalSafe(folder).c_str(),
                   std::strerror(errno));
      return kExitFailed;
    }
    bool hasExtension = writePath.size() > 4 &&
                        LowerAscii(writePath.substr(writePath.size() - 4)) == ".orv";
    writePath = folder + "/" + writePath + (hasExtension ? "" : ".orv");
  }
  errno = 0;
  if (!SaveProfile(settings, writePath)) {
    int saved = errno;
    std::fprintf(stderr, "orv profile: cannot write %s: %s\n", TerminalSafe(writePath).c_str(),
                 saved != 0 ? std::strerror(saved) : "write error");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace orv::cli
