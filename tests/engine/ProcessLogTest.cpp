// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ProcessLog.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/TempDir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;

TEST(ProcessLog, NewFileEmptiesAndAppendsFollow) {
  TempDir dir;
  ProcessLog log(dir / "log.html");
  log.LogAppend("old run", true);
  log.LogAppend(logtext::kHeader, true);
  log.LogAppend("a");
  log.LogAppend("b");
  EXPECT_EQ(ReadText(dir / "log.html"), std::string(logtext::kHeader) + "ab");
  ProcessLog nowhere(dir / "missing/log.html");
  nowhere.LogAppend("dropped silently", true);
}

TEST(ProcessLog, TimeTextsUseEnglishNamesAndDoubleColons) {
  std::tm t{};
  t.tm_hour = 7;
  t.tm_min = 5;
  t.tm_sec = 9;
  t.tm_wday = 2;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_year = 126;
  EXPECT_EQ(LogTimeStamp(t), "07::05::09 ");
  EXPECT_EQ(ItemTimeLine(t), "07::05::09  Tuesday, December 08, 2026<br>");
  EXPECT_TRUE(std::regex_match(LogTimeStamp(), std::regex(R"(\d\d::\d\d::\d\d )")));
}

TEST(ProcessLog, FragmentsEscapePathsAndKeepTheirMarkup) {
  EXPECT_EQ(HtmlEscape("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
  std::string src = logtext::SourceLine("/p/<x>.jpg");
  EXPECT_NE(src.find("<font color=\"#9900cc\"><b>Src:</b></font>/p/&lt;x&gt;.jpg<br>"),
            std::string::npos);
  EXPECT_EQ(src.rfind("<hr>", 0), 0u);
  std::string problem = logtext::ProblemLine("File already exist (No Replace): /o/a_ORV.jpg", true);
  EXPECT_NE(problem.find("</font><br>\r\n=>"), std::string::npos);
  EXPECT_EQ(
      logtext::CameraLine("2012:01:01 10:00:00", "<b>iPhone</b>"),
      "<font color=\"#0000ee\">Date: 2012:01:01 10:00:00 Model: <b>iPhone</b></font><br>\r\n");
  EXPECT_NE(logtext::CancelLine().find("**** Process Cancelled by User *************<hr>"),
            std::string::npos);
  EXPECT_NE(logtext::FullRunFooter().find("Created by ORV Lumitra</a></body>"), std::string::npos);
  EXPECT_NE(
      logtext::SingleImageFooter().find("Finished<br><a href=\"orv1.html\">Go Back</a></body>"),
      std::string::npos);
}

}  // namespace
}  // namespace orv
