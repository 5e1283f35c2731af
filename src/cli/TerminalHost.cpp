// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalHost.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/ProgressLine.h"
#include "cli/TerminalLine.h"
#include "cli/TerminalText.h"
#include "platform/ExitCleanup.h"

namespace orv::cli {
namespace {

volatile std::sig_atomic_t gInterrupts = 0;
volatile std::sig_atomic_t gTaken = 0;

void Say(const char* text) {
  ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

void OnInterrupt(int) {
  gInterrupts = gInterrupts + 1;
  if (gInterrupts >= 2) {
    CleanUpForSignal(SIGINT);
    Say("\norv: interrupted\n");
    ::_exit(130);
  }
}

// SIGTERM, SIGHUP, SIGQUIT, SIGXCPU, SIGUSR1 and SIGALRM end the run at once, as a second Ctrl-C
// does: the temporary file goes, the log gets its closing line.
void OnTerminate(int signal) {
  CleanUpForSignal(signal);
  Say("\r\x1b[K\norv: ended by ");
  Say(SignalName(signal));
  Say("; the photo in progress was not saved\n");
  ::_exit(128 + signal);
}

// Draws the progress line (see ProgressLine.h) on stderr, fitted to the terminal's width.
class TerminalProgress : public CProgressDialog {
 public:
  explicit TerminalProgress(bool draw) : draw_(draw) {
    if (draw_) WatchTerminalSize();
  }

 protected:
  void PumpMessages() override {
    if (TakeInterrupt()) {
      PressCancel();
      if (draw_) {
        ClearProgressLine();
        std::fputs("orv: cancelling at the next step (Ctrl-C again to quit)\n", stderr);
      }
    }
  }
  void OnItemChanged() override { Draw(); }
  void OnQueueChanged() override { Draw(); }
  void OnStageChanged() override { Draw(); }
  void OnBatchChanged() override { Draw(); }
  void OnDestroy() override {
    if (draw_) KeepProgressLine();
  }

 private:
  void Draw() {
    if (!draw_) return;
    ProgressFields f;
    f.finished = BatchTotal() > 0 ? BatchFinished() : QueuePos();
    f.total = BatchTotal() > 0 ? BatchTotal() : QueueTotal();
    for (char c : PercentText())
      if (c != ' ') f.percent += c;
    f.elapsed = ClockText(ElapsedSeconds());
    double left = EstimateRemaining(ElapsedSeconds(), BatchFinished(), BatchTotal());
    if (left >= 0) f.left = ClockText(left);
    // One photo in work: its name and the step; several: their names (the stage text then is
    // the names).
    const std::string& names = ActiveNames();
    if (names.empty() || StageText() == names)
      f.work = StageText();
    else if (StageText().empty())
      f.work = names;
    else
      f.work = names + ": " + StageText();
    ShowProgress(f);
  }

  bool draw_;
};

}  // namespace

void InstallInterruptHandler() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  struct sigaction term {};
  term.sa_handler = OnTerminate;
  sigfillset(&term.sa_mask);  // one cleanup at a time
  // A closed pipe makes the write fail with EPIPE instead of ending the run unannounced.
  ::signal(SIGPIPE, SIG_IGN);
  for (int signal : {SIGTERM, SIGHUP, SIGQUIT, SIGXCPU, SIGUSR1, SIGALRM}) {
    struct sigaction old {};
    // A signal ignored by whoever started us (nohup) stays ignored.
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &term, nullptr);
  }
}

void IgnoreFileSizeSignal() {
  ::signal(SIGXFSZ, SIG_IGN);
}

bool TakeInterrupt() {
  if (gInterrupts > gTaken) {
    gTaken = gInterrupts;
    return true;
  }
  return false;
}

TerminalHost::TerminalHost(bool yes, bool quiet) : yes_(yes), quiet_(quiet) {}

bool TerminalHost::AskYesNo(const std::string& question) {
  if (yes_) return true;
  if (answerNextYes_) {
    answerNextYes_ = false;
    return true;
  }
  ClearProgressLine();
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr,
                 "%s\norv: no terminal to answer this question: taken as No (pass --yes "
                 "to answer Yes)\n",
                 question.c_str());
    unanswered_ = true;
    return false;
  }
  std::fprintf(stderr, "%s [y/N] ", question.c_str());
  std::fflush(stderr);
  char line[64] = {};
  if (!std::fgets(line, sizeof line, stdin)) return false;
  return line[0] == 'y' || line[0] == 'Y';
}

void TerminalHost::ShowMessage(const std::string& message) {
  ClearProgressLine();
  std::fprintf(stderr, "orv: %s\n", TerminalSafe(message, KeepLineEnds::Lf).c_str());
}

void TerminalHost::ReportProblem(const std::string& text) {
  // The problem takes the progress line's place; the next update draws the line again below.
  ClearProgressLine();
  std::fprintf(stderr, "orv: %s\n", TerminalSafe(text).c_str());
}

std::unique_ptr<CProgressDialog> TerminalHost::CreateProgressDialog() {
  return std::make_unique<TerminalProgress>(!quiet_ && ::isatty(STDERR_FILENO));
}

}  // namespace orv::cli
