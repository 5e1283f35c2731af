#include "imageio/LosslessRotate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/Rotate.h"
#include "imageio/TransformJpeg.h"

namespace orv {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  data.clear();
  uint8_t buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Writes data to a new file at tempPath (never over an existing file) with the original's
// permissions; false when the file could not be created, err tells which step failed.
bool WriteNewFile(const std::string& tempPath, const std::vector<uint8_t>& data, mode_t mode,
                  bool& couldCreate) {
  int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
  couldCreate = fd >= 0;
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += size_t(w);
  }
  bool ok = done == data.size() && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(tempPath.c_str());
  return ok;
}

RotateResult RotateJpegFile(const std::string& path, RotateTurn turn) {
  RotateResult r;
  std::vector<uint8_t> source;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !ReadWholeFile(path, source)) {
    r.message = "Can't open source";
    return r;
  }
  unsigned selector = turn == RotateTurn::Clockwise          ? kJpegRotate90
                      : turn == RotateTurn::CounterClockwise ? kJpegRotate270
                                                             : kJpegRotate180;
  std::vector<uint8_t> turned;
  r.code = TransformJpeg(source.data(), source.size(), selector, turned);
  // A transform that failed or produced next to nothing leaves the photograph as it was.
  if (r.code != 0 || turned.size() <= 10) {
    if (r.code == 0) r.code = 9;
    return r;
  }
  std::string tempPath = path.substr(0, path.size() - 3) + "rot";
  bool created = false;
  if (!WriteNewFile(tempPath, turned, st.st_mode, created)) {
    if (!created)
      r.message = "Can't open destination";
    else
      r.code = 4;
    return r;
  }
  if (::rename(tempPath.c_str(), path.c_str()) != 0) {
    ::unlink(tempPath.c_str());
    r.code = 4;
    return r;
  }
  r.rotated = true;
  return r;
}

RotateResult RotateDecodedFile(const std::string& path, RotateTurn turn) {
  RotateResult r;
  ImageFormat format = FormatFromExtension(path.c_str());
  if (format == kFormatUnknown || format == kFormatJpeg) return r;
  CImageFile file;
  ImageSource* source = OpenSourceFile(path.c_str());
  if (!source) return r;
  r.code = file.LoadFromSource(source, format);
  CloseSource(source);
  if (r.code != 0) return r;
  int w = file.width(), h = file.height();
  int code = turn == RotateTurn::Clockwise ? 0 : turn == RotateTurn::CounterClockwise ? 2 : 1;
  uint8_t* pixels = file.LockPixels();
  r.code = RotateImage(pixels, w, h, code, 3);
  file.UnlockPixels();
  if (r.code != 0) return r;
  bool quarter = code != 1;
  CImageFile turned;
  r.code = turned.SetPixels(file.image().pixels(), quarter ? h : w, quarter ? w : h);
  // The save goes to a temporary file that replaces the original only once complete.
  if (r.code == 0) r.code = turned.Save(path.c_str(), format);
  r.rotated = r.code == 0;
  return r;
}

}  // namespace

RotateResult LosslessRotate(const std::string& path, RotateTurn turn) {
  if (path.size() >= 3 && Lower(path.substr(path.size() - 3)) == "jpg")
    return RotateJpegFile(path, turn);
  return RotateDecodedFile(path, turn);
}

}  // namespace orv
