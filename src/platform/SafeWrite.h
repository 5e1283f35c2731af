// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Writing files so that a failure part-way never leaves a damaged file under the final name:
// the data goes to a temporary file in the same folder, which is renamed over the target only
// once it is complete.
#pragma once

#include <cstdio>
#include <ctime>
#include <functional>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class TempFile {
 public:
  // Creates a temporary file beside finalPath; ok() tells whether that worked.
  explicit TempFile(std::string finalPath);
  ~TempFile();  // removes the temporary file unless Commit succeeded
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return file_ != nullptr; }
  FILE* file() { return file_; }
  const std::string& tempPath() const { return tempPath_; }
  // Flushes, closes and renames the file over the final path.
  bool Commit();

 private:
  std::string finalPath_;
  std::string tempPath_;
  FILE* file_ = nullptr;
  bool committed_ = false;
};

// Creates a temporary file in finalPath's folder, named finalPath + ".orvtmp.XXXXXX" or, when
// that would pass the folder's name limit, a shortened form of it that still fits whenever the
// final name does. The file gets the usual permissions of a new file, holds an exclusive lock
// (flock) for as long as the descriptor stays open (a writer keeps it until the file has its final
// name: close only a duplicate descriptor before placing), so another process can tell it is
// still being written, and is remembered for removal should a signal end the process. Returns the
// descriptor, or -1 with errno set.
int CreateTempBeside(const std::string& finalPath, std::string& tempPath);
// Unlinks (unless placed) and forgets a temporary file of CreateTempBeside.
void DiscardTemp(const std::string& tempPath, bool placed);

// Gives a complete temporary file a name of a sequence without ever replacing a file: nameAt(n)
// for n = first, first + 1, ... is tried in turn, and the first name that does not exist is
// created atomically (a hard link, or where the file system has none an exclusive create that
// the file is then renamed over), so two processes never claim one name. On success the
// temporary name is gone and the return value is the n claimed; -1 with errno set otherwise.
long PlaceAtFreeName(const std::string& tempPath, const std::function<std::string(long)>& nameAt,
                     long first);

// Removes the temporary files of this program in folder whose writer is gone: no process holds
// their lock (for names of the earlier spelling, whose writers may not have locked them, they
// must also have been last written before `startedBefore`). Returns their names.
std::vector<std::string> RemoveStaleTempFiles(const std::string& folder, std::time_t startedBefore);

// Writes the whole text (bytes as given) to path through a TempFile.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
// Copies a regular file of at most maxBytes bytes to `to` through a temporary file and a
// rename, so that `to` is either the old file or the whole copy.
bool CopyFileAtomically(const std::string& from, const std::string& to, uint64_t maxBytes);

}  // namespace orv
