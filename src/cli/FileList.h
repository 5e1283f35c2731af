// The list of --files-from: paths one a line, or separated by NUL bytes with --null (for names
// that hold newlines, as `find -print0` writes them). "-" reads standard input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv::cli {

// Splits list text into its entries; empty entries are dropped.
std::vector<std::string> SplitFileList(std::string_view text, bool nulSeparated);

// Reads the list at path ("-": standard input). False with a message when it cannot be read.
bool ReadFileList(const std::string& path, bool nulSeparated, std::vector<std::string>& entries,
                  std::string& error);

}  // namespace orv::cli
