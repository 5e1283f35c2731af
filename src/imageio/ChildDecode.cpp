// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's side of the decoding helper: the file itself, or bytes held in memory copied
// into a memory file, becomes the helper's standard input, which it maps; the helper is started with posix_spawn (no copy of this threaded
// process ever runs library code), and its answer is read from a pipe against a deadline straight
// into the buffers handed out. Every size the helper sends is checked as if it came from a file.
#include "imageio/ChildDecode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "imageio/ChildDecodeWire.h"
#include "imageio/DecoderStart.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/AppFolder.h"
#include "platform/CheckedMath.h"
#include "platform/FileTests.h"
#include "platform/LargeBuffer.h"

extern char** environ;

#ifndef ORV_HELPER_FROM_BIN
#define ORV_HELPER_FROM_BIN "../libexec/orv-lumitra"
#endif

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kHelperName[] = "orv-decode";
// The pipe's buffer, raised from the default 64 KiB to what an unprivileged process may ask: the
// picture then crosses in a few hundred reads instead of thousands.
constexpr int kPipeBytes = 1 << 20;

// Set in the helper only: a decoder called in the program's own process (the fuzz targets, the
// tests) never caps it.
bool inHelper = false;

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int get() const { return fd_; }
  // Hands the descriptor over without closing it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// Reads exactly `n` bytes unless the writer goes away or the deadline passes first.
bool ReadAll(int fd, uint8_t* p, size_t n, Clock::time_point deadline) {
  while (n > 0) {
    // Rounded up, so that a wait that gives up has really reached the deadline: the caller tells
    // a helper that timed out from one that died by the clock.
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
  FILE* f = std::fopen("/proc/self/statm", "re");
  if (!f) return 0;
  unsigned long long pages = 0;
  const bool ok = std::fscanf(f, "%llu", &pages) == 1;
  std::fclose(f);
  return ok ? uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

// A descriptor of 3 or more: the helper's standard input and output are made with dup2, which
// would leave a descriptor already in place marked close-on-exec.
int AboveStandard(int fd) {
  if (fd < 0 || fd > 2) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

// A memory file of `size` bytes, filled by `fill` through a shared mapping.
template <class Fill>
int MemoryFile(uint64_t size, Fill fill) {
  Descriptor fd(AboveStandard(memfd_create("orv-decode-input", MFD_CLOEXEC)));
  if (fd.get() < 0 || size > uint64_t(SIZE_MAX) || ftruncate(fd.get(), off_t(size)) != 0)
    return -1;
  if (size > 0) {
    void* map = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
    if (map == MAP_FAILED) return -1;
    const bool filled = fill(static_cast<uint8_t*>(map), size_t(size));
    munmap(map, size_t(size));
    if (!filled) return -1;
  }
  return fd.Release();
}

struct SpawnedHelper {
  pid_t pid = -1;
  int answer = -1;  // the read end of the helper's standard output
};

// Starts the helper on `input` with the limits and the thread's RAW target box on its command
// line. Returns false with errno set when it could not be started.
bool SpawnHelper(const std::string& path, const char* decoder, int input, const ChildLimits& limits,
                 SpawnedHelper& out) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  Descriptor readEnd(AboveStandard(fds[0])), writeEnd(AboveStandard(fds[1]));
  if (readEnd.get() < 0 || writeEnd.get() < 0) return false;
  fcntl(readEnd.get(), F_SETPIPE_SZ, kPipeBytes);  // a smaller pipe only costs time

  std::vector<std::string> args = {path, decoder, "--seconds", std::to_string(limits.seconds)};
  if (limits.memoryBytes > 0) args.insert(args.end(), {"--memory", std::to_string(limits.memoryBytes)});
  if (const LibraryContext* ctx = ExistingContext()) {
    if (ctx->rawTargetWidth > 0 && ctx->rawTargetHeight > 0)
      args.insert(args.end(), {"--box", std::to_string(ctx->rawTargetWidth) + "x" +
                                            std::to_string(ctx->rawTargetHeight)});
    if (ctx->rawTargetPercent > 0)
      args.insert(args.end(), {"--percent", std::to_string(ctx->rawTargetPercent)});
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
  // The helper starts with no blocked signals and the default action for every one this program
  // may have ignored or caught (a SIGPIPE ignored here must still end a helper nobody listens to).
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (failed != 0) {
    errno = failed;
    return false;
  }
  out.pid = pid;
  out.answer = readEnd.Release();
  return true;
}

uint8_t* RunHelper(const char* decoder, int input, int* width, int* height,
                   const ChildLimits& limits, ChildEnd* end) {
  if (end) *end = ChildEnd::kNoHelper;
  const std::string path = limits.helper ? std::string(limits.helper) : DecodeHelperPath();
  SpawnedHelper helper;
  if (path.empty() || !SpawnHelper(path, decoder, input, limits, helper)) {
    const bool missing = path.empty() || errno == ENOENT || errno == EACCES || errno == ENOEXEC;
    SetLastLibraryError(missing ? kErrNoDecodeHelper : kErrNoMemory);
    return nullptr;
  }
  Descriptor answer(helper.answer);

  const auto deadline = Clock::now() + std::chrono::seconds(limits.seconds);
  HelperAnswer header{};
  LibraryBuffer pixels;
  DecodedMetadata meta;
  std::string detail;
  unsigned error = limits.failureCode;
  bool ok = ReadAll(answer.get(), reinterpret_cast<uint8_t*>(&header), sizeof(header), deadline);
  const bool answered = ok;
  ok = ok && header.magic == kHelperMagic && header.version == kHelperVersion &&
       header.exifSize <= kMaxHelperBlobBytes && header.iccSize <= kMaxHelperBlobBytes &&
       header.xmpSize <= kMaxHelperBlobBytes && header.detailSize <= kMaxHelperBlobBytes;
  if (ok && header.error == 0) {
    // The sizes pass the pixel cap (with overflow-safe arithmetic) before anything is allocated.
    pixels.reset(AllocatePixels(header.width, header.height, 3, false));
    if (!pixels) error = GetLastLibraryError();
    // Faulted in before the helper's rows arrive, so that slow fresh huge pages go over to
    // small ones.
    if (pixels) PlacePages(pixels.get(), size_t(header.width) * size_t(header.height) * 3);
    ok = pixels && ReadAll(answer.get(), pixels.get(),
                           size_t(header.width) * size_t(header.height) * 3, deadline);
  }
  try {
    ok = ok && ReadBlob(answer.get(), meta.exif, header.exifSize, deadline) &&
         ReadBlob(answer.get(), meta.icc, header.iccSize, deadline) &&
         ReadBlob(answer.get(), meta.xmp, header.xmpSize, deadline) &&
         ReadBlob(answer.get(), detail, header.detailSize, deadline);
  } catch (...) {  // memory ran out for the metadata
    ok = false;
    error = kErrNoMemory;
  }
  if (ok && header.error != 0) {
    error = header.error;
    ok = false;
    if (LibraryContext* ctx = CurrentContext()) ctx->errorDetail = std::move(detail);
    if (header.refusedWidth > 0 && header.refusedHeight > 0)
      NoteRefusedSize(header.refusedWidth, header.refusedHeight);
  }
  answer.Close();
  const bool timedOut = Clock::now() >= deadline;
  if (end) *end = answered ? ChildEnd::kAnswered : timedOut ? ChildEnd::kTimedOut : ChildEnd::kDied;
  if (!ok) kill(helper.pid, SIGKILL);
  while (waitpid(helper.pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (!ok) {
    SetLastLibraryError(error);
    return nullptr;
  }
  if (LibraryContext* ctx = CurrentContext()) {
    meta.upright = header.upright != 0;
    // A full size is believed only as a larger picture within the cap.
    size_t fullBytes = 0;
    if (header.fullWidth >= header.width && header.fullHeight >= header.height &&
        PictureBytes(header.fullWidth, header.fullHeight, 3, fullBytes))
      meta.fullWidth = header.fullWidth, meta.fullHeight = header.fullHeight;
    ctx->decoded = std::move(meta);
  }
  *width = header.width;
  *height = header.height;
  return pixels.release();
}

}  // namespace

void MarkDecodeHelperProcess() {
  inHelper = true;
}

std::string DecodeHelperPath() {
  const std::string folder = ExecutableFolder();
  for (const std::string& path : {folder + "/" + kHelperName,
                                  folder + "/" ORV_HELPER_FROM_BIN "/" + kHelperName}) {
    if (IsRegularFile(path) && access(path.c_str(), X_OK) == 0) return AbsolutePath(path);
  }
  return {};
}

void LimitChildMemory(uint64_t extraBytes) {
  if (!inHelper || extraBytes == 0) return;
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

uint8_t* RenderInChild(const char* decoder, const uint8_t* data, size_t size, int* width,
                       int* height, const ChildLimits& limits, ChildEnd* end) {
  if (!BeginLibraryCall()) return nullptr;
  if (!decoder || (!data && size > 0) || !width || !height) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  Descriptor input(MemoryFile(size, [&](uint8_t* to, size_t n) {
    std::copy(data, data + n, to);
    return true;
  }));
  if (input.get() < 0) {
    if (end) *end = ChildEnd::kAnswered;
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  return RunHelper(decoder, input.get(), width, height, limits, end);
}

uint8_t* DecodeSourceInChild(const char* decoder, ImageSource* source, int bits, int* width,
                             int* height, uint64_t maxFileBytes, const ChildLimits& limits) {
  if (!BeginDecode(source, bits, width, height)) return nullptr;
  LibraryContext* ctx = CurrentContext();
  ctx->decoded = {};
  ctx->errorDetail.clear();
  const uint64_t size = SourceSize(source);
  if (size == 0 || size > maxFileBytes) {
    SetLastLibraryError(limits.failureCode);
    return nullptr;
  }
  // A file goes to the helper as it is, which maps it: its bytes are not copied here at all (a
  // duplicate of 3 or more, as AboveStandard gives). Anything else is read straight into a memory
  // file the helper maps.
  bool readFailed = false;
  const int file = SourceFileDescriptor(source);
  Descriptor input(file >= 0 ? fcntl(file, F_DUPFD_CLOEXEC, 3)
                             : MemoryFile(size, [&](uint8_t* to, size_t n) {
                                 readFailed = !SeekSource(source, 0, SEEK_SET) ||
                                              ReadSource(source, to, n) != n;
                                 return !readFailed;
                               }));
  if (input.get() < 0) {
    SetLastLibraryError(readFailed ? kErrFileRead : kErrNoMemory);
    return nullptr;
  }
  ChildEnd end = ChildEnd::kAnswered;
  uint8_t* pixels = RunHelper(decoder, input.get(), width, height, limits, &end);
  if (!pixels && (end == ChildEnd::kTimedOut || end == ChildEnd::kDied))
    ctx->errorDetail = end == ChildEnd::kTimedOut ? "decoding took too long"
                                                  : "the decoder failed on this file";
  return pixels;
}

}  // namespace orv
