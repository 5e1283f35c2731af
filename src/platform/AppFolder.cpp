// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppFolder.h"
#include "platform/FileTests.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/SafeWrite.h"

// Where the installed read-only data lies, relative to the installed executable's folder; the
// build sets it from the install layout. Being relative, an installed tree works from any prefix.
#ifndef ORV_DATA_FROM_BIN
#define ORV_DATA_FROM_BIN "../share/orv-lumitra"
#endif

namespace orv {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The app folder's seed files (a profile, help pages) are small; anything larger is not one.
constexpr uint64_t kMaxSeedFile = uint64_t(64) << 20;

// The folder an app folder is seeded from: the first of the program's own folder (a build
// tree) and the installed data folder, other than the app folder itself, that has default.orv;
// empty when none has.
std::string SeedSource(const std::string& folder) {
  for (const std::string& src : {ExecutableFolder(), InstalledDataFolder()})
    if (src != folder && IsRegularFile(src + "/default.orv")) return src;
  return {};
}

// Copies default.orv and the help pages from the seed source.
void Seed(const std::string& folder) {
  const std::string src = SeedSource(folder);
  if (src.empty()) return;
  if (!IsRegularFile(folder + "/default.orv"))
    CopyFileAtomically(src + "/default.orv", folder + "/default.orv", kMaxSeedFile);
  std::string helpFrom = src + "/help", helpTo = folder + "/help";
  if (IsFolder(helpFrom) && MakeFolders(helpTo)) {
    if (DIR* dir = ::opendir(helpFrom.c_str())) {
      while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || name == "log.html") continue;
        if (IsRegularFile(helpFrom + "/" + name) && !IsRegularFile(helpTo + "/" + name))
          CopyFileAtomically(helpFrom + "/" + name, helpTo + "/" + name, kMaxSeedFile);
      }
      ::closedir(dir);
    }
  }
}

// A first run starts from the default profile, not from the settings' creation values: an app
// folder without current.orv gets a copy of its default.orv. An existing current.orv is the
// user's and is never touched.
void SeedCurrentProfile(const std::string& folder) {
  const std::string current = folder + "/current.orv", defaults = folder + "/default.orv";
  if (!PathExists(current) && IsRegularFile(defaults))
    CopyFileAtomically(defaults, current, kMaxSeedFile);
}

}  // namespace

std::string StartingProfileFor(const std::string& appFolder) {
  std::string current = appFolder + "/current.orv";
  return PathExists(current) ? current : DefaultProfileFor(appFolder);
}

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, size_t(n));
  size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string DefaultProfileFor(const std::string& appFolder) {
  std::string own = appFolder + "/default.orv";
  if (IsRegularFile(own)) return own;
  // Not seeded yet (a dry run seeds nothing): the file seeding would copy there.
  const std::string src = SeedSource(appFolder);
  return src.empty() ? own : src + "/default.orv";
}

std::string InstalledDataFolder() {
  return AbsolutePath(ExecutableFolder() + "/" + ORV_DATA_FROM_BIN);
}

std::string AbsolutePath(const std::string& path) {
  std::string full = path;
  if (full.empty() || full[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) full = std::string(cwd) + "/" + full;
  }
  std::string out;
  size_t pos = 0;
  while (pos <= full.size()) {
    size_t slash = full.find('/', pos);
    std::string part =
        full.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    if (!part.empty() && part != ".") out += "/" + part;
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  return out.empty() ? "/" : out;
}

bool MakeFolders(const std::string& path) {
  if (IsFolder(path)) return true;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
  return ::mkdir(path.c_str(), 0777) == 0 || IsFolder(path);
}

bool ChooseAppFolder(const std::string& homeOption, std::string& folder, std::string& error) {
  std::string chosen = homeOption.empty() ? Env("ORV_HOME") : homeOption;
  if (chosen.empty()) {
    std::string exe = ExecutableFolder();
    if (IsRegularFile(exe + "/default.orv") && ::access(exe.c_str(), W_OK) == 0) {
      chosen = exe;
    } else {
      std::string data = Env("XDG_DATA_HOME");
      if (data.empty()) {
        std::string home = Env("HOME");
        if (home.empty()) {
          error = "cannot find the app folder: neither $XDG_DATA_HOME nor $HOME is set";
          return false;
        }
        data = home + "/.local/share";
      }
      chosen = data + "/orv-lumitra";
    }
  }
  folder = AbsolutePath(chosen);
  return true;
}

bool ResolveAppFolder(const std::string& homeOption, std::string& folder, std::string& error) {
  std::string chosen;
  if (!ChooseAppFolder(homeOption, chosen, error)) return false;
  if (!MakeFolders(chosen)) {
    error = "cannot create the app folder " + chosen + ": " + std::strerror(errno);
    return false;
  }
  Seed(chosen);
  SeedCurrentProfile(chosen);
  folder = chosen;
  return true;
}

}  // namespace orv
