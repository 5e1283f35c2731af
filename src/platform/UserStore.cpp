// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UserStore.h"

#include <cstdlib>

#include "platform/AppFolder.h"
#include "platform/IniFile.h"

namespace orv {

std::string UserStorePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && *config) {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return base + "/ORVAutoImage/registry.ini";
}

std::string ReadUserValue(const std::string& section, const std::string& name,
                          const std::string& defaultValue) {
  CIniFile ini(UserStorePath());
  if (!ini.ReadFile()) return defaultValue;
  return ini.GetValue(section, name, defaultValue);
}

bool WriteUserValue(const std::string& section, const std::string& name, const std::string& value) {
  std::string path = UserStorePath();
  MakeFolders(path.substr(0, path.rfind('/')));
  CIniFile ini(path);
  ini.ReadFile();
  ini.SetValue(section, name, value, true);
  return ini.WriteFile();
}

}  // namespace orv
