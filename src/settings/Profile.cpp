// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Profile.h"
#include "platform/FileTests.h"

#include <cctype>

#include "platform/IniFile.h"
#include "settings/SettingKeys.h"

namespace orv {
namespace {

bool IsExList(const SettingKey& key) {
  return key.section == "HotPixels" && key.key == "ExList";
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out += to;
  }
  out.append(text, pos, std::string::npos);
  return out;
}

std::string Trim(const std::string& s) {
  const char* ws = " \t\r\n\v\f";
  size_t b = s.find_first_not_of(ws);
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(ws);
  return s.substr(b, e - b + 1);
}

}  // namespace

bool LoadProfile(Settings& s, const std::string& path) {
  CIniFile ini(path);
  if (!ini.ReadFile()) return false;
  for (const SettingKey& key : SettingKeys()) {
    std::string section(key.section), name(key.key);
    switch (key.type) {
      case SettingType::Int:
        SetIntSetting(s, key, ini.GetValueI(section, name, key.keyDefault.i));
        break;
      case SettingType::Double:
        SetDoubleSetting(s, key, ini.GetValueF(section, name, key.keyDefault.d));
        break;
      case SettingType::Text: {
        std::string value = ini.GetValue(section, name, std::string(key.keyDefault.t));
        SetTextSetting(s, key, IsExList(key) ? ExListFromProfile(value) : value);
        break;
      }
    }
  }
  return true;
}

bool SaveProfile(const Settings& s, const std::string& path) {
  CIniFile ini(path);
  for (const SettingKey& key : SettingKeys()) {
    std::string value = FormatSetting(s, key);
    if (IsExList(key)) value = ExListToProfile(value);
    ini.SetValue(std::string(key.section), std::string(key.key), value, true);
  }
  return ini.WriteFile();
}

std::string ExListToProfile(const std::string& list) {
  return ReplaceAll(list, "\r\n", ",");
}

std::string ExListFromProfile(const std::string& stored) {
  return ReplaceAll(stored, ",", "\r\n");
}

bool ExListMatches(const std::string& list, const std::string& model) {
  std::string lowerList = LowerAscii(list), lowerModel = LowerAscii(model);
  size_t pos = 0;
  while (pos <= lowerList.size()) {
    size_t end = lowerList.find("\r\n", pos);
    std::string line = Trim(lowerList.substr(pos, end == std::string::npos ? end : end - pos));
    if (!line.empty() && lowerModel.find(line) != std::string::npos) return true;
    if (end == std::string::npos) break;
    pos = end + 2;
  }
  return false;
}

std::string WindowTitle(const std::string& profileName) {
  std::string title = "ORV Lumitra 2.0";
  if (!profileName.empty()) title += " - " + profileName;
  return title;
}

void MarkProfileModified(std::string& profileName) {
  if (profileName.empty() || profileName.back() == '*') return;
  profileName += " *";
}

std::string CurrentProfilePath(const std::string& appFolder) {
  return appFolder + "/current.orv";
}
std::string DefaultProfilePath(const std::string& appFolder) {
  return appFolder + "/default.orv";
}
std::string ProfilesFolder(const std::string& appFolder) {
  return appFolder + "/Profiles";
}

}  // namespace orv
