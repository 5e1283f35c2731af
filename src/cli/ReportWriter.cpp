// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ReportWriter.h"
#include "platform/SharedFileLocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/JsonText.h"
#include "cli/TerminalLine.h"
#include "cli/TerminalText.h"

namespace orv::cli {
namespace {

const char* StatusName(ItemResult::Status status) {
  switch (status) {
    case ItemResult::Status::Saved:
      return "saved";
    case ItemResult::Status::Skipped:
      return "skipped";
    case ItemResult::Status::Failed:
      return "failed";
    case ItemResult::Status::Cancelled:
      return "cancelled";
  }
  return "failed";
}

std::string StringOrNull(const std::string& text) {
  return text.empty() ? "null" : JsonString(text);
}

}  // namespace

std::string ReportLine(const ItemResult& r) {
  bool hasOutput = !r.output.empty();
  return "{\"source\":" + JsonString(r.source) + ",\"output\":" + StringOrNull(r.output) +
         ",\"status\":\"" + StatusName(r.status) + "\",\"error\":" + StringOrNull(r.error) +
         ",\"quality\":" + (r.quality >= 0 ? std::to_string(r.quality) : "null") +
         ",\"bytes\":" + (hasOutput ? std::to_string(r.bytes) : "null") +
         ",\"ms\":" + std::to_string(r.ms) + ",\"version\":\"" ORV_VERSION "\"}";
}

ReportWriter::~ReportWriter() {
  if (ownsFd_ && fd_ >= 0) ::close(fd_);
  if (inUseFd_ >= 0) ::close(inUseFd_);
}

// A report shared by several runs is locked as the log is (platform/SharedFileLocks.h).
bool ReportWriter::Open(const std::string& path, std::string& error, bool keepEarlier) {
  if (path == "-") {
    std::fflush(stdout);
    fd_ = STDOUT_FILENO;
    toTerminal_ = ::isatty(fd_) != 0;
    return true;
  }
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    error = "--report " + path + ": " + std::strerror(errno);
    return false;
  }
  ownsFd_ = true;
  struct stat st {};
  regular_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
  if (regular_) {
    path_ = path;
    // A run starting alone empties the report; one that joins a running run's report appends
    // to it, so that neither loses the other's lines.
    const bool locked = LockFileByte(fd_, F_WRLCK, kAppendByte, true);
    if (!keepEarlier && !InUseElsewhere(fd_) && ::ftruncate(fd_, 0) != 0) {
      error = "--report " + path + ": " + std::strerror(errno);
      if (locked) LockFileByte(fd_, F_UNLCK, kAppendByte, false);
      return false;
    }
    // A shared lock needs a descriptor open for reading; a report that may only be written
    // goes without it.
    inUseFd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (inUseFd_ >= 0) LockFileByte(inUseFd_, F_RDLCK, kInUseByte, false);
    if (locked) LockFileByte(fd_, F_UNLCK, kAppendByte, false);
  }
  return true;
}

void ReportWriter::ItemFinished(const ItemResult& result) {
  if (fd_ < 0 || brokenPipe_) return;
  std::string line = ReportLine(result) + "\n";
  // On a terminal the line takes the progress line's place; the next update draws it again.
  if (toTerminal_) ClearProgressLine();
  const bool locked = regular_ && LockFileByte(fd_, F_WRLCK, kAppendByte, true);
  // Under the append lock nobody else writes: the end now is where this line starts.
  struct stat before {};
  const bool sized = regular_ && ::fstat(fd_, &before) == 0;
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : EIO;
      ok_ = false;
      brokenPipe_ = err == EPIPE;
      // A line cut in the middle would make every later line unreadable as JSON Lines: cut the
      // file back to its last whole line.
      if (done > 0 && sized) {
        const bool cut = ::ftruncate(fd_, before.st_size) == 0;
        std::fprintf(
            stderr, "orv run: --report %s: %s; %s\n", TerminalSafe(path_).c_str(),
            std::strerror(err),
            cut ? "the unfinished line was cut off" : "could not cut off the unfinished line");
      }
      break;
    }
    done += size_t(n);
  }
  if (locked) LockFileByte(fd_, F_UNLCK, kAppendByte, false);
}

}  // namespace orv::cli
