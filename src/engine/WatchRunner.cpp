// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WatchRunner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/SafeWrite.h"
#include "platform/WriteAll.h"

namespace orv {
namespace {

bool ParseInt64(std::string_view text, int64_t& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

// The state file: one line a failed photo, "SIZE<TAB>MTIME_NS<TAB>PATH". A path holding a line
// break is not kept (such a photo is tried again after a restart, never lost).
void FailedPhotos::Load() {
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    size_t a = line.find('\t');
    size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
    if (b == std::string::npos) continue;
    FileStamp stamp;
    if (!ParseInt64(std::string_view(line).substr(0, a), stamp.size) ||
        !ParseInt64(std::string_view(line).substr(a + 1, b - a - 1), stamp.mtimeNs))
      continue;
    std::string photo = line.substr(b + 1);
    FileStamp now;
    if (!ReadFileStamp(photo, now)) {
      changed_ = true;  // gone: its line is dropped
      continue;
    }
    failed_[photo] = stamp;
  }
}

bool FailedPhotos::FailedAsIs(const std::string& photo, const FileStamp& stamp) const {
  auto it = failed_.find(photo);
  return it != failed_.end() && it->second == stamp;
}

void FailedPhotos::Record(const std::string& photo, const FileStamp& stamp) {
  if (photo.find('\n') != std::string::npos) return;
  auto [it, added] = failed_.insert_or_assign(photo, stamp);
  (void)it;
  (void)added;
  changed_ = true;
}

void FailedPhotos::Forget(const std::string& photo) {
  if (failed_.erase(photo) > 0) changed_ = true;
}

bool FailedPhotos::Save() {
  if (!changed_) return true;
  std::string text;
  for (const auto& [photo, stamp] : failed_)
    text += std::to_string(stamp.size) + "\t" + std::to_string(stamp.mtimeNs) + "\t" + photo + "\n";
  if (!WriteFileAtomically(path_, text)) return false;
  changed_ = false;
  return true;
}

std::string DailyLogPath(const std::string& basePath, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char day[16];
  std::strftime(day, sizeof day, "%Y-%m-%d", &local);
  size_t slash = basePath.rfind('/');
  size_t dot = basePath.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
    return basePath + "-" + day;
  return basePath.substr(0, dot) + "-" + day + basePath.substr(dot);
}

WatchRunner::WatchRunner(CEngine& engine, WatchObserver* observer, const std::string& statePath)
    : engine_(engine), observer_(observer), engineObserver_(engine.runObserver()),
      failed_(statePath), logBase_(engine.log().Path()) {
  failed_.Load();
  engine_.SetRunObserver(this);
}

WatchRunner::~WatchRunner() { engine_.SetRunObserver(engineObserver_); }

RunReport WatchRunner::RunArrived(const std::vector<std::string>& photos) {
  stamps_.clear();
  std::vector<std::string> run;
  for (const std::string& photo : photos) {
    if (ownOutputs_.erase(photo) > 0) continue;
    FileStamp stamp;
    if (!ReadFileStamp(photo, stamp) || failed_.FailedAsIs(photo, stamp)) continue;
    stamps_[photo] = stamp;
    run.push_back(photo);
  }
  RunReport report;
  if (run.empty()) {
    report.end = RunReport::End::EmptyQueue;
    return report;
  }
  BatchQueue& queue = engine_.queue();
  queue.RemoveAllFiles();
  queue.AddPaths(run);
  queue.ClearWarnings();  // a file that is no photo is simply not taken
  if (queue.Cue().empty()) {
    report.end = RunReport::End::EmptyQueue;
    return report;
  }
  if (observer_) {
    std::vector<std::string> taken;
    taken.reserve(queue.Cue().size());
    for (const CueItem& item : queue.Cue()) taken.push_back(item.path);
    observer_->PhotosTaken(taken);
  }
  // The run writes a log of its own, appended to the day's file once it is finished: a run
  // begins its log afresh, the day's file keeps every run of the day.
  dailyLog_ = DailyLogPath(logBase_, std::time(nullptr));
  const std::string runLog = dailyLog_ + ".run-" + std::to_string(::getpid());
  engine_.log().SetPath(runLog);
  report = engine_.RunAll();
  engine_.log().SetPath(logBase_);
  if (!AppendToDailyLog(runLog)) stateFailed_ = true;
  ::unlink(runLog.c_str());
  queue.RemoveAllFiles();
  if (!failed_.Save()) stateFailed_ = true;
  return report;
}

bool WatchRunner::AppendToDailyLog(const std::string& runLog) {
  std::ifstream in(runLog, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string bytes = text.str();
  int fd = ::open(dailyLog_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  return ::close(fd) == 0 && ok;
}

void WatchRunner::ItemFinished(const ItemResult& result) {
  if (result.status == ItemResult::Status::Saved && !result.output.empty())
    ownOutputs_.insert(result.output);
  auto stamp = stamps_.find(result.source);
  if (stamp != stamps_.end()) {
    if (result.status == ItemResult::Status::Failed)
      failed_.Record(result.source, stamp->second);
    else if (result.status != ItemResult::Status::Cancelled)
      failed_.Forget(result.source);
  }
  if (observer_) observer_->ItemFinished(result);
}

}  // namespace orv
