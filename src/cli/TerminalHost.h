// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's side of the engine: questions answered by --yes or a y/N prompt on a
// terminal (never waiting without one), messages on stderr, a progress bar on stderr when it is
// a terminal, and Ctrl-C as the Cancel button (a second Ctrl-C ends the program at once).
#pragma once

#include <memory>
#include <string>

#include "engine/EngineHost.h"

namespace orv::cli {

class TerminalHost : public EngineHost {
 public:
  TerminalHost(bool yes, bool quiet);

  bool AskYesNo(const std::string& question) override;
  void ShowMessage(const std::string& message) override;
  void ShowHelpPage(const std::string& path) override { helpPage_ = path; }
  void ReportProblem(const std::string& text) override;
  std::unique_ptr<CProgressDialog> CreateProgressDialog() override;

  // The next question is answered Yes without asking: the command line asked it already.
  void AnswerNextQuestionYes() { answerNextYes_ = true; }
  // Whether a question was refused only because no one could answer it.
  bool unansweredQuestion() const { return unanswered_; }
  const std::string& helpPage() const { return helpPage_; }

 private:
  bool yes_;
  bool quiet_;
  bool unanswered_ = false;
  bool answerNextYes_ = false;
  std::string helpPage_;
};

// Installs the Ctrl-C handler: the first press requests Cancel, the second exits with 130. SIGTERM,
// SIGHUP, SIGQUIT, SIGXCPU, SIGUSR1 and SIGALRM exit at once with 128 + the signal. SIGPIPE is
// ignored: a closed pipe is a failed write (the report stops, the run goes on). Both remove the temporary file being
// written and close the log of the run (see ArmLogFinish).
void InstallInterruptHandler();
// A file-size limit then makes a write fail with EFBIG, reported as a failed save, instead of
// killing the process.
void IgnoreFileSizeSignal();
// True once after each Ctrl-C press.
bool TakeInterrupt();

}  // namespace orv::cli
