// The HTML log of a run: one file, emptied by each run's header and extended fragment by
// fragment, each written straight to disk (opened and closed per call) so the log is complete up
// to its last line even if the program dies. A log that cannot be written is dropped, and
// WriteFailed() tells so afterwards.
//
// Several processes may share one log. Each fragment is appended under an exclusive lock, and a
// run holds a shared "in use" lock on the log from its header to its footer: a run that starts
// while another is still writing appends its header instead of emptying the file, and only the
// last run to finish closes the page.
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
  ~ProcessLog();
  ProcessLog(const ProcessLog&) = delete;
  ProcessLog& operator=(const ProcessLog&) = delete;

  void SetPath(std::string path);
  const std::string& Path() const { return path_; }
  // Collects the appended text in `fragment` instead of the file (a batch worker's log of one
  // item, appended to the file in queue order); null writes to the file again.
  void CollectInto(std::string* fragment) { fragment_ = fragment; }

  // Appends the text; with newFile the file is emptied first (created when missing) unless
  // another live run is writing it, and this run's "in use" lock is taken.
  void LogAppend(std::string_view text, bool newFile = false) const;
  // Appends the run's footer and ends its use of the log. While another run still writes the
  // log, sharedFooter is written instead, so the page is closed once, by the last run.
  void FinishRun(std::string_view footer, std::string_view sharedFooter) const;

  // Whether some write since the path was set failed, and the system's reason for it.
  bool WriteFailed() const { return failedErrno_ != 0; }
  int FailureErrno() const { return failedErrno_; }

 private:
  void ReleaseRun() const;

  std::string path_;
  mutable int runFd_ = -1;  // holds the run's "in use" lock
  mutable int failedErrno_ = 0;
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
// A photo left out because its output is there already.
std::string SkippedLine(const std::string& sourcePath, const std::string& existingOutput);
// A RAW+JPEG twin left out because the other half of the pair is taken (Files.RawJpegTwins).
std::string TwinSkippedLine(const std::string& sourcePath, const std::string& takenTwin);
// Once per run that saves RAW photos with "Same as Source": they become JPEG files.
std::string RawSavedAsJpegLine();
std::string CancelLine();
std::string FullRunFooter();
// The footer of a run that ends while another run still writes the same log.
std::string SharedRunFooter();
std::string SingleImageFooter();
}  // namespace logtext

}  // namespace orv
