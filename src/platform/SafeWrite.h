// Writing files so that a failure part-way never leaves a damaged file under the final name:
// the data goes to a temporary file in the same folder, which is renamed over the target only
// once it is complete.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

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

// Writes the whole text (bytes as given) to path through a TempFile.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orv
