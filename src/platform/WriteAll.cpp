// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WriteAll.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace orv {

bool WriteAll(int fd, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t done = ::write(fd, p, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    size -= size_t(done);
  }
  return true;
}

namespace {

// The direct part starts and ends on page boundaries of the file, so that neither end shares a
// cached page with it (a cached page that a direct write overlaps is written out and dropped
// first, and a partial page after it would be read back).
constexpr size_t kPage = 4096;
// The aligned copy the direct writes go through; each write waits for the device, so a few
// large ones.
constexpr size_t kBounceSize = size_t(1) << 20;

// Whether the file system of fd states direct writes from memory and at offsets aligned to
// kPage (statx's direct I/O alignment, Linux 6.1 on).
bool StatesDirectWrites(int fd) {
#ifdef STATX_DIOALIGN
  struct statx sx {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &sx) != 0) return false;
  if (!(sx.stx_mask & STATX_DIOALIGN)) return false;
  const auto divides = [](uint32_t a) { return a != 0 && a <= kPage && kPage % a == 0; };
  return divides(sx.stx_dio_mem_align) && divides(sx.stx_dio_offset_align);
#else
  (void)fd;
  return false;
#endif
}

// One aligned block per thread, kept for the thread's later writes; its pages are placed at
// once, since faulting them one by one costs more than the copy on some machines.
struct Bounce {
  void* block = MAP_FAILED;
  Bounce() {
    block = ::mmap(nullptr, kBounceSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1,
                   0);
#ifdef MADV_POPULATE_WRITE
    if (block != MAP_FAILED) ::madvise(block, kBounceSize, MADV_POPULATE_WRITE);
#endif
  }
  ~Bounce() {
    if (block != MAP_FAILED) ::munmap(block, kBounceSize);
  }
  Bounce(const Bounce&) = delete;
  Bounce& operator=(const Bounce&) = delete;
};

enum class DirectOutcome { kWritten, kRefused, kFailed };

// Writes the count bytes at p (count a multiple of kPage, at an offset that is one) with the
// descriptor switched to direct writes. kRefused when the file takes no direct writes after all
// (EINVAL) or one ends short: *written then says how many bytes went out, and the cache takes
// the rest. kFailed (with errno) for any other failure.
DirectOutcome WriteDirect(int fd, const uint8_t* p, size_t count, size_t* written) {
  *written = 0;
  thread_local Bounce bounce;
  if (bounce.block == MAP_FAILED) return DirectOutcome::kRefused;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_DIRECT) != 0) return DirectOutcome::kRefused;
  DirectOutcome outcome = DirectOutcome::kWritten;
  while (outcome == DirectOutcome::kWritten && *written < count) {
    const size_t take = std::min(kBounceSize, count - *written);
    std::memcpy(bounce.block, p + *written, take);
    const ssize_t n = ::write(fd, bounce.block, take);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      outcome = errno == EINVAL ? DirectOutcome::kRefused : DirectOutcome::kFailed;
    } else if (n == 0) {
      errno = EIO;
      outcome = DirectOutcome::kFailed;
    } else {
      *written += size_t(n);
      if (size_t(n) != take) outcome = DirectOutcome::kRefused;
    }
  }
  const int saved = errno;
  // The descriptor goes back to cached writes either way; if even that fails, later writes
  // would have to be aligned, so the whole write counts as failed.
  if (::fcntl(fd, F_SETFL, flags) != 0) return DirectOutcome::kFailed;
  errno = saved;
  return outcome;
}

}  // namespace

bool WriteAllPastCache(int fd, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (size < 2 * kPage || at < 0 || !StatesDirectWrites(fd)) return WriteAll(fd, data, size);
  const size_t offset = size_t(at);
  const size_t head = std::min(size, (kPage - offset % kPage) % kPage);
  const size_t body = (size - head) / kPage * kPage;
  if (!WriteAll(fd, p, head)) return false;
  size_t written = 0;
  if (body > 0 && WriteDirect(fd, p + head, body, &written) == DirectOutcome::kFailed)
    return false;
  return WriteAll(fd, p + head + written, size - head - written);
}

}  // namespace orv
