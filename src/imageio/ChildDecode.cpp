// The child decodes and writes a small header (error code, width, height, the sizes of what
// follows) then the pixels, the EXIF block, the colour profile, the XMP packet and the decoder's
// own words into a pipe; this process reads them against a deadline straight into the buffers it
// hands out.
#include "imageio/ChildDecode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

// No EXIF block, profile, XMP packet or message comes near this; a child claiming more is not
// believed.
constexpr uint32_t kMaxBlobBytes = 64u << 20;

// Set in the child only: a renderer called in the program's own process never caps it.
bool inChild = false;

struct Header {
  uint32_t error;
  int32_t width, height;
  uint32_t exifSize, iccSize, xmpSize, detailSize;
  uint32_t upright;
};

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t done = write(fd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done, n -= size_t(done);
  }
  return true;
}

// Reads exactly `n` bytes unless the writer goes away or the deadline passes first.
bool ReadAll(int fd, uint8_t* p, size_t n, Clock::time_point deadline) {
  while (n > 0) {
    // Rounded up, so that a wait that gives up has really reached the deadline: the caller tells
    // a child that timed out from one that died by the clock.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd wait{fd, POLLIN, 0};
    const int ready = poll(&wait, 1, int(std::min<long long>(left, 60'000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return false;
    if (ready == 0) continue;  // the deadline is checked above
    const ssize_t got = read(fd, p, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got, n -= size_t(got);
  }
  return true;
}

template <class Bytes>
bool ReadBlob(int fd, Bytes& out, uint32_t size, Clock::time_point deadline) {
  out.resize(size);
  return size == 0 || ReadAll(fd, reinterpret_cast<uint8_t*>(out.data()), size, deadline);
}

// The address space this process has mapped now (the first field of /proc/self/statm, in pages).
uint64_t MappedBytes() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long long pages = 0;
  const bool ok = std::fscanf(f, "%llu", &pages) == 1;
  std::fclose(f);
  return ok ? uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}


// What the child may map is counted beyond what it inherited: the forked copy of a busy parent
// (its threads' stacks, other workers' pictures) is already mapped and costs nothing until
// touched.
uint32_t BlobSize(size_t n) {
  return n <= kMaxBlobBytes ? uint32_t(n) : 0;
}

[[noreturn]] void RenderAndSend(int fd, PictureRenderer render, const uint8_t* data, size_t size,
                                uint64_t memoryBytes) {
  inChild = true;
  LimitChildMemory(memoryBytes);
  int w = 0, h = 0;
  uint8_t* pixels = render(data, size, &w, &h);
  const unsigned error = pixels ? 0u : GetLastLibraryError();
  static const DecodedMetadata kNone;
  static const std::string kNoDetail;
  const LibraryContext* ctx = ExistingContext();
  const DecodedMetadata& meta = ctx && pixels ? ctx->decoded : kNone;
  const std::string& detail = ctx ? ctx->errorDetail : kNoDetail;
  const Header header{error,
                      pixels ? w : 0,
                      pixels ? h : 0,
                      BlobSize(meta.exif.size()),
                      BlobSize(meta.icc.size()),
                      BlobSize(meta.xmp.size()),
                      BlobSize(detail.size()),
                      meta.upright ? 1u : 0u};
  bool sent = WriteAll(fd, reinterpret_cast<const uint8_t*>(&header), sizeof(header));
  if (sent && pixels) sent = WriteAll(fd, pixels, size_t(w) * size_t(h) * 3);
  if (sent) sent = WriteAll(fd, meta.exif.data(), header.exifSize);
  if (sent) sent = WriteAll(fd, meta.icc.data(), header.iccSize);
  if (sent) sent = WriteAll(fd, meta.xmp.data(), header.xmpSize);
  if (sent)
    sent = WriteAll(fd, reinterpret_cast<const uint8_t*>(detail.data()), header.detailSize);
  // No exit handlers: they belong to the parent (open windows, log files, leak checks).
  _exit(sent ? 0 : 1);
}

}  // namespace

void LimitChildMemory(uint64_t extraBytes) {
  if (!inChild || extraBytes == 0) return;
  const uint64_t now = MappedBytes();
  uint64_t cap = 0;
  if (now == 0 || !CheckedAdd<uint64_t>(now, extraBytes, cap)) return;
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur <= cap)
    return;
  limit.rlim_cur = rlim_t(cap);
  setrlimit(RLIMIT_AS, &limit);
}

uint64_t ChildMemoryFor(uint64_t pixels, uint64_t bytesPerPixel) {
  constexpr uint64_t kLibraryRoom = 512ull << 20;
  uint64_t bytes = 0;
  if (!CheckedMul<uint64_t>(pixels, bytesPerPixel, bytes) ||
      !CheckedAdd<uint64_t>(bytes, kLibraryRoom, bytes))
    return UINT64_MAX / 2;
  return bytes;
}

uint8_t* RenderInChild(PictureRenderer render, const uint8_t* data, size_t size, int* width,
                       int* height, const ChildLimits& limits, ChildEnd* end) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  if (child == 0) {
    close(fds[0]);
    RenderAndSend(fds[1], render, data, size, limits.memoryBytes);
  }
  close(fds[1]);

  const auto deadline = Clock::now() + std::chrono::seconds(limits.seconds);
  Header header{};
  LibraryBuffer pixels;
  DecodedMetadata meta;
  std::string detail;
  unsigned error = limits.failureCode;
  bool ok = ReadAll(fds[0], reinterpret_cast<uint8_t*>(&header), sizeof(header), deadline);
  const bool answered = ok;
  ok = ok && header.exifSize <= kMaxBlobBytes && header.iccSize <= kMaxBlobBytes &&
       header.xmpSize <= kMaxBlobBytes && header.detailSize <= kMaxBlobBytes;
  if (ok && header.error == 0) {
    pixels.reset(AllocatePixels(header.width, header.height, 3, false));
    if (!pixels) error = GetLastLibraryError();
    ok = pixels &&
         ReadAll(fds[0], pixels.get(), size_t(header.width) * size_t(header.height) * 3, deadline);
  }
  try {
    ok = ok && ReadBlob(fds[0], meta.exif, header.exifSize, deadline) &&
         ReadBlob(fds[0], meta.icc, header.iccSize, deadline) &&
         ReadBlob(fds[0], meta.xmp, header.xmpSize, deadline) &&
         ReadBlob(fds[0], detail, header.detailSize, deadline);
  } catch (...) {  // memory ran out for the metadata
    ok = false;
    error = kErrNoMemory;
  }
  if (ok && header.error != 0) {
    error = header.error;
    ok = false;
    if (LibraryContext* ctx = CurrentContext()) ctx->errorDetail = std::move(detail);
  }
  close(fds[0]);
  const bool timedOut = Clock::now() >= deadline;
  if (end) *end = answered ? ChildEnd::kAnswered : timedOut ? ChildEnd::kTimedOut : ChildEnd::kDied;
  if (!ok) kill(child, SIGKILL);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (!ok) {
    SetLastLibraryError(error);
    return nullptr;
  }
  if (LibraryContext* ctx = CurrentContext()) {
    meta.upright = header.upright != 0;
    ctx->decoded = std::move(meta);
  }
  *width = header.width;
  *height = header.height;
  return pixels.release();
}

}  // namespace orv
