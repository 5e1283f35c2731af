// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WatchFolder.h"

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace orv {
namespace {

bool EndsWith(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// statfs magic numbers of file systems whose changes inotify does not see: those made on
// another machine (network) or by a user-space driver (FUSE).
constexpr long kRemoteMagics[] = {
    0x6969,                // NFS
    0x517B,                // SMB
    static_cast<long>(0xFF534D42),  // CIFS
    static_cast<long>(0xFE534D42),  // SMB2
    0x65735546,            // FUSE
    0x564C,                // NCP
    0x5346414F,            // AFS
    0x6B414653,            // kAFS
    0x01021997,            // 9P (v9fs)
    0x73757245,            // Coda
    0x47504653,            // GPFS
    0x0BD00BD0,            // Lustre
    0x19830326,            // FhGFS / BeeGFS
    0x00C36400,            // Ceph
};

}  // namespace

bool IsPartialName(const std::string& name) {
  if (name.empty() || name[0] == '.') return true;
  for (const char* tail : {".part", ".tmp", ".crdownload", "~", ".partial", ".download"})
    if (EndsWith(name, tail)) return true;
  return false;
}

bool IsRemoteFileSystem(const std::string& path) {
  struct statfs fs {};
  if (::statfs(path.c_str(), &fs) != 0) return false;
  const long magic = static_cast<long>(fs.f_type) & 0xFFFFFFFFL;
  for (long m : kRemoteMagics)
    if ((m & 0xFFFFFFFFL) == magic) return true;
  return false;
}

bool ReadFileStamp(const std::string& path, FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp.size = int64_t(st.st_size);
  stamp.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + int64_t(st.st_mtim.tv_nsec);
  return true;
}

FolderWatch::FolderWatch(WatchOptions options) : options_(std::move(options)) {
  for (std::string& f : options_.folders) f = WithSlash(f);
}

FolderWatch::~FolderWatch() {
  if (inotifyFd_ >= 0) ::close(inotifyFd_);
}

bool FolderWatch::IsOutputFolder(const std::string& folder) const {
  struct stat st {};
  return ::lstat((WithSlash(folder) + options_.outputMarker).c_str(), &st) == 0;
}

bool FolderWatch::Start(std::string& error) {
  polling_ = options_.poll.count() > 0;
  for (const std::string& f : options_.folders) {
    struct stat st {};
    if (::stat(f.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      error = f + ": not a folder";
      return false;
    }
    if (IsRemoteFileSystem(f)) polling_ = true;
  }
  if (polling_ && options_.poll.count() <= 0) options_.poll = std::chrono::milliseconds(5000);
  if (!polling_) {
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0) {
      error = std::string("inotify: ") + std::strerror(errno);
      return false;
    }
    std::set<std::pair<dev_t, ino_t>> entered;
    for (const std::string& f : options_.folders) AddWatchTree(f, entered);
    if (watchFolders_.empty()) {
      error = "no folder could be watched";
      return false;
    }
  }
  Rescan(true);
  nextPoll_ = Clock::now() + options_.poll;
  return true;
}

bool FolderWatch::AddWatch(const std::string& folder) {
  const uint32_t mask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MODIFY | IN_CREATE | IN_DELETE |
                        IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  int wd = ::inotify_add_watch(inotifyFd_, folder.c_str(), mask);
  if (wd < 0) return false;
  watchFolders_[wd] = WithSlash(folder);
  return true;
}

void FolderWatch::AddWatchTree(const std::string& folder,
                               std::set<std::pair<dev_t, ino_t>>& entered) {
  std::string f = WithSlash(folder);
  struct stat st {};
  if (::stat(f.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if (!entered.insert({st.st_dev, st.st_ino}).second || IsOutputFolder(f)) return;
  AddWatch(f);
  if (!options_.recursive) return;
  DIR* dir = ::opendir(f.c_str());
  if (!dir) return;
  std::vector<std::string> subfolders;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat sub {};
    if (::stat((f + name).c_str(), &sub) == 0 && S_ISDIR(sub.st_mode)) subfolders.push_back(f + name);
  }
  ::closedir(dir);
  for (const std::string& s : subfolders) AddWatchTree(s, entered);
}

void FolderWatch::Touch(const std::string& path, bool atOnce) {
  if (IsPartialName(NameOf(path))) return;
  FileStamp stamp;
  if (!ReadFileStamp(path, stamp)) return;
  auto handed = handed_.find(path);
  if (handed != handed_.end() && handed->second == stamp) {
    pending_.erase(path);
    return;
  }
  const Clock::time_point now = Clock::now();
  Clock::time_point quietSince = now;
  if (atOnce) {
    // A file found by a scan whose time lies a settle time back has been still that long.
    const auto age = std::chrono::nanoseconds(
        int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count()) -
        stamp.mtimeNs);
    if (age >= options_.settle) quietSince = now - options_.settle;
  }
  auto it = pending_.find(path);
  if (it == pending_.end()) {
    pending_.emplace(path, Pending{stamp, quietSince});
  } else if (!(it->second.stamp == stamp)) {
    it->second = Pending{stamp, quietSince};
  }
}

void FolderWatch::Scan(const std::string& folder, bool atOnce,
                       std::set<std::pair<dev_t, ino_t>>& entered) {
  std::string f = WithSlash(folder);
  struct stat st {};
  if (::stat(f.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if (!entered.insert({st.st_dev, st.st_ino}).second || IsOutputFolder(f)) return;
  DIR* dir = ::opendir(f.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  for (const std::string& name : names) {
    struct stat entry {};
    if (::stat((f + name).c_str(), &entry) != 0) continue;
    if (S_ISDIR(entry.st_mode)) {
      if (options_.recursive) Scan(f + name, atOnce, entered);
    } else if (S_ISREG(entry.st_mode)) {
      Touch(f + name, atOnce);
    }
  }
}

void FolderWatch::Rescan(bool atOnce) {
  std::set<std::pair<dev_t, ino_t>> entered;
  for (const std::string& f : options_.folders) Scan(f, atOnce, entered);
}

void FolderWatch::ReadEvents() {
  alignas(inotify_event) char buffer[64 * 1024];
  bool overflow = false;
  for (;;) {
    ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      const ssize_t step = ssize_t(sizeof(inotify_event)) + ssize_t(e->len);
      if (step > n - at) break;  // never read past what the kernel gave
      at += step;
      if (e->mask & IN_Q_OVERFLOW) {
        overflow = true;
        continue;
      }
      auto folder = watchFolders_.find(e->wd);
      if (folder == watchFolders_.end()) continue;
      if (e->mask & IN_IGNORED) {
        watchFolders_.erase(folder);
        continue;
      }
      if (e->len == 0) continue;
      const std::string path = folder->second + std::string(e->name, strnlen(e->name, e->len));
      if (e->mask & IN_ISDIR) {
        // A new subfolder: watched from now on, and what was put in it before the watch
        // took hold is found by scanning it.
        if (options_.recursive && (e->mask & (IN_CREATE | IN_MOVED_TO))) {
          std::set<std::pair<dev_t, ino_t>> entered, scanned;
          AddWatchTree(path, entered);
          Scan(path, false, scanned);
        }
        continue;
      }
      if (e->mask & (IN_DELETE | IN_MOVED_FROM)) {
        // Gone: nothing more to wait for, and a watch of weeks keeps no trace of it.
        pending_.erase(path);
        handed_.erase(path);
      } else if (e->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
        Touch(path);
      } else if (e->mask & IN_MODIFY) {
        // A writer that closed and opened again: the settle time starts over.
        auto it = pending_.find(path);
        if (it != pending_.end()) Touch(path);
      }
    }
  }
  if (overflow) {
    // Events were lost: the watches are set again where missing and every folder is listed.
    std::set<std::pair<dev_t, ino_t>> entered;
    for (const std::string& f : options_.folders) AddWatchTree(f, entered);
    Rescan(false);
  }
}

std::vector<std::string> FolderWatch::TakeSettled(Clock::time_point now) {
  std::vector<std::string> settled;
  for (auto it = pending_.begin(); it != pending_.end();) {
    const std::string& path = it->first;
    if (now - it->second.quietSince < options_.settle) {
      ++it;
      continue;
    }
    FileStamp stamp;
    if (!ReadFileStamp(path, stamp) || IsOutputFolder(ParentOf(path))) {
      it = pending_.erase(it);
      continue;
    }
    if (!(stamp == it->second.stamp)) {
      it->second = Pending{stamp, now};
      ++it;
      continue;
    }
    handed_[path] = stamp;
    settled.push_back(path);
    it = pending_.erase(it);
  }
  return settled;  // the map keeps them in name order
}

bool FolderWatch::SettlesBy(Clock::time_point when) const {
  for (const auto& [path, p] : pending_)
    if (p.quietSince + options_.settle <= when) return true;
  return false;
}

std::vector<std::string> FolderWatch::Wait(int wakeFd, std::chrono::milliseconds maxWait) {
  const Clock::time_point start = Clock::now();
  std::vector<std::string> settled = TakeSettled(start);
  if (!settled.empty()) return settled;
  Clock::time_point until = start + maxWait;
  for (const auto& [path, p] : pending_) until = std::min(until, p.quietSince + options_.settle);
  if (polling_) until = std::min(until, nextPoll_);

  pollfd fds[2];
  nfds_t count = 0;
  if (inotifyFd_ >= 0) fds[count++] = {inotifyFd_, POLLIN, 0};
  if (wakeFd >= 0) fds[count++] = {wakeFd, POLLIN, 0};
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
  // Rounded up, so a deadline is not met by waking a millisecond early and sleeping again.
  int timeout = int(std::clamp<int64_t>(left + 1, 0, 24 * 3600 * 1000));
  int ready = ::poll(fds, count, timeout);
  if (ready > 0 && inotifyFd_ >= 0 && (fds[0].revents & POLLIN)) ReadEvents();
  const Clock::time_point now = Clock::now();
  if (polling_ && now >= nextPoll_) {
    Rescan(false);
    nextPoll_ = now + options_.poll;
  }
  return TakeSettled(now);
}

}  // namespace orv
