// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/ImageIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "platform/CheckedMath.h"
#include "platform/SafeWrite.h"
#include "platform/WriteAll.h"

namespace orv {

struct ImageSource {
  FILE* file = nullptr;
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  uint64_t pos = 0;
  std::string path;
};

enum class DestKind { kFile, kMemory, kCallbacks };

struct ImageDest {
  DestKind kind = DestKind::kFile;
  bool failed = false;
  // File: a temporary file beside the final name.
  FILE* file = nullptr;
  std::string finalPath;
  std::string tempPath;
  // Without replacing: the names to claim, from claimFirst on, and where to report the one used.
  std::function<std::string(long)> claimName;
  long claimFirst = 0;
  std::string* placedPath = nullptr;
  // Memory.
  uint8_t* buffer = nullptr;
  uint64_t capacity = 0;
  uint64_t highWater = 0;
  uint64_t pos = 0;
  // Callbacks.
  DestCallbacks callbacks{};
  void* object = nullptr;
};

namespace {

thread_local int tLastFileErrno = 0;

void NoteFileErrno() {
  if (errno != 0) tLastFileErrno = errno;
}

bool NewPosition(uint64_t current, uint64_t end, int64_t offset, int origin, uint64_t& out) {
  int64_t base = 0;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = int64_t(current);
      break;
    case SEEK_END:
      base = int64_t(end);
      break;
    default:
      return false;
  }
  int64_t target = 0;
  if (!CheckedAdd<int64_t>(base, offset, target) || target < 0) return false;
  out = uint64_t(target);
  return true;
}

}  // namespace

ImageSource* OpenSourceFile(const char* path) {
  if (!BeginLibraryCall()) return nullptr;
  if (!path) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  tLastFileErrno = 0;
  // Opened without blocking and checked before any read: a FIFO or device named like a photo
  // must not hang the program.
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd < 0) NoteFileErrno();
    if (fd >= 0) ::close(fd);
    SetLastLibraryError(kErrFileOpen);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    SetLastLibraryError(kErrFileOpen);
    return nullptr;
  }
  ImageSource* src = new (std::nothrow) ImageSource();
  if (!src) {
    std::fclose(f);
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  src->file = f;
  src->size = uint64_t(st.st_size);
  src->path = path;
  return src;
}

ImageSource* OpenSourceMemory(const void* data, size_t size) {
  if (!BeginLibraryCall()) return nullptr;
  if (!data && size) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  ImageSource* src = new (std::nothrow) ImageSource();
  if (!src) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  src->data = static_cast<const uint8_t*>(data);
  src->size = size;
  return src;
}

bool SeekSource(ImageSource* source, int64_t offset, int origin) {
  if (!BeginLibraryCall()) return false;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return false;
  }
  uint64_t target = 0;
  if (!NewPosition(source->pos, source->size, offset, origin, target) || target > source->size) {
    SetLastLibraryError(kErrFileRead);
    return false;
  }
  if (source->file && fseeko(source->file, off_t(target), SEEK_SET) != 0) {
    SetLastLibraryError(kErrFileRead);
    return false;
  }
  source->pos = target;
  return true;
}

void CloseSource(ImageSource* source) {
  if (!source) return;
  if (source->file) std::fclose(source->file);
  delete source;
}

size_t ReadSource(ImageSource* source, void* buffer, size_t size) {
  if (!source || !buffer || size == 0) return 0;
  uint64_t left = source->pos < source->size ? source->size - source->pos : 0;
  if (size > left) size = size_t(left);
  size_t got = 0;
  if (source->file) {
    got = std::fread(buffer, 1, size, source->file);
  } else {
    if (size) std::memcpy(buffer, source->data + source->pos, size);
    got = size;
  }
  source->pos += got;
  return got;
}

size_t ReadSourceAt(const ImageSource* source, uint64_t offset, void* buffer, size_t size) {
  if (!source || !buffer || size == 0 || offset >= source->size) return 0;
  if (size > source->size - offset) size = size_t(source->size - offset);
  if (!source->file) {
    std::memcpy(buffer, source->data + offset, size);
    return size;
  }
  // pread leaves the stream's own position (and its buffer) alone.
  const int fd = fileno(source->file);
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, static_cast<uint8_t*>(buffer) + got, size - got,
                              off_t(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  return got;
}

uint64_t SourceSize(const ImageSource* source) {
  return source ? source->size : 0;
}
uint64_t SourcePosition(const ImageSource* source) {
  return source ? source->pos : 0;
}
const char* SourcePath(const ImageSource* source) {
  return source && source->file ? source->path.c_str() : nullptr;
}

int SourceFileDescriptor(const ImageSource* source) {
  return source && source->file ? fileno(source->file) : -1;
}

ImageDest* OpenDestFile(const char* path) {
  if (!BeginLibraryCall()) return nullptr;
  if (!path || !*path) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  ImageDest* dest = new (std::nothrow) ImageDest();
  if (!dest) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  dest->kind = DestKind::kFile;
  dest->finalPath = path;
  tLastFileErrno = 0;
  // The temporary file lives in the same folder so that the final rename stays atomic.
  int fd = CreateTempBeside(dest->finalPath, dest->tempPath);
  if (fd < 0) {
    NoteFileErrno();
    delete dest;
    SetLastLibraryError(kErrFileOpen);
    return nullptr;
  }
  dest->file = fdopen(fd, "w+b");
  if (!dest->file) {
    close(fd);
    DiscardTemp(dest->tempPath, false);
    delete dest;
    SetLastLibraryError(kErrFileOpen);
    return nullptr;
  }
  return dest;
}

void SetDestNoReplace(ImageDest* dest, std::function<std::string(long)> nameAt, long first,
                      std::string* placedPath) {
  if (!dest || dest->kind != DestKind::kFile) return;
  dest->claimName = std::move(nameAt);
  dest->claimFirst = first;
  dest->placedPath = placedPath;
}

int LastFileErrno() {
  return tLastFileErrno;
}

ImageDest* OpenDestMemory(void* buffer, size_t size) {
  if (!BeginLibraryCall()) return nullptr;
  if (!buffer && size) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  ImageDest* dest = new (std::nothrow) ImageDest();
  if (!dest) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  dest->kind = DestKind::kMemory;
  dest->buffer = static_cast<uint8_t*>(buffer);
  dest->capacity = size;
  return dest;
}

ImageDest* OpenDestCallbacks(const DestCallbacks* callbacks, void* object) {
  if (!BeginLibraryCall()) return nullptr;
  if (!callbacks || !callbacks->open || !callbacks->write || !callbacks->seek ||
      !callbacks->position || !callbacks->size || !callbacks->flush || !callbacks->close) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  ImageDest* dest = new (std::nothrow) ImageDest();
  if (!dest) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  dest->kind = DestKind::kCallbacks;
  dest->callbacks = *callbacks;
  dest->object = object;
  if (!callbacks->open(dest, object)) {
    delete dest;
    SetLastLibraryError(kErrFileOpen);
    return nullptr;
  }
  return dest;
}

bool CloseDest(ImageDest* dest) {
  if (!dest) return true;
  bool ok = true;
  switch (dest->kind) {
    case DestKind::kFile: {
      bool flushed = std::fflush(dest->file) == 0 && fsync(fileno(dest->file)) == 0;
      if (!flushed) NoteFileErrno();
      // A duplicate keeps the temporary file's lock until it is placed: no sweep of another
      // run may take the finished file for a killed writer's.
      const int hold = ::fcntl(fileno(dest->file), F_DUPFD_CLOEXEC, 0);
      bool closed = std::fclose(dest->file) == 0;
      if (!closed) NoteFileErrno();
      bool placed = false;
      if (dest->failed) {
        // The encoder already recorded why; only the partial file has to go.
        ok = false;
      } else if (flushed && closed && dest->claimName) {
        long n = PlaceAtFreeName(dest->tempPath, dest->claimName, dest->claimFirst);
        placed = n >= 0;
        if (placed && dest->placedPath) *dest->placedPath = dest->claimName(n);
      } else if (flushed && closed) {
        placed = std::rename(dest->tempPath.c_str(), dest->finalPath.c_str()) == 0;
        if (placed && dest->placedPath) *dest->placedPath = dest->finalPath;
      }
      if (!dest->failed && !placed) {
        NoteFileErrno();
        SetLastLibraryError(kErrFileWrite);
        ok = false;
      }
      DiscardTemp(dest->tempPath, placed);
      if (hold >= 0) ::close(hold);
      break;
    }
    case DestKind::kMemory:
      break;
    case DestKind::kCallbacks:
      dest->callbacks.close(dest->object, dest->failed);
      break;
  }
  delete dest;
  return ok;
}

namespace {

// A file destination's writes of this size or more (a whole encoded photo) go past the page
// cache: the file is synced when it closes.
constexpr size_t kPastCacheWrite = size_t(1) << 20;

bool WriteFilePastCache(ImageDest* dest, const void* data, size_t size) {
  const int fd = fileno(dest->file);
  if (std::fflush(dest->file) != 0 || !WriteAllPastCache(fd, data, size)) {
    NoteFileErrno();
    return false;
  }
  // stdio's position follows the descriptor's, which the writes moved.
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at < 0 || fseeko(dest->file, at, SEEK_SET) != 0) {
    NoteFileErrno();
    return false;
  }
  return true;
}

}  // namespace

bool WriteDest(ImageDest* dest, const void* data, size_t size) {
  if (!dest) return false;
  if (size == 0) return true;
  switch (dest->kind) {
    case DestKind::kFile:
      if (size >= kPastCacheWrite) return WriteFilePastCache(dest, data, size);
      if (std::fwrite(data, 1, size, dest->file) == size) return true;
      NoteFileErrno();
      return false;
    case DestKind::kMemory: {
      if (!RangeInside(dest->pos, size, dest->capacity)) {
        SetLastLibraryError(kErrBufferTooSmall);
        return false;
      }
      std::memcpy(dest->buffer + dest->pos, data, size);
      dest->pos += size;
      if (dest->pos > dest->highWater) dest->highWater = dest->pos;
      return true;
    }
    case DestKind::kCallbacks:
      return dest->callbacks.write(dest->object, data, size) == size;
  }
  return false;
}

bool SeekDest(ImageDest* dest, int64_t offset, int origin) {
  if (!dest) return false;
  switch (dest->kind) {
    case DestKind::kFile:
      if (fseeko(dest->file, off_t(offset), origin) == 0) return true;
      NoteFileErrno();
      return false;
    case DestKind::kMemory: {
      uint64_t target = 0;
      if (!NewPosition(dest->pos, dest->highWater, offset, origin, target) ||
          target > dest->capacity)
        return false;
      // Bytes skipped over by a forward seek read back as zero, as in a file.
      if (target > dest->highWater) {
        std::memset(dest->buffer + dest->highWater, 0, size_t(target - dest->highWater));
        dest->highWater = target;
      }
      dest->pos = target;
      return true;
    }
    case DestKind::kCallbacks:
      return dest->callbacks.seek(dest->object, offset, origin);
  }
  return false;
}

int64_t DestPosition(ImageDest* dest) {
  if (!dest) return -1;
  switch (dest->kind) {
    case DestKind::kFile:
      return int64_t(ftello(dest->file));
    case DestKind::kMemory:
      return int64_t(dest->pos);
    case DestKind::kCallbacks:
      return dest->callbacks.position(dest->object);
  }
  return -1;
}

int64_t DestSize(ImageDest* dest) {
  if (!dest) return -1;
  switch (dest->kind) {
    case DestKind::kFile: {
      if (std::fflush(dest->file) != 0) {
        NoteFileErrno();
        return -1;
      }
      struct stat st {};
      if (fstat(fileno(dest->file), &st) != 0) return -1;
      return int64_t(st.st_size);
    }
    case DestKind::kMemory:
      return int64_t(dest->highWater);
    case DestKind::kCallbacks:
      return dest->callbacks.size(dest->object);
  }
  return -1;
}

uint8_t* DestRoom(ImageDest* dest, size_t size) {
  if (!dest) return nullptr;
  switch (dest->kind) {
    case DestKind::kFile:
      return nullptr;
    case DestKind::kMemory:
      return RangeInside(dest->pos, size, dest->capacity) ? dest->buffer + dest->pos : nullptr;
    case DestKind::kCallbacks:
      return dest->callbacks.room ? dest->callbacks.room(dest->object, size) : nullptr;
  }
  return nullptr;
}

bool FlushDest(ImageDest* dest) {
  if (!dest) return false;
  switch (dest->kind) {
    case DestKind::kFile:
      if (std::fflush(dest->file) == 0) return true;
      NoteFileErrno();
      return false;
    case DestKind::kMemory:
      return true;
    case DestKind::kCallbacks:
      return dest->callbacks.flush(dest->object);
  }
  return false;
}

void MarkDestFailed(ImageDest* dest) {
  if (dest) dest->failed = true;
}

void RollBackDest(ImageDest* dest, int64_t start) {
  if (!dest || start < 0) return;
  switch (dest->kind) {
    case DestKind::kFile:
      std::fflush(dest->file);
      if (ftruncate(fileno(dest->file), off_t(start)) == 0)
        fseeko(dest->file, off_t(start), SEEK_SET);
      break;
    case DestKind::kMemory:
      if (uint64_t(start) <= dest->highWater) dest->highWater = dest->pos = uint64_t(start);
      break;
    case DestKind::kCallbacks:
      dest->callbacks.seek(dest->object, start, SEEK_SET);
      break;
  }
}

}  // namespace orv
