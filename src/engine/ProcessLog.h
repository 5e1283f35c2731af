// The HTML log of a run: one file, emptied by each run's header and extended fragment by
// fragment, each written straight to disk (opened and closed per call) so the log is complete up
// to its last line even if the program dies. A log that cannot be written is dropped silently.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// Paths and EXIF texts are escaped before they enter the log: it is shown in a browser, and a
// camera model of "<script>" must stay text.
#include "platform/HtmlEscape.h"

namespace orv {

class ProcessLog {
 public:
  ProcessLog() = default;
  explicit ProcessLog(std::string path) : path_(std::move(path)) {}

  void SetPath(std::string path) { path_ = std::move(path); }
  const std::string& Path() const { return path_; }
  // Collects the appended text in `fragment` instead of the file (a batch worker's log of one
  // item, appended to the file in queue order); null writes to the file again.
  void CollectInto(std::string* fragment) { fragment_ = fragment; }

  // Appends the text; with newFile the file is emptied first (created when missing).
  void LogAppend(std::string_view text, bool newFile = false) const;

 private:
  std::string path_;
  std::string* fragment_ = nullptr;
};

// "%H::%M::%S " of the local time.
std::string LogTimeStamp();
std::string LogTimeStamp(const std::tm& local);
// "%H::%M::%S  %A, %B %d, %Y" with English names, then "<br>".
std::string ItemTimeLine();
std::string ItemTimeLine(const std::tm& local);

// The fixed fragments of a run's log.
namespace logtext {
inline constexpr std::string_view kHeader = "<body bgcolor=\"#ffffff\"><p><b>Log</b></p><hr>\r\n";
std::string SourceLine(const std::string& path);
std::string CameraLine(const std::string& dateTime, const std::string& infoSummaryHtml);
std::string StageLine(std::string_view message);
// A red problem line; continueWithArrow ends it in "=>" so the next line follows on.
std::string ProblemLine(std::string_view message, bool continueWithArrow = false);
std::string QualityLine(int quality);
std::string SavedLine(const std::string& outPath, int encoderResult);
std::string CancelLine();
std::string FullRunFooter();
std::string SingleImageFooter();
}  // namespace logtext

}  // namespace orv
