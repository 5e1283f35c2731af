#include "cli/FileList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orv::cli {

std::vector<std::string> SplitFileList(std::string_view text, bool nulSeparated) {
  std::vector<std::string> entries;
  char separator = nulSeparated ? '\0' : '\n';
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(separator, pos);
    if (end == std::string_view::npos) end = text.size();
    if (end > pos) entries.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return entries;
}

bool ReadFileList(const std::string& path, bool nulSeparated, std::vector<std::string>& entries,
                  std::string& error) {
  bool standardInput = path == "-";
  FILE* f = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "--files-from " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string text;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  bool failed = std::ferror(f) != 0;
  if (!standardInput) std::fclose(f);
  if (failed) {
    error = "--files-from " + path + ": read error";
    return false;
  }
  entries = SplitFileList(text, nulSeparated);
  return true;
}

}  // namespace orv::cli
