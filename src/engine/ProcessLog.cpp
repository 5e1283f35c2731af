#include "engine/ProcessLog.h"

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

void ProcessLog::LogAppend(std::string_view text, bool newFile) const {
  if (fragment_) {
    if (newFile) fragment_->clear();
    fragment_->append(text);
    return;
  }
  if (path_.empty()) return;
  FILE* f = std::fopen(path_.c_str(), newFile ? "wb" : "ab");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
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

std::string CancelLine() {
  return "File was not saved<hr>" + LogTimeStamp() +
         "**** Process Cancelled by User *************<hr>";
}

std::string FullRunFooter() {
  return "<hr>" + LogTimeStamp() +
         "Finished<hr><a href=\"index.htm\">Created by ORV Lumitra</a></body>";
}

std::string SingleImageFooter() {
  return "<hr>" + LogTimeStamp() + "Finished<br><a href=\"orv1.html\">Go Back</a></body>";
}

}  // namespace logtext
}  // namespace orv
