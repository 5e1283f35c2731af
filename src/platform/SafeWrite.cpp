#include "platform/SafeWrite.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>

namespace orv {

TempFile::TempFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
  std::string pattern = finalPath_ + ".orvtmp-XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return;
  // mkstemp creates 0600; give the file the usual permissions of a new file.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    ::close(fd);
    ::unlink(pattern.c_str());
    return;
  }
  tempPath_ = pattern;
}

TempFile::~TempFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

bool TempFile::Commit() {
  if (!file_) return false;
  bool good = std::fflush(file_) == 0 && !std::ferror(file_);
  good = (std::fclose(file_) == 0) && good;
  file_ = nullptr;
  if (!good) return false;
  if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) return false;
  committed_ = true;
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  TempFile out(path);
  if (!out.ok()) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out.file()) != bytes.size())
    return false;
  return out.Commit();
}

}  // namespace orv
