#include "cli/TerminalHost.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstring>

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

// SIGTERM, SIGHUP and SIGQUIT end the run at once, as a second Ctrl-C does.
void OnTerminate(int signal) {
  CleanUpForSignal(signal);
  Say("\norv: ended by ");
  Say(SignalName(signal));
  Say("; the photo in progress was not saved\n");
  ::_exit(128 + signal);
}

// Draws "[#####.....] 3/10  50%  elapsed 0:12, about 0:28 left  Auto Balance" on one terminal
// line.
class TerminalProgress : public CProgressDialog {
 public:
  explicit TerminalProgress(bool draw) : draw_(draw) {}

 protected:
  void PumpMessages() override {
    if (TakeInterrupt()) {
      PressCancel();
      if (draw_) std::fputs("\norv: cancelling at the next step (Ctrl-C again to quit)\n", stderr);
    }
  }
  void OnItemChanged() override { Draw(); }
  void OnQueueChanged() override { Draw(); }
  void OnStageChanged() override { Draw(); }
  void OnBatchChanged() override { Draw(); }
  void OnDestroy() override {
    if (draw_ && drawn_) std::fputs("\n", stderr);
  }

 private:
  void Draw() {
    if (!draw_) return;
    int total = QueueTotal() > 0 ? QueueTotal() : 1;
    int filled = 20 * QueuePos() / total;
    char bar[21];
    for (int i = 0; i < 20; ++i) bar[i] = i < filled ? '#' : '.';
    bar[20] = '\0';
    if (BatchTotal() > 0) {
      // Time so far and the estimate left, then the photos (or stage) being worked on.
      std::fprintf(stderr, "\r[%s] %s %4s  %-30.30s %-20.20s", bar, CounterText().c_str(),
                   PercentText().c_str(), TimeText().c_str(), StageText().c_str());
    } else {
      std::fprintf(stderr, "\r[%s] %s %4s  %-28.28s", bar, CounterText().c_str(),
                   PercentText().c_str(), StageText().c_str());
    }
    std::fflush(stderr);
    drawn_ = true;
  }

  bool draw_;
  bool drawn_ = false;
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
  for (int signal : {SIGTERM, SIGHUP, SIGQUIT}) {
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
  std::fprintf(stderr, "orv: %s\n", TerminalSafe(message, KeepLineEnds::Lf).c_str());
}

void TerminalHost::ReportProblem(const std::string& text) {
  // Keep the problem on a line of its own under a progress bar.
  if (!quiet_ && ::isatty(STDERR_FILENO)) std::fputs("\n", stderr);
  std::fprintf(stderr, "orv: %s\n", TerminalSafe(text).c_str());
}

std::unique_ptr<CProgressDialog> TerminalHost::CreateProgressDialog() {
  return std::make_unique<TerminalProgress>(!quiet_ && ::isatty(STDERR_FILENO));
}

}  // namespace orv::cli
