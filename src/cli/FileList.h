// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The list of --files-from: paths one a line, or separated by NUL bytes with --null (for names
// that hold newlines, as `find -print0` writes them). "-" reads standard input. The list is read
// as a stream: memory holds one entry at a time, an entry longer than PATH_MAX is refused with
// its line number, and a trailing CR (a list written on Windows) is dropped.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::cli {

// Receives one entry and its line (or, with --null, entry) number; false stops the reading.
using FileListEntryFn = std::function<bool(std::string&& entry, size_t line)>;

// Cuts list text into entries as it arrives in pieces of any size. Empty entries are dropped.
class FileListSplitter {
 public:
  explicit FileListSplitter(bool nulSeparated) : separator_(nulSeparated ? '\0' : '\n') {}
  // False with a message naming the line when an entry is refused, or when onEntry said stop.
  bool Feed(std::string_view bytes, const FileListEntryFn& onEntry, std::string& error);
  // The last entry when the text does not end with a separator.
  bool Finish(const FileListEntryFn& onEntry, std::string& error);

 private:
  bool Emit(const FileListEntryFn& onEntry, std::string& error);

  char separator_;
  std::string entry_;
  size_t line_ = 1;
  size_t emptyRun_ = 0;  // separators in a row: endless ones are no list (/dev/zero)
};

// Splits list text into its entries; empty entries are dropped.
std::vector<std::string> SplitFileList(std::string_view text, bool nulSeparated);

// Reads the list at path ("-": standard input), handing each entry to onEntry as it is read.
// False with a message when it cannot be read or an entry is refused.
bool ReadFileList(const std::string& path, bool nulSeparated, const FileListEntryFn& onEntry,
                  std::string& error);

}  // namespace orv::cli
