// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ProcessLog.h"
#include "platform/SharedFileLocks.h"
#include "platform/WriteAll.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace orv {
namespace {

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local;
}

}  // namespace

namespace {


// Opens the log at path for appending and runs write(fd) while holding the append lock; a
// failure to open, or write answering false, is kept in failedErrno.
template <typename Fn>
void AppendLocked(const std::string& path, int& failedErrno, Fn write) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    failedErrno = errno;
    return;
  }
  const bool locked = LockFileByte(fd, F_WRLCK, kAppendByte, true);
  if (!write(fd)) failedErrno = errno != 0 ? errno : EIO;
  if (locked) LockFileByte(fd, F_UNLCK, kAppendByte, false);
  ::close(fd);
}

}  // namespace

ProcessLog::~ProcessLog() {
  ReleaseRun();
}

void ProcessLog::SetPath(std::string path) {
  ReleaseRun();
  path_ = std::move(path);
  failedErrno_ = 0;
}

void ProcessLog::ReleaseRun() const {
  if (runFd_ >= 0) ::close(runFd_);
  runFd_ = -1;
}

void ProcessLog::LogAppend(std::string_view text, bool newFile) const {
  if (fragment_) {
    if (newFile) fragment_->clear();
    fragment_->append(text);
    return;
  }
  if (path_.empty()) return;
  if (newFile) ReleaseRun();
  AppendLocked(path_, failedErrno_, [&](int fd) {
    bool ok = true;
    if (newFile) {
      // Another live run's entries are kept: the new run's header follows them.
      if (!InUseElsewhere(fd)) ok = ::ftruncate(fd, 0) == 0;
      int runFd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
      if (runFd >= 0 && LockFileByte(runFd, F_RDLCK, kInUseByte, true))
        runFd_ = runFd;
      else if (runFd >= 0)
        ::close(runFd);
    }
    return ok && WriteAll(fd, text.data(), text.size());
  });
}

void ProcessLog::FinishRun(std::string_view footer, std::string_view sharedFooter) const {
  if (path_.empty()) return;
  AppendLocked(path_, failedErrno_, [&](int fd) {
    // This run's own "in use" lock goes first, so that only other runs count.
    ReleaseRun();
    const std::string_view text = InUseElsewhere(fd) ? sharedFooter : footer;
    return WriteAll(fd, text.data(), text.size());
  });
  ReleaseRun();
}

std::string LogTimeStamp(const std::tm& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d::%02d::%02d ", t.tm_hour, t.tm_min, t.tm_sec);
  return buf;
}

std::string LogTimeStamp() {
  return LogTimeStamp(LocalNow());
}

std::string ItemTimeLine(const std::tm& t) {
  // Names are English whatever the process locale, so they are formatted by hand.
  char buf[96];
  std::snprintf(buf, sizeof buf, "%02d::%02d::%02d  %s, %s %02d, %04d<br>", t.tm_hour, t.tm_min,
                t.tm_sec, kWeekdays[(t.tm_wday % 7 + 7) % 7], kMonths[(t.tm_mon % 12 + 12) % 12],
                t.tm_mday, t.tm_year + 1900);
  return buf;
}

std::string ItemTimeLine() {
  return ItemTimeLine(LocalNow());
}

namespace logtext {

std::string SourceLine(const std::string& path) {
  return "<hr>" + LogTimeStamp() + "<font color=\"#9900cc\"><b>Src:</b></font>" + HtmlEscape(path) +
         "<br>";
}

std::string CameraLine(const std::string& dateTime, const std::string& infoSummaryHtml) {
  // The summary is already an HTML fragment with its EXIF texts escaped.
  return "<font color=\"#0000ee\">Date: " + HtmlEscape(dateTime) + " Model: " + infoSummaryHtml +
         "</font><br>\r\n";
}

std::string StageLine(std::string_view message) {
  return LogTimeStamp() + "<font color=\"#0000ee\">" + std::string(message) + "</font><br>\r\n";
}

std::string ProblemLine(std::string_view message, bool continueWithArrow) {
  return LogTimeStamp() + "<font color=\"#ff0900\">" + std::string(message) +
         (continueWithArrow ? "</font><br>\r\n=>" : "</font><br>\r\n");
}

std::string QualityLine(int quality) {
  return LogTimeStamp() + "Determined Quality: " + std::to_string(quality) + "<br>";
}

std::string SavedLine(const std::string& outPath, int encoderResult) {
  return LogTimeStamp() + HtmlEscape(outPath) + " (" + std::to_string(encoderResult) + ")<br>";
}

std::string SkippedLine(const std::string& sourcePath, const std::string& existingOutput) {
  return LogTimeStamp() + "Skipped: " + HtmlEscape(sourcePath) +
         " (the output is there: " + HtmlEscape(existingOutput) + ")<br>\r\n";
}

std::string TwinSkippedLine(const std::string& sourcePath, const std::string& takenTwin) {
  return LogTimeStamp() + "Skipped: " + HtmlEscape(sourcePath) +
         " (its RAW+JPEG twin is taken: " + HtmlEscape(takenTwin) + ")<br>\r\n";
}

std::string RawSavedAsJpegLine() {
  return LogTimeStamp() +
         "RAW files cannot be written: \"Same as Source\" saves RAW photos as JPEG<br>\r\n";
}

std::string CancelLine() {
  return "File was not saved<hr>" + LogTimeStamp() +
         "**** Process Cancelled by User *************<hr>";
}

std::string FullRunFooter() {
  return "<hr>" + LogTimeStamp() +
         "Finished<hr><a href=\"index.htm\">Created by ORV Lumitra</a></body>";
}

std::string SharedRunFooter() {
  return "<hr>" + LogTimeStamp() + "Finished (another run still writes this log)<hr>";
}

std::string SingleImageFooter() {
  return "<hr>" + LogTimeStamp() + "Finished<br><a href=\"orv1.html\">Go Back</a></body>";
}

}  // namespace logtext
}  // namespace orv
