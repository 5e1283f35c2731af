// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/DecodeHelper.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/ChildDecodeWire.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"
#include "platform/WriteAll.h"

namespace orv {
namespace {

// The largest input the helper takes from a pipe (a memory file or a regular file is mapped).
constexpr uint64_t kMaxPipedBytes = 1ull << 30;

struct Request {
  const char* decoder = nullptr;
  long seconds = 0;
  uint64_t memoryBytes = 0;
  int boxWidth = 0, boxHeight = 0;
  int percent = 0;
};

template <class Number>
bool ParseNumber(std::string_view text, Number& out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseRequest(int argc, char** argv, Request& r) {
  if (argc < 2) return false;
  r.decoder = argv[1];
  for (int i = 2; i < argc; i += 2) {
    if (i + 1 >= argc) return false;
    const std::string_view option = argv[i], value = argv[i + 1];
    if (option == "--seconds") {
      if (!ParseNumber(value, r.seconds) || r.seconds <= 0) return false;
    } else if (option == "--memory") {
      if (!ParseNumber(value, r.memoryBytes)) return false;
    } else if (option == "--percent") {
      if (!ParseNumber(value, r.percent)) return false;
    } else if (option == "--box") {
      const size_t x = value.find('x');
      if (x == std::string_view::npos || !ParseNumber(value.substr(0, x), r.boxWidth) ||
          !ParseNumber(value.substr(x + 1), r.boxHeight))
        return false;
    } else {
      return false;
    }
  }
  return true;
}

// Ends with the program that started it, and after a little more processor time than the
// program waits for it: a helper left behind by a killed program never runs on.
void BindToParent(long seconds) {
  const pid_t parent = getppid();
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(1);  // the program ended before the line above took effect
  if (seconds > 0) {
    rlimit cpu{rlim_t(seconds) + 5, rlim_t(seconds) + 5};
    setrlimit(RLIMIT_CPU, &cpu);
  }
}

// Standard input as bytes: mapped when it is a file (the program passes a memory file), read
// when it is a pipe (a person trying the helper by hand).
class Input {
 public:
  bool Open() {
    struct stat st {};
    if (fstat(0, &st) != 0) return false;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
      if (uint64_t(st.st_size) > uint64_t(SIZE_MAX)) return false;
      size_ = size_t(st.st_size);
      void* map = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, 0, 0);
      if (map == MAP_FAILED) return false;
      mapped_ = static_cast<const uint8_t*>(map);
      return true;
    }
    uint8_t chunk[1 << 16];
    for (;;) {
      const ssize_t got = read(0, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return false;
      if (got == 0) break;
      if (read_.size() + size_t(got) > kMaxPipedBytes) return false;
      read_.insert(read_.end(), chunk, chunk + got);
    }
    size_ = read_.size();
    return true;
  }
  const uint8_t* data() const { return mapped_ ? mapped_ : read_.data(); }
  size_t size() const { return size_; }

 private:
  const uint8_t* mapped_ = nullptr;
  std::vector<uint8_t> read_;
  size_t size_ = 0;
};

// Standard output becomes a second standard error. A program run with its standard error closed
// passes none on: /dev/null then takes descriptor 2 first, so that the duplicate can be made and no
// file a library opens later takes the place and receives its messages.
bool OutputToStandardError() {
  if (fcntl(2, F_GETFD) < 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0) return false;
    if (null != 2) {
      const bool moved = dup2(null, 2) == 2;
      close(null);
      if (!moved) return false;
    }
  }
  return dup2(2, 1) == 1;
}

// The picture goes into the pipe by reference (vmsplice) rather than copied into it: the helper
// never touches the buffer again and exits once it is read, so the program's read is the one
// copy. Where the answer is no pipe, a plain write.
bool SpliceAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    iovec chunk{const_cast<uint8_t*>(p), n};
    const ssize_t done = vmsplice(fd, &chunk, 1, 0);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && (errno == EBADF || errno == EINVAL)) return WriteAll(fd, p, n);
    if (done <= 0) return false;
    p += done, n -= size_t(done);
  }
  return true;
}

uint32_t BlobSize(size_t n) {
  return n <= kMaxHelperBlobBytes ? uint32_t(n) : 0;
}

bool Answer(int fd, const uint8_t* pixels, int w, int h, unsigned error) {
  static const DecodedMetadata kNone;
  static const std::string kNoDetail;
  const LibraryContext* ctx = ExistingContext();
  const DecodedMetadata& meta = ctx && pixels ? ctx->decoded : kNone;
  const std::string& detail = ctx ? ctx->errorDetail : kNoDetail;
  const RefusedSize refused = LastRefusedSize();
  const HelperAnswer header{kHelperMagic,
                            kHelperVersion,
                            error,
                            pixels ? w : 0,
                            pixels ? h : 0,
                            BlobSize(meta.exif.size()),
                            BlobSize(meta.icc.size()),
                            BlobSize(meta.xmp.size()),
                            BlobSize(detail.size()),
                            meta.upright ? 1u : 0u,
                            pixels ? meta.fullWidth : 0,
                            pixels ? meta.fullHeight : 0,
                            pixels ? 0 : refused.width,
                            pixels ? 0 : refused.height};
  return WriteAll(fd, &header, sizeof header) &&
         (!pixels || SpliceAll(fd, pixels, size_t(w) * size_t(h) * 3)) &&
         WriteAll(fd, meta.exif.data(), header.exifSize) &&
         WriteAll(fd, meta.icc.data(), header.iccSize) &&
         WriteAll(fd, meta.xmp.data(), header.xmpSize) &&
         WriteAll(fd, detail.data(), header.detailSize);
}

}  // namespace

int RunDecodeHelper(int argc, char** argv, const HelperDecoder* decoders, size_t count) {
  Request request;
  const HelperDecoder* decoder = nullptr;
  if (ParseRequest(argc, argv, request))
    for (size_t i = 0; i < count; ++i)
      if (std::strcmp(decoders[i].name, request.decoder) == 0) decoder = &decoders[i];
  if (!decoder) {
    std::fprintf(stderr,
                 "usage: orv-decode DECODER [--seconds N] [--memory BYTES] [--box WIDTHxHEIGHT]"
                 " [--percent N] <FILE\n  decodes one picture for ORV Lumitra and writes it to standard output;"
                 " decoders:");
    for (size_t i = 0; i < count; ++i) std::fprintf(stderr, " %s", decoders[i].name);
    std::fprintf(stderr, "\n");
    return 2;
  }
  BindToParent(request.seconds);
  // The answer has standard output to itself: whatever a library prints goes to standard error.
  const int answer = fcntl(1, F_DUPFD_CLOEXEC, 3);
  if (answer < 0 || !OutputToStandardError()) return 1;
  MarkDecodeHelperProcess();
  LimitChildMemory(request.memoryBytes);

  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return 1;
  ctx->rawTargetWidth = request.boxWidth;
  ctx->rawTargetHeight = request.boxHeight;
  ctx->rawTargetPercent = request.percent;
  Input input;
  int w = 0, h = 0;
  uint8_t* pixels = nullptr;
  unsigned error = kErrFileRead;
  if (input.Open()) {
    pixels = decoder->render(input.data(), input.size(), &w, &h);
    error = pixels ? 0u : GetLastLibraryError();
    if (error == 0 && !pixels) error = kErrUnexpected;
  }
  const bool sent = Answer(answer, pixels, w, h, error);
  // Exit without the exit handlers: the answer is out and the process holds nothing worth
  // tidying, so it ends at once rather than freeing what the system frees anyway.
  _exit(sent ? 0 : 1);
}

}  // namespace orv
