// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FileList.h"

#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orv::cli {
namespace {

// More separators in a row than any list holds: the input is no list (a device of zeros).
constexpr size_t kMaxEmptyRun = size_t(1) << 20;

}  // namespace

bool FileListSplitter::Emit(const FileListEntryFn& onEntry, std::string& error) {
  if (separator_ == '\n' && !entry_.empty() && entry_.back() == '\r') entry_.pop_back();
  size_t line = line_++;
  if (entry_.empty()) {
    if (++emptyRun_ > kMaxEmptyRun) {
      error = "entry " + std::to_string(line) + ": too many empty entries in a row: not a list";
      return false;
    }
    return true;
  }
  emptyRun_ = 0;
  // A name cannot hold a NUL byte: the entry would name another file than the list says.
  if (entry_.find('\0') != std::string::npos) {
    error = "line " + std::to_string(line) + " holds a NUL byte (use --null for NUL-separated lists)";
    return false;
  }
  std::string entry;
  entry.swap(entry_);
  if (!onEntry(std::move(entry), line)) {
    if (error.empty()) error = "stopped at line " + std::to_string(line);
    return false;
  }
  return true;
}

bool FileListSplitter::Feed(std::string_view bytes, const FileListEntryFn& onEntry,
                            std::string& error) {
  while (!bytes.empty()) {
    size_t end = bytes.find(separator_);
    std::string_view piece = bytes.substr(0, end);
    if (entry_.size() + piece.size() > PATH_MAX) {
      error = (separator_ == '\n' ? "line " : "entry ") + std::to_string(line_) +
              " is longer than PATH_MAX (" + std::to_string(PATH_MAX) + " bytes)";
      return false;
    }
    entry_.append(piece);
    if (end == std::string_view::npos) return true;
    if (!Emit(onEntry, error)) return false;
    bytes.remove_prefix(end + 1);
  }
  return true;
}

bool FileListSplitter::Finish(const FileListEntryFn& onEntry, std::string& error) {
  if (entry_.empty()) return true;
  return Emit(onEntry, error);
}

std::vector<std::string> SplitFileList(std::string_view text, bool nulSeparated) {
  std::vector<std::string> entries;
  FileListSplitter splitter(nulSeparated);
  std::string error;
  auto keep = [&](std::string&& entry, size_t) {
    entries.push_back(std::move(entry));
    return true;
  };
  if (splitter.Feed(text, keep, error)) splitter.Finish(keep, error);
  return entries;
}

bool ReadFileList(const std::string& path, bool nulSeparated, const FileListEntryFn& onEntry,
                  std::string& error) {
  bool standardInput = path == "-";
  FILE* f = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "--files-from " + path + ": " + std::strerror(errno);
    return false;
  }
  FileListSplitter splitter(nulSeparated);
  std::string fault;
  char buffer[65536];
  size_t n = 0;
  bool ok = true;
  while (ok && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    ok = splitter.Feed(std::string_view(buffer, n), onEntry, fault);
  bool readFailed = ok && std::ferror(f) != 0;
  if (ok && !readFailed) ok = splitter.Finish(onEntry, fault);
  if (!standardInput) std::fclose(f);
  if (readFailed) {
    error = "--files-from " + path + ": read error";
    return false;
  }
  if (!ok) {
    error = "--files-from " + path + ": " + fault;
    return false;
  }
  return true;
}

}  // namespace orv::cli
