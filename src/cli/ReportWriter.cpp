#include "cli/ReportWriter.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/JsonText.h"
#include "cli/TerminalLine.h"

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
}

bool ReportWriter::Open(const std::string& path, std::string& error, bool keepEarlier) {
  if (path == "-") {
    std::fflush(stdout);
    fd_ = STDOUT_FILENO;
    toTerminal_ = ::isatty(fd_) != 0;
    return true;
  }
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | (keepEarlier ? 0 : O_TRUNC) | O_APPEND | O_CLOEXEC,
               0666);
  if (fd_ < 0) {
    error = "--report " + path + ": " + std::strerror(errno);
    return false;
  }
  ownsFd_ = true;
  return true;
}

void ReportWriter::ItemFinished(const ItemResult& result) {
  if (fd_ < 0 || brokenPipe_) return;
  std::string line = ReportLine(result) + "\n";
  // On a terminal the line takes the progress line's place; the next update draws it again.
  if (toTerminal_) ClearProgressLine();
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok_ = false;
      brokenPipe_ = n < 0 && errno == EPIPE;
      return;
    }
    done += size_t(n);
  }
}

}  // namespace orv::cli
