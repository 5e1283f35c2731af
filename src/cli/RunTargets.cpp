// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunTargets.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "engine/ProcessLog.h"
#include "platform/AppFolder.h"

namespace orv::cli {
namespace {

// The first bytes of a file, enough to recognise a report or a log.
std::string FileStart(const std::string& path) {
  std::string start;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return start;
  char buffer[256];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) start.assign(buffer, size_t(n));
  ::close(fd);
  return start;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return AbsolutePath(a) == AbsolutePath(b);
}

bool CheckRunTarget(const std::string& path, RunTargetKind kind, std::string& error) {
  const std::string option = kind == RunTargetKind::Report ? "--report " : "--log ";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return true;  // a new file (or one open fails on later)
  if (!S_ISREG(st.st_mode)) {
    // A FIFO or a terminal is written to, never emptied.
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return true;
    error = option + path + ": not a regular file";
    return false;
  }
  if (st.st_size == 0) return true;
  std::string start = FileStart(path);
  bool ours = kind == RunTargetKind::Report ? StartsWith(start, "{\"source\":")
                                            : StartsWith(start, logtext::kHeader);
  if (ours) return true;
  error = option + path + ": the file exists and is not a " +
          (kind == RunTargetKind::Report ? "report" : "log") +
          " of orv; it is not written over (remove it or name another file)";
  return false;
}

}  // namespace orv::cli
