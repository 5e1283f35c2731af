// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The child renders and writes a small header (error code, width, height) and the pixels into a
// pipe; this process reads them against a deadline straight into the buffer it hands out.
#include "imageio/metafile/ChildRender.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

struct Header {
  uint32_t error;
  int32_t width, height;
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

[[noreturn]] void RenderAndSend(int fd, PictureRenderer render, const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  uint8_t* pixels = render(data, size, &w, &h);
  const Header header{pixels ? 0u : GetLastLibraryError(), pixels ? w : 0, pixels ? h : 0};
  bool sent = WriteAll(fd, reinterpret_cast<const uint8_t*>(&header), sizeof(header));
  if (sent && pixels) sent = WriteAll(fd, pixels, size_t(w) * size_t(h) * 3);
  // No exit handlers: they belong to the parent (open windows, log files, leak checks).
  _exit(sent ? 0 : 1);
}

}  // namespace

uint8_t* RenderInChild(PictureRenderer render, const uint8_t* data, size_t size, int* width,
                       int* height, int secondsAllowed, unsigned failureCode, ChildEnd* end) {
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
    RenderAndSend(fds[1], render, data, size);
  }
  close(fds[1]);

  const auto deadline = Clock::now() + std::chrono::seconds(secondsAllowed);
  Header header{};
  LibraryBuffer pixels;
  unsigned error = failureCode;
  bool ok = ReadAll(fds[0], reinterpret_cast<uint8_t*>(&header), sizeof(header), deadline);
  const bool answered = ok;
  if (ok && header.error != 0) {
    error = header.error;
    ok = false;
  } else if (ok) {
    pixels.reset(AllocatePixels(header.width, header.height, 3, false));
    if (!pixels) error = GetLastLibraryError();
    ok = pixels &&
         ReadAll(fds[0], pixels.get(), size_t(header.width) * size_t(header.height) * 3, deadline);
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
  *width = header.width;
  *height = header.height;
  return pixels.release();
}

}  // namespace orv
