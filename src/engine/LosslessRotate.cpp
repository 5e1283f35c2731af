#include "engine/LosslessRotate.h"
#include "exif/ExifOrientation.h"
#include "platform/FileTests.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "filters/Rotate.h"
#include "imageio/TransformJpeg.h"

namespace orv {
namespace {

// The source file mapped into memory; the pages come from the page cache, no copy is made.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      void* p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (p != MAP_FAILED) {
        data_ = static_cast<const uint8_t*>(p);
        size_ = size_t(st.st_size);
        mode_ = st.st_mode;
      }
    }
    ::close(fd);
  }
  ~MappedFile() {
    if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  mode_t mode() const { return mode_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  mode_t mode_ = 0644;
};

// Writes data to a new file at tempPath (never over an existing file) with the original's
// permissions; false when the file could not be created, err tells which step failed.
bool WriteNewFile(const std::string& tempPath, const uint8_t* data, size_t size, mode_t mode,
                  bool& couldCreate) {
  int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
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

RotateResult RotateJpegFile(const std::string& path, RotateTurn turn) {
  RotateResult r;
  MappedFile source(path);
  if (!source.data()) {
    r.message = "Can't open source";
    return r;
  }
  unsigned selector = turn == RotateTurn::Clockwise          ? kJpegRotate90
                      : turn == RotateTurn::CounterClockwise ? kJpegRotate270
                                                             : kJpegRotate180;
  std::string tempPath = path.substr(0, path.size() - 3) + "rot";
  bool created = false, written = false;
  r.code = TransformJpeg(source.data(), source.size(), selector,
                         [&](const uint8_t* data, size_t size) -> unsigned {
                           // Next to nothing is no picture: the photograph stays as it was.
                           if (size <= 10) return 9;
                           written = WriteNewFile(tempPath, data, size, source.mode(), created);
                           return written ? 0 : 4;
                         });
  if (!written) {
    if (r.code == 4 && !created) {
      r.message = "Can't open destination";
      r.code = 0;
    }
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

RotateResult LosslessRotate(const std::string& path, RotateTurn turn) {
  if (FormatFromExtension(path.c_str()) == kFormatJpeg) return RotateJpegFile(path, turn);
  return RotateDecodedFile(path, turn);
}

}  // namespace orv
