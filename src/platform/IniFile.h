// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CIniFile: the ordered section / name / value text store behind profile files and the per-user
// store. Look-ups are exact byte comparisons; new sections and names are appended in order.
#pragma once

#include <string>
#include <vector>

namespace orv {

class CIniFile {
 public:
  CIniFile() = default;
  explicit CIniFile(std::string path) : path_(std::move(path)) {}

  void SetPath(std::string path) { path_ = std::move(path); }
  const std::string& Path() const { return path_; }

  // Parses the file into the store (adding to what it holds). False when the file does not
  // exist (LastError unchanged) or cannot be opened.
  bool ReadFile();
  // Writes every section that holds values, CR LF line ends. The file is written under a
  // temporary name and renamed over the old one, so a failure never leaves half a profile.
  // Returns false when it could not be written (callers may ignore it).
  bool WriteFile();
  void Reset() { sections_.clear(); }

  int SectionCount() const { return int(sections_.size()); }
  int ValueCount(const std::string& section) const;

  std::string GetValue(const std::string& section, const std::string& name,
                       const std::string& defaultValue = "");
  int GetValueI(const std::string& section, const std::string& name, int defaultValue = 0);
  double GetValueF(const std::string& section, const std::string& name, double defaultValue = 0.0);

  bool SetValue(const std::string& section, const std::string& name, const std::string& value,
                bool create = true);
  bool SetValueI(const std::string& section, const std::string& name, int value,
                 bool create = true);
  bool SetValueF(const std::string& section, const std::string& name, double value,
                 bool create = true);

  bool DeleteValue(const std::string& section, const std::string& name);
  bool DeleteSection(const std::string& section);

  int FindSection(const std::string& section) const;
  int FindValue(int sectionIndex, const std::string& name) const;

  const std::string& LastError() const { return lastError_; }

 private:
  struct Section {
    std::string name;
    std::vector<std::string> names;
    std::vector<std::string> values;
  };

  std::string path_;
  std::vector<Section> sections_;
  std::string lastError_;
};

}  // namespace orv
