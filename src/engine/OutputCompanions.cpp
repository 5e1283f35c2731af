// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputCompanions.h"

#include "engine/EngineHost.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/FileTests.h"
#include "platform/SafeWrite.h"

namespace orv {
namespace {

// A sidecar larger than this is not an XMP sidecar.
constexpr uint64_t kMaxSidecar = uint64_t(64) << 20;

std::string WithoutExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

}  // namespace

std::vector<SidecarCopy> SidecarsFor(const std::string& sourcePath,
                                     const std::string& outputPath) {
  std::vector<SidecarCopy> found;
  const std::string sourceStem = WithoutExtension(sourcePath);
  const std::string outputStem = WithoutExtension(outputPath);
  for (const char* ext : {".xmp", ".XMP"}) {
    const std::string stemStyle = sourceStem + ext;
    if (stemStyle != sourcePath && IsRegularFile(stemStyle)) {
      found.push_back({stemStyle, outputStem + ext});
      break;  // on a case-blind file system both names are one file
    }
  }
  for (const char* ext : {".xmp", ".XMP"}) {
    const std::string nameStyle = sourcePath + ext;
    if (IsRegularFile(nameStyle)) {
      found.push_back({nameStyle, outputPath + ext});
      break;
    }
  }
  return found;
}

std::vector<SidecarCopy> CopySidecars(const std::string& sourcePath, const std::string& outputPath,
                                      bool keepTime, bool replace) {
  std::vector<SidecarCopy> sidecars = SidecarsFor(sourcePath, outputPath);
  for (SidecarCopy& s : sidecars) {
    // A sidecar is never copied over itself or over the source.
    if (SameFile(s.from, s.to) || SameFile(sourcePath, s.to)) continue;
    if (!replace && PathExists(s.to)) {
      s.existed = true;
      continue;
    }
    s.copied = CopyFileAtomically(s.from, s.to, kMaxSidecar);
    if (s.copied && keepTime) CopyModificationTime(s.from, s.to);
  }
  return sidecars;
}

bool CopyModificationTime(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return false;
  // The access time is left as it is; only the modification time is the source's.
  const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  return ::utimensat(AT_FDCWD, to.c_str(), times, 0) == 0;
}

void CompleteOutput(EngineHost& host, const std::string& sourcePath, const std::string& outputPath,
                    bool keepTime, bool replace) {
  for (const SidecarCopy& s : CopySidecars(sourcePath, outputPath, keepTime, replace))
    if (!s.copied)
      host.ReportProblem((s.existed ? "sidecar not copied, the file exists: "
                                    : "could not copy the sidecar to ") +
                         s.to);
  if (keepTime && !CopyModificationTime(sourcePath, outputPath))
    host.ReportProblem("could not set the modification time of " + outputPath);
}

void CompleteMissingCompanions(EngineHost& host, const std::string& sourcePath,
                               const std::string& outputPath, bool keepTime) {
  for (const SidecarCopy& s : SidecarsFor(sourcePath, outputPath)) {
    if (SameFile(s.from, s.to) || SameFile(sourcePath, s.to) || PathExists(s.to)) continue;
    if (!CopyFileAtomically(s.from, s.to, kMaxSidecar)) {
      host.ReportProblem("could not copy the sidecar to " + s.to);
      continue;
    }
    if (keepTime) CopyModificationTime(s.from, s.to);
  }
  if (!keepTime) return;
  struct stat source {};
  struct stat output {};
  if (::stat(sourcePath.c_str(), &source) != 0 || ::stat(outputPath.c_str(), &output) != 0) return;
  if (source.st_mtim.tv_sec == output.st_mtim.tv_sec &&
      source.st_mtim.tv_nsec == output.st_mtim.tv_nsec)
    return;
  if (!CopyModificationTime(sourcePath, outputPath))
    host.ReportProblem("could not set the modification time of " + outputPath);
}

}  // namespace orv
