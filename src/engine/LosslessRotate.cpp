// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LosslessRotate.h"
#include "exif/ExifOrientation.h"
#include "platform/FileTests.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/PictureDimensions.h"
#include "filters/Rotate.h"
#include "imageio/TransformJpeg.h"

namespace orv {
namespace {

// The source file read into memory. It is read, not mapped: a file cut short while it is
// turned then gives a short read (a JPEG the transform refuses), not a SIGBUS.
struct SourceBytes {
  std::vector<uint8_t> data;
  mode_t mode = 0644;
};

bool ReadSource(const std::string& path, SourceBytes& source) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
  if (ok) {
    source.mode = st.st_mode;
    // At most the size seen when opened: a file growing meanwhile cannot make this unbounded.
    source.data.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < source.data.size()) {
      ssize_t n = ::read(fd, source.data.data() + done, source.data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += size_t(n);
    }
    source.data.resize(done);
    ok = done > 0;
  }
  ::close(fd);
  return ok;
}

// Creates a new temporary file beside path with a name no other rotation uses, so a temporary
// file left by a killed rotation never blocks a later one. -1 when none could be made.
int CreateTemporary(const std::string& path, mode_t mode, std::string& tempPath) {
  std::string pattern = path + ".rot-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  tempPath = name.data();
  if (::fchmod(fd, mode & 07777) != 0) {
    ::close(fd);
    ::unlink(tempPath.c_str());
    return -1;
  }
  return fd;
}

// Writes data to a new temporary file beside path with the original's permissions; false when
// the file could not be created (couldCreate false) or written.
bool WriteTemporary(const std::string& path, const uint8_t* data, size_t size, mode_t mode,
                    std::string& tempPath, bool& couldCreate) {
  int fd = CreateTemporary(path, mode, tempPath);
  couldCreate = fd >= 0;
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t w = ::write(fd, data + done, size - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += size_t(w);
  }
  // Flushed before the rename, so the name never points at a file whose data is not on disk.
  bool ok = done == size && ::fdatasync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(tempPath.c_str());
  return ok;
}

// The rows and columns of the source's edges that the turn dropped, from the sizes before and
// after (a quarter turn swaps them).
void CountTrimmed(int srcW, int srcH, int outW, int outH, RotateTurn turn, RotateResult& r) {
  bool quarter = turn != RotateTurn::HalfTurn;
  int keptColumns = quarter ? outH : outW, keptRows = quarter ? outW : outH;
  r.trimmedColumns = srcW > keptColumns ? srcW - keptColumns : 0;
  r.trimmedRows = srcH > keptRows ? srcH - keptRows : 0;
}

RotateResult RotateJpegFile(const std::string& path, RotateTurn turn) {
  RotateResult r;
  SourceBytes source;
  if (!ReadSource(path, source)) {
    r.message = "Can't open source";
    return r;
  }
  int srcW = 0, srcH = 0;
  bool sized = ReadPictureDimensions(path, srcW, srcH);
  unsigned selector = turn == RotateTurn::Clockwise          ? kJpegRotate90
                      : turn == RotateTurn::CounterClockwise ? kJpegRotate270
                                                             : kJpegRotate180;
  std::string tempPath;
  bool created = false, written = false;
  r.code = TransformJpeg(source.data.data(), source.data.size(), selector,
                         [&](const uint8_t* data, size_t size) -> unsigned {
                           // Next to nothing is no picture: the photograph stays as it was.
                           if (size <= 10) return 9;
                           written = WriteTemporary(path, data, size, source.mode, tempPath,
                                                    created);
                           return written ? 0 : 4;
                         });
  if (!written) {
    if (r.code == 4 && !created) {
      r.message = "Can't open destination";
      r.code = 0;
    }
    return r;
  }
  int outW = 0, outH = 0;
  if (sized && ReadPictureDimensions(tempPath, outW, outH))
    CountTrimmed(srcW, srcH, outW, outH, turn, r);
  if (::rename(tempPath.c_str(), path.c_str()) != 0) {
    ::unlink(tempPath.c_str());
    r.code = 4;
    r.trimmedColumns = r.trimmedRows = 0;
    return r;
  }
  r.rotated = true;
  return r;
}

constexpr int kHeifRotateQuality = 90;

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
  if (format == kFormatHeic || format == kFormatAvif) {
    // These are encoded again with loss: keep it small, and keep the metadata, whose Orientation
    // must not turn the upright pixels once more.
    std::vector<uint8_t> exif = file.exifBlock();
    if (file.pixelsUpright()) SetExifOrientationUpright(exif);
    turned.SetEncodeQuality(kHeifRotateQuality);
    turned.SetMetadata(std::move(exif), file.iccProfile(), file.xmpPacket());
  }
  // The save goes to a temporary file that replaces the original only once complete.
  if (r.code == 0) r.code = turned.Save(path.c_str(), format);
  r.rotated = r.code == 0;
  return r;
}

}  // namespace

RotateResult LosslessRotate(const std::string& given, RotateTurn turn) {
  // A symbolic link stays a link: the file it points at is turned, as the user meant.
  std::string path = given;
  if (char* target = ::realpath(given.c_str(), nullptr)) {
    path = target;
    std::free(target);
  }
  if (FormatFromExtension(path.c_str()) == kFormatJpeg) return RotateJpegFile(path, turn);
  return RotateDecodedFile(path, turn);
}

}  // namespace orv
