// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv watch`: a hot folder. The photos in the folders that have no output yet are processed,
// then every photo that arrives, once it is complete, with the run's options, until the
// command is stopped (SIGTERM or Ctrl-C: the photos in work are saved, none is started, exit
// 0). SIGHUP reads the profile again for the photos that come next. The watch itself is the
// engine's WatchSession; this file holds the options, the terminal's lines and the signals.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <iterator>
#include <thread>
#include <utility>

#include "cli/Commands.h"
#include "cli/ReportWriter.h"
#include "cli/RunOptions.h"
#include "cli/RunTargets.h"
#include "cli/TerminalHost.h"
#include "cli/TerminalText.h"
#include "engine/BlackFrameLoad.h"
#include "engine/Engine.h"
#include "engine/WatchFolder.h"
#include "engine/WatchRunner.h"
#include "engine/WatchSession.h"
#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"
#include "platform/FileTests.h"
#include "settings/SettingRules.h"
#include "settings/SettingValues.h"

namespace orv::cli {
namespace {

struct WatchCommandOptions {
  RunOptions run;
  double settleSeconds = 2.0;
  double pollSeconds = 0;  // 0: inotify where it sees changes
};

bool ParseSeconds(const std::string& text, double low, double& seconds) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !(value >= low) || value > 86400)
    return false;
  seconds = value;
  return true;
}

const Option<WatchCommandOptions> kWatchOnlyOptions[] = {
    {{"--settle", "", "SECONDS", ValueKind::Free,
      "take a photo once it has not changed for SECONDS (default 2;\n"
      "0 to 86400, fractions allowed)",
      "Watching"},
     [](WatchCommandOptions& o, const std::string& v, std::string& error) {
       if (ParseSeconds(v, 0, o.settleSeconds)) return true;
       error = "--settle needs a number of seconds from 0 to 86400, not '" + v + "'";
       return false;
     }},
    {{"--poll", "", "SECONDS", ValueKind::Free,
      "look at the folders every SECONDS instead of being told of\n"
      "changes (chosen by itself on NFS, SMB/CIFS and FUSE mounts,\n"
      "every 5 seconds)",
      "Watching"},
     [](WatchCommandOptions& o, const std::string& v, std::string& error) {
       if (ParseSeconds(v, 0.1, o.pollSeconds)) return true;
       error = "--poll needs a number of seconds from 0.1 to 86400, not '" + v + "'";
       return false;
     }},
};

// The run command's rows a watch takes: all but those of a one-off list (--files-from, --null,
// --dry-run, --shard). --skip-existing is taken and changes nothing: a watch always skips.
bool WatchTakes(const OptionDoc& doc) {
  for (std::string_view name : {"--files-from", "--null", "--dry-run", "--shard"})
    if (doc.name == name) return false;
  return true;
}

// The watch's rows: the run rows it takes, then its own; each as (own row?, index).
std::vector<std::pair<bool, size_t>> WatchRows() {
  std::vector<std::pair<bool, size_t>> rows;
  std::span<const Option<RunOptions>> runRows = RunOptionRows();
  for (size_t i = 0; i < runRows.size(); ++i)
    if (WatchTakes(runRows[i].doc)) rows.emplace_back(false, i);
  for (size_t i = 0; i < std::size(kWatchOnlyOptions); ++i) rows.emplace_back(true, i);
  return rows;
}

std::vector<const OptionDoc*> AllDocs() {
  std::vector<const OptionDoc*> docs;
  for (auto [own, i] : WatchRows())
    docs.push_back(own ? &kWatchOnlyOptions[i].doc : &RunOptionRows()[i].doc);
  return docs;
}

bool ParseWatchOptions(std::span<const std::string> args, WatchCommandOptions& o,
                       std::string& error) {
  const std::vector<std::pair<bool, size_t>> rows = WatchRows();
  std::vector<const OptionDoc*> docs = AllDocs();
  bool parsed = ParseWithDocs(
      docs, args, {},
      [&](size_t row, const std::string& value, std::string& message) {
        auto [own, i] = rows[row];
        if (own) return kWatchOnlyOptions[i].apply(o, value, message);
        return RunOptionRows()[i].apply(o.run, value, message);
      },
      o.run.paths, error);
  if (!parsed) return false;
  if (o.run.paths.empty()) {
    error = "name the folders to watch";
    return false;
  }
  return true;
}

std::string Clock() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

// One line on stderr a photo as it is saved or fails, then the report's line.
class WatchLines : public WatchObserver {
 public:
  WatchLines(RunObserver* report, bool quiet) : report_(report), quiet_(quiet) {}
  void ItemFinished(const ItemResult& r) override {
    if (r.status == ItemResult::Status::Saved) {
      ++saved;
      if (!quiet_)
        std::fprintf(stderr, "%s %s -> %s %lld ms\n", Clock().c_str(),
                     TerminalSafe(r.source).c_str(), TerminalSafe(r.output).c_str(),
                     static_cast<long long>(r.ms));
    } else if (r.status == ItemResult::Status::Failed) {
      ++failed;
      std::fprintf(stderr, "%s %s: failed: %s\n", Clock().c_str(), TerminalSafe(r.source).c_str(),
                   TerminalSafe(r.error).c_str());
    }
    if (report_) report_->ItemFinished(r);
  }
  void StateWriteFailed() override {
    std::fprintf(stderr, "orv watch: the state file or the day's log could not be written\n");
  }
  int saved = 0, failed = 0;

 private:
  RunObserver* report_;
  bool quiet_;
};

// SIGTERM, SIGINT and SIGHUP are blocked in every thread (the workers start later and inherit
// the mask) and read from a descriptor by a thread of their own, never by a handler in the
// middle of a save. A stop reaches the run at once: no further photo is started, the photos in
// work are saved.
int OpenSignalDescriptor() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
  return ::signalfd(-1, &set, SFD_CLOEXEC);
}

// The thread that answers the signals until `quitFd` is written to. SIGHUP builds the settings
// again, which the watch takes for its next run.
class SignalThread {
 public:
  SignalThread(int signalFd, WatchSession& session, std::function<void()> reload)
      : signalFd_(signalFd), quitFd_(::eventfd(0, EFD_CLOEXEC)), session_(session),
        reload_(std::move(reload)) {
    thread_ = std::thread([this] { Loop(); });
  }
  ~SignalThread() {
    quit_.store(true);
    const uint64_t one = 1;
    if (quitFd_ >= 0) {
      [[maybe_unused]] ssize_t n = ::write(quitFd_, &one, sizeof one);
    }
    thread_.join();
    if (quitFd_ >= 0) ::close(quitFd_);
  }

 private:
  void Loop() {
    // Without an eventfd (none left) the thread looks at the quit flag every 200 ms.
    const int timeout = quitFd_ >= 0 ? -1 : 200;
    while (!quit_.load()) {
      pollfd fds[2] = {{signalFd_, POLLIN, 0}, {quitFd_, POLLIN, 0}};
      const int ready = ::poll(fds, 2, timeout);
      if (ready < 0 && errno != EINTR) return;
      if (ready <= 0 || fds[1].revents) continue;
      signalfd_siginfo info{};
      if (::read(signalFd_, &info, sizeof info) != ssize_t(sizeof info)) continue;
      if (info.ssi_signo == SIGHUP)
        reload_();
      else
        session_.RequestStop();
    }
  }

  int signalFd_;
  int quitFd_;
  std::atomic<bool> quit_{false};
  WatchSession& session_;
  std::function<void()> reload_;
  std::thread thread_;
};

}  // namespace

std::vector<const OptionDoc*> WatchOptionDocs() { return AllDocs(); }

int RunWatchCommand(const GlobalOptions& global, std::span<const std::string> args) {
  WatchCommandOptions o;
  std::string error;
  auto usage = [&](const std::string& message) {
    std::fprintf(stderr, "orv watch: %s\n", TerminalSafe(message).c_str());
    return kExitUsage;
  };
  if (!ParseWatchOptions(args, o, error)) return usage(error);
  RunOptions& run = o.run;
  if (!run.report.empty() && run.report != "-" &&
      !CheckRunTarget(run.report, RunTargetKind::Report, error))
    return usage(error);
  if (!run.logPath.empty() && !CheckRunTarget(run.logPath, RunTargetKind::Log, error))
    return usage(error);

  WatchOptions watch;
  watch.settle = std::chrono::milliseconds(int64_t(o.settleSeconds * 1000));
  watch.poll = std::chrono::milliseconds(int64_t(o.pollSeconds * 1000));
  for (const std::string& p : run.paths) watch.folders.push_back(AbsolutePath(p));

  std::string appFolder;
  if (!ResolveAppFolder(global.home, appFolder, error)) {
    std::fprintf(stderr, "orv watch: %s\n", error.c_str());
    return kExitFailed;
  }
  TerminalHost host(run.yes, true);
  CEngine engine(host, appFolder);
  if (!BuildSettings(appFolder, run.settings, engine.settings(), error)) return usage(error);
  if (run.rawJpegTwins >= 0) engine.settings().Files.RawJpegTwins = run.rawJpegTwins;
  {
    Settings asked = engine.settings();
    ApplyQualityFallback(asked);
    // Nobody is there to answer the size-limit question once the watch runs.
    if (asked.Quality.Type == quality_type::kMaxSize && !run.yes)
      return usage("Quality.Type=1 asks a question before each run: give --yes to answer it");
  }
  watch.recursive = engine.settings().Files.Recursive != 0;
  MakeFolders(engine.helpFolder());
  engine.log().SetPath(run.logPath.empty() ? engine.helpFolder() + "/log.html"
                                           : AbsolutePath(run.logPath));
  engine.SetKeepFileTime(run.keepTime);
  // A photo whose output exists is never redone: that is what makes a restart safe.
  engine.SetSkipExisting(true);
  engine.SetJobs(run.jobs);
  engine.SetThreads(run.threads);
  if (!run.blackFrame.empty()) {
    unsigned code = LoadBlackFrame(AbsolutePath(run.blackFrame), engine.blackFrame());
    if (code != 0) {
      std::fprintf(stderr, "orv watch: --black-frame %s: %s\n",
                   TerminalSafe(run.blackFrame).c_str(), DescribeLoadError(code).c_str());
      return kExitUsage;
    }
  }
  ReportWriter reportWriter;
  if (!run.report.empty() && !reportWriter.Open(run.report, error, true)) return usage(error);
  WatchLines lines(run.report.empty() ? nullptr : &reportWriter, run.quiet);

  std::signal(SIGPIPE, SIG_IGN);
  const int signals = OpenSignalDescriptor();
  if (signals < 0) {
    std::fprintf(stderr, "orv watch: signals: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  WatchSession session(engine, &lines, watch, appFolder + "/watch-failed.txt");
  if (!session.Start(error)) {
    ::close(signals);
    return usage(error);
  }
  if (!run.quiet)
    std::fprintf(stderr, "orv watch: watching %zu folder%s (%s); SIGTERM or Ctrl-C stops\n",
                 watch.folders.size(), watch.folders.size() == 1 ? "" : "s",
                 session.Polling() ? "polling" : "inotify");
  {
    SignalThread answers(signals, session, [&] {
      Settings fresh;
      std::string why;
      if (BuildSettings(appFolder, run.settings, fresh, why)) {
        if (run.rawJpegTwins >= 0) fresh.Files.RawJpegTwins = run.rawJpegTwins;
        session.ReplaceSettings(fresh);
        if (!run.quiet) std::fprintf(stderr, "%s settings read again\n", Clock().c_str());
      } else {
        std::fprintf(stderr, "orv watch: SIGHUP: %s; the settings stay as they were\n",
                     TerminalSafe(why).c_str());
      }
    });
    session.Run();
  }
  ::close(signals);
  if (!run.quiet)
    std::fprintf(stderr, "orv watch: stopped: %d saved, %d failed\n", lines.saved, lines.failed);
  return kExitOk;
}

}  // namespace orv::cli
