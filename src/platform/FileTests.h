// Small questions about paths and names that several parts ask.
#pragma once

#include <string>

namespace orv {

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// ASCII letters lower-cased; other bytes (UTF-8 included) unchanged.
std::string LowerAscii(std::string text);

}  // namespace orv
