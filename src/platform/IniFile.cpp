// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include <sys/stat.h>
#include <cstdio>
#include <fstream>

#include "platform/SafeWrite.h"
#include "platform/NumberText.h"

namespace orv {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimLeft(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && IsSpace(s[n - 1])) --n;
  return s.substr(0, n);
}

}  // namespace

bool CIniFile::ReadFile() {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return false;
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    lastError_ = "Unable to open ini file.";
    return false;
  }
  std::string section;
  std::string raw;
  // Lines are read whole, however long: a long camera list must not be split into two entries.
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string line = TrimLeft(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']') {
      size_t first = line.find_first_not_of('[');
      size_t last = line.find_last_not_of(']');
      section = (first == std::string::npos || last == std::string::npos || last < first)
                    ? std::string()
                    : line.substr(first, last - first + 1);
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      SetValue(section, "", TrimRight(line), true);
    } else {
      SetValue(section, TrimRight(line.substr(0, eq)), TrimRight(TrimLeft(line.substr(eq + 1))),
               true);
    }
  }
  return true;
}

bool CIniFile::WriteFile() {
  std::string text;
  for (const Section& s : sections_) {
    if (s.names.empty()) continue;
    text += '[' + s.name + "]\r\n";
    for (size_t i = 0; i < s.names.size(); ++i) text += s.names[i] + '=' + s.values[i] + "\r\n";
    text += "\r\n";
  }
  return WriteFileAtomically(path_, text);
}

int CIniFile::ValueCount(const std::string& section) const {
  int i = FindSection(section);
  return i < 0 ? -1 : int(sections_[size_t(i)].names.size());
}

std::string CIniFile::GetValue(const std::string& section, const std::string& name,
                               const std::string& defaultValue) {
  int s = FindSection(section);
  if (s < 0) {
    lastError_ = "Unable to locate specified key.";
    return defaultValue;
  }
  int v = FindValue(s, name);
  if (v < 0) {
    lastError_ = "Unable to locate specified value.";
    return defaultValue;
  }
  return sections_[size_t(s)].values[size_t(v)];
}

int CIniFile::GetValueI(const std::string& section, const std::string& name, int defaultValue) {
  std::string v = GetValue(section, name, "");
  return v.empty() ? defaultValue : ParseProfileInt(v);
}

double CIniFile::GetValueF(const std::string& section, const std::string& name,
                           double defaultValue) {
  std::string v = GetValue(section, name, "");
  return v.empty() ? defaultValue : ParseProfileReal(v);
}

bool CIniFile::SetValue(const std::string& section, const std::string& name,
                        const std::string& value, bool create) {
  int s = FindSection(section);
  if (s < 0) {
    if (!create) return false;
    sections_.push_back({section, {}, {}});
    s = int(sections_.size()) - 1;
  }
  Section& sec = sections_[size_t(s)];
  int v = FindValue(s, name);
  if (v < 0) {
    if (!create) return false;
    sec.names.push_back(name);
    sec.values.emplace_back();
    v = int(sec.names.size()) - 1;
  }
  sec.values[size_t(v)] = value;
  return true;
}

bool CIniFile::SetValueI(const std::string& section, const std::string& name, int value,
                         bool create) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", value);
  return SetValue(section, name, buf, create);
}

bool CIniFile::SetValueF(const std::string& section, const std::string& name, double value,
                         bool create) {
  return SetValue(section, name, FormatProfileReal(value), create);
}

bool CIniFile::DeleteValue(const std::string& section, const std::string& name) {
  int s = FindSection(section);
  int v = FindValue(s, name);
  if (v < 0) return false;
  Section& sec = sections_[size_t(s)];
  sec.names.erase(sec.names.begin() + v);
  sec.values.erase(sec.values.begin() + v);
  return true;
}

bool CIniFile::DeleteSection(const std::string& section) {
  int s = FindSection(section);
  if (s < 0) return false;
  sections_.erase(sections_.begin() + s);
  return true;
}

int CIniFile::FindSection(const std::string& section) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].name == section) return int(i);
  }
  return -1;
}

int CIniFile::FindValue(int sectionIndex, const std::string& name) const {
  if (sectionIndex < 0 || sectionIndex >= int(sections_.size())) return -1;
  const Section& sec = sections_[size_t(sectionIndex)];
  for (size_t i = 0; i < sec.names.size(); ++i) {
    if (sec.names[i] == name) return int(i);
  }
  return -1;
}

}  // namespace orv
