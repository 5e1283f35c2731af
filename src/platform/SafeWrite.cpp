// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SafeWrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/ExitCleanup.h"

namespace orv {
namespace {

constexpr char kTempMark[] = ".orvtmp.";
constexpr size_t kRandomChars = 6;  // the XXXXXX of mkstemp

// The longest file name the folder takes (255 on every common Linux file system).
size_t NameLimit(const std::string& folder) {
  long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? size_t(limit) : 255;
}

// True for names CreateTempBeside makes (current and earlier spellings).
bool IsTempName(const std::string& name) {
  size_t suffix = sizeof kTempMark - 1 + kRandomChars;
  if (name.size() < suffix) return false;
  std::string mark = name.substr(name.size() - suffix, sizeof kTempMark - 1);
  return mark == kTempMark || mark == ".orvtmp-";
}

}  // namespace

int CreateTempBeside(const std::string& finalPath, std::string& tempPath) {
  size_t slash = finalPath.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
  size_t extra = sizeof kTempMark - 1 + kRandomChars;
  size_t limit = NameLimit(folder);
  // A long final name is cut so that the temporary name fits beside it.
  if (name.size() + extra > limit) name.resize(limit > extra ? limit - extra : 1);
  const std::string base = folder + name + kTempMark;
  std::string pattern;
  int fd = -1;
  // Another run's sweep may take a fresh file's lock before its writer does (it then removes
  // the file): the writer sees its lock refused and starts again with a new name.
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    pattern = base + "XXXXXX";
    {
      // A signal between creating and remembering the file would leave it behind.
      TempFileCreation creation;
      if (!creation.ok()) {
        errno = EINTR;  // the process is ending by a signal
        return -1;
      }
      fd = ::mkostemp(pattern.data(), O_CLOEXEC);
      const int saved = errno;
      if (fd >= 0) RememberTempFile(pattern);
      errno = saved;
    }
    if (fd < 0) return -1;
    const bool refused = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    // A sweep may also have taken the lock, removed the file and let go before this writer
    // asked: the lock is then granted on a file without a name, whose placing would fail.
    struct stat st {};
    const bool removed = !refused && ::fstat(fd, &st) == 0 && st.st_nlink == 0;
    if (refused || removed) {
      ::close(fd);
      ForgetTempFile(pattern);  // the sweep that took it has removed it
      fd = -1;
    }
  }
  if (fd < 0) {
    errno = EAGAIN;
    return -1;
  }
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  tempPath = pattern;
  return fd;
}

void DiscardTemp(const std::string& tempPath, bool placed) {
  if (tempPath.empty()) return;
  if (!placed) ::unlink(tempPath.c_str());
  ForgetTempFile(tempPath);
}

long PlaceAtFreeName(const std::string& tempPath, const std::function<std::string(long)>& nameAt,
                     long first) {
  for (long n = first; n >= 0; ++n) {
    std::string name = nameAt(n);
    if (::link(tempPath.c_str(), name.c_str()) == 0) {
      ::unlink(tempPath.c_str());
      return n;
    }
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EXDEV) return -1;
    // No hard links here: claim the name with an exclusive create, then fill it by rename.
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    ::close(fd);
    if (::rename(tempPath.c_str(), name.c_str()) != 0) {
      int saved = errno;
      ::unlink(name.c_str());
      errno = saved;
      return -1;
    }
    return n;
  }
  errno = EEXIST;
  return -1;
}

std::vector<std::string> RemoveStaleTempFiles(const std::string& folder,
                                              std::time_t startedBefore) {
  std::vector<std::string> removed;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return removed;
  std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (!IsTempName(name)) continue;
    std::string path = base + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A held lock means a live writer: every writer holds it from creating the file until the
    // file has its final name. Names of the earlier spelling come from writers that may have
    // taken no lock, so for them only a change before this run started means gone.
    const size_t markAt = name.size() - (sizeof kTempMark - 1 + kRandomChars);
    const bool lockedByWriters = name.compare(markAt, sizeof kTempMark - 1, kTempMark) == 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        (lockedByWriters || st.st_mtime < startedBefore) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0)
      removed.push_back(name);
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

TempFile::TempFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
  std::string path;
  int fd = CreateTempBeside(finalPath_, path);
  if (fd < 0) return;
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    ::close(fd);
    DiscardTemp(path, false);
    return;
  }
  tempPath_ = path;
}

TempFile::~TempFile() {
  if (file_) std::fclose(file_);
  DiscardTemp(tempPath_, committed_);
}

bool TempFile::Commit() {
  if (!file_) return false;
  bool good = std::fflush(file_) == 0 && !std::ferror(file_);
  // The lock stays held through the rename (a duplicate shares it), so that no sweep takes the
  // complete file for a dead writer's.
  const int hold = ::fcntl(fileno(file_), F_DUPFD_CLOEXEC, 0);
  good = (std::fclose(file_) == 0) && good;
  file_ = nullptr;
  good = good && ::rename(tempPath_.c_str(), finalPath_.c_str()) == 0;
  if (hold >= 0) ::close(hold);
  if (!good) return false;
  committed_ = true;
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  TempFile out(path);
  if (!out.ok()) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out.file()) != bytes.size())
    return false;
  return out.Commit();
}

bool CopyFileAtomically(const std::string& from, const std::string& to, uint64_t maxBytes) {
  FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  struct stat st {};
  bool ok = ::fstat(fileno(in), &st) == 0 && S_ISREG(st.st_mode) &&
            uint64_t(st.st_size) <= maxBytes;
  TempFile out(to);
  ok = ok && out.ok();
  char buffer[65536];
  while (ok) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, in);
    if (n == 0) {
      ok = !std::ferror(in);
      break;
    }
    ok = std::fwrite(buffer, 1, n, out.file()) == n;
  }
  std::fclose(in);
  return ok && out.Commit();
}

}  // namespace orv
