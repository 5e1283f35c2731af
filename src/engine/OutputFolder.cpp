// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "engine/EngineHost.h"
#include "platform/AppFolder.h"
#include "platform/FileTests.h"
#include "platform/SafeWrite.h"
#include "settings/SettingValues.h"

namespace orv {
namespace {

// A path component the output folder may hold: not empty, not a dot entry, no blank or tab at
// either end, no control characters.
bool ValidComponent(const std::string& c) {
  if (c.empty() || c == "." || c == "..") return false;
  auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
  if (blank(c.front()) || blank(c.back())) return false;
  return std::none_of(c.begin(), c.end(),
                      [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f; });
}

// 0 when every component of the absolute path is valid, else 1.
int CheckFolderPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return 1;
  size_t pos = 1;
  while (pos < path.size()) {
    size_t slash = path.find('/', pos);
    if (!ValidComponent(path.substr(pos, slash == std::string::npos ? std::string::npos
                                                                     : slash - pos)))
      return 1;
    if (slash == std::string::npos) break;
    pos = slash + 1;
    if (pos >= path.size()) return 1;  // a trailing slash leaves an empty last component
  }
  return 0;
}

std::string WithSlash(const std::string& folder) {
  return !folder.empty() && folder.back() == '/' ? folder : folder + '/';
}

void ShowFolderMessage(EngineHost& host, const char* format, const std::string& path) {
  char buf[4200];
  std::snprintf(buf, sizeof buf, format, path.c_str());
  host.ShowMessage(buf);
}

}  // namespace

std::string TreeBelowRoot(const Settings& s, const std::string& sourceDir) {
  const std::string dir = WithSlash(sourceDir);
  // The first queued folder that holds the source: its scan queued it.
  for (const std::string& root : s.Output.TreeRoots) {
    const std::string r = WithSlash(root);
    if (dir.size() >= r.size() && dir.compare(0, r.size(), r) == 0) return dir.substr(r.size());
  }
  if (!s.Output.TreeBase.empty()) {
    const std::string base = WithSlash(s.Output.TreeBase);
    if (dir.size() >= base.size() && dir.compare(0, base.size(), base) == 0)
      return dir.substr(base.size());
  }
  // A file under no root keeps the name of its own folder, as the one-level mirror does.
  size_t last = sourceDir.rfind('/');
  return last == std::string::npos || last + 1 >= sourceDir.size()
             ? std::string()
             : sourceDir.substr(last + 1) + '/';
}

std::string OutputFolderFor(const Settings& s, const std::string& sourcePath) {
  size_t slash = sourcePath.rfind('/');
  std::string sourceDir = slash == std::string::npos ? std::string() : sourcePath.substr(0, slash);
  std::string dir = sourceDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  const std::string& folder = s.Output.SimDir;
  const bool simDir = s.Output.Type == output_type::kFolder && !folder.empty();
  if (s.Output.Type == output_type::kOrvSubfolder || (s.Output.Type == output_type::kFolder && !simDir)) {
    dir += "ORV";
  } else if (simDir) {
    dir = folder;
    if (dir.back() != '/') dir += '/';
    size_t last = sourceDir.rfind('/');
    if (s.Output.MirrorTree == mirror_tree::kWholeTree)
      dir += TreeBelowRoot(s, sourceDir);
    else if (s.Output.MirrorFolders != 0 && last != std::string::npos)
      dir += sourceDir.substr(last + 1) + '/';
  }
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

int EnsureFolder(EngineHost* host, const std::string& path, bool ask) {
  int code = CheckFolderPath(path);
  if (code == 0) {
    if (IsFolder(path)) return 0;
    if (ask && host) {
      char buf[4200];
      std::snprintf(buf, sizeof buf,
                    "The folder:\n\n%s\n\ndoes not exist. Do you want the folder to be created?",
                    path.c_str());
      if (!host->AskYesNo(buf)) return -1;
    }
    if (!MakeFolders(path) || !IsFolder(path)) code = 2;
  }
  if (code != 0 && host)
    ShowFolderMessage(*host,
                      code == 1 ? "The folder:\n\n%s\n\nis invalid. Please reenter."
                                : "The folder:\n\n%s\n\ncan not be created. Please double check.",
                      path);
  return code;
}

bool WriteFolderMarker(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += "orvoutput.dir";
  // A link planted as the marker would make every save append to whatever it points at.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  0666);
  if (fd < 0) return errno != ELOOP;
  struct stat st {};
  bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (regular) {
    ssize_t ignored = ::write(fd, "*", 1);
    (void)ignored;
  }
  ::close(fd);
  return regular;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

SourceFolders::SourceFolders(const std::vector<std::string>& photoPaths) {
  std::set<std::string> seen;
  for (const std::string& path : photoPaths) {
    std::string folder = FolderOfPath(path);
    if (!seen.insert(folder).second) continue;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) folders_.insert({st.st_dev, st.st_ino});
  }
}

bool SourceFolders::Holds(const std::string& folder) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto known = answers_.find(folder);
  if (known != answers_.end()) return known->second;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return false;  // asked again once it exists
  const bool holds = folders_.count({st.st_dev, st.st_ino}) != 0;
  answers_.emplace(folder, holds);
  return holds;
}

std::vector<std::string> StaleTempSweep::SweepOnce(const std::string& folder) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!swept_.insert(folder).second) return {};
  }
  return RemoveStaleTempFiles(folder, started_);
}

}  // namespace orv
