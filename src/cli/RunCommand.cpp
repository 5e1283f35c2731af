// `orv run`: a batch run over files and folders, as "All Files" does it in the window.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/Commands.h"
#include "cli/FileList.h"
#include "cli/ReportWriter.h"
#include "cli/SettingsOptions.h"
#include "cli/TerminalHost.h"
#include "cli/TerminalText.h"
#include "engine/BlackFrameLoad.h"
#include "engine/DryRun.h"
#include "engine/Engine.h"
#include "engine/Shard.h"
#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"
#include "platform/ExitCleanup.h"

namespace orv::cli {
namespace {

struct RunOptions {
  SettingsOptions settings;
  std::string blackFrame;
  std::string logPath;
  bool yes = false;
  bool quiet = false;
  bool keepTime = false;
  int jobs = 0;  // 0: one worker per core
  std::vector<std::string> paths;
  std::string filesFrom;  // --files-from FILE|-
  bool nulSeparated = false;
  bool dryRun = false;
  std::string shard;   // --shard K/N|auto
  std::string report;  // --report FILE|-
  bool skipExisting = false;
  int rawJpegTwins = -1;  // --raw-jpeg raw|jpeg|both; -1: as the settings say
};

// The --raw-jpeg choice as the Files.RawJpegTwins value.
bool ParseTwinChoice(const std::string& text, int& choice) {
  static const char* const kNames[] = {"raw", "jpeg", "both"};
  for (int i = 0; i < 3; ++i)
    if (text == kNames[i]) return choice = i, true;
  return false;
}

bool ParseJobs(const std::string& text, int& jobs) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) return false;
  jobs = value;
  return true;
}

bool ParseRunOptions(std::span<const std::string> args, RunOptions& o, std::string& error) {
  for (size_t i = 0; i < args.size();) {
    if (TakeSettingsOption(args, i, o.settings, error)) {
      if (!error.empty()) return false;
      continue;
    }
    const std::string& a = args[i];
    auto value = [&](const std::string& flag, std::string& out) {
      if (a == flag) {
        if (i + 1 >= args.size()) {
          error = flag + " needs a value";
          return true;
        }
        out = args[i + 1];
        i += 2;
        return true;
      }
      if (a.rfind(flag + "=", 0) == 0) {
        out = a.substr(flag.size() + 1);
        ++i;
        return true;
      }
      return false;
    };
    if (value("--black-frame", o.blackFrame) || value("--log", o.logPath) ||
        value("--files-from", o.filesFrom) || value("--shard", o.shard) ||
        value("--report", o.report)) {
      if (!error.empty()) return false;
      continue;
    }
    std::string twins;
    if (value("--raw-jpeg", twins)) {
      if (!error.empty()) return false;
      if (!ParseTwinChoice(twins, o.rawJpegTwins)) {
        error = "--raw-jpeg takes raw, jpeg or both, not '" + twins + "'";
        return false;
      }
      continue;
    }
    std::string jobs;
    if (value("--jobs", jobs) || value("-j", jobs) ||
        (a.size() > 2 && a.rfind("-j", 0) == 0 && (jobs = a.substr(2), ++i, true))) {
      if (!error.empty()) return false;
      if (!ParseJobs(jobs, o.jobs)) {
        error = "--jobs needs a whole number of 1 or more, not '" + jobs + "'";
        return false;
      }
      continue;
    }
    if (a == "--yes") {
      o.yes = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--keep-time") {
      o.keepTime = true;
    } else if (a == "--null") {
      o.nulSeparated = true;
    } else if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--skip-existing") {
      o.skipExisting = true;
    } else if (a == "--") {
      o.paths.insert(o.paths.end(), args.begin() + long(i) + 1, args.end());
      break;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option '" + a + "'";
      return false;
    } else {
      o.paths.push_back(a);
    }
    ++i;
  }
  if (o.nulSeparated && o.filesFrom.empty()) {
    error = "--null needs --files-from";
    return false;
  }
  if (o.dryRun && !o.report.empty()) {
    error = "--dry-run writes nothing: --report cannot be used with it";
    return false;
  }
  return true;
}

bool ResolveShard(const std::string& text, Shard& shard, std::string& error) {
  if (text == "auto") return ShardFromEnvironment([](const char* name) { return std::getenv(name); },
                                                  shard, error);
  return ParseShard(text, shard, error);
}

// Prints what the run would write, one "SOURCE<TAB>OUTPUT" line a photo ("<TAB>skipped" added
// for a photo --skip-existing leaves out), and writes nothing.
int PrintDryRun(CEngine& engine, bool skipExisting) {
  if (engine.queue().Cue().empty()) {
    engine.host().ShowMessage(kNoFilesMessage);
    return kExitUsage;
  }
  for (const PlannedOutput& p : PlanOutputs(engine.settings(), engine.queue().Cue(), skipExisting))
    std::printf("%s\t%s%s\n", p.source.c_str(), p.output.c_str(), p.skipped ? "\tskipped" : "");
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunRunCommand(const GlobalOptions& global, std::span<const std::string> args) {
  RunOptions o;
  std::string error;
  if (!ParseRunOptions(args, o, error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitUsage;
  }
  Shard shard;
  if (!o.shard.empty() && !ResolveShard(o.shard, shard, error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitUsage;
  }
  std::vector<std::string> listed;
  if (!o.filesFrom.empty() && !ReadFileList(o.filesFrom, o.nulSeparated, listed, error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitUsage;
  }
  std::string appFolder;
  // A dry run reads the app folder but never creates or seeds it.
  bool found = o.dryRun ? ChooseAppFolder(global.home, appFolder, error)
                        : ResolveAppFolder(global.home, appFolder, error);
  if (!found) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitFailed;
  }
  TerminalHost host(o.yes, o.quiet);
  CEngine engine(host, appFolder);
  if (!BuildSettings(appFolder, o.settings, engine.settings(), error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitUsage;
  }
  if (o.rawJpegTwins >= 0) engine.settings().Files.RawJpegTwins = o.rawJpegTwins;
  if (!o.logPath.empty()) engine.log().SetPath(AbsolutePath(o.logPath));
  engine.SetKeepFileTime(o.keepTime);
  if (!o.dryRun) MakeFolders(engine.helpFolder());
  if (!o.blackFrame.empty()) {
    unsigned code = LoadBlackFrame(AbsolutePath(o.blackFrame), engine.blackFrame());
    if (code != 0) {
      std::fprintf(stderr, "orv run: --black-frame %s: %s\n", TerminalSafe(o.blackFrame).c_str(),
                   DescribeLoadError(code).c_str());
      return kExitUsage;
    }
  }
  std::vector<QueueRoot> roots;
  std::vector<std::string> absolute;
  for (const std::vector<std::string>* given : {&o.paths, &listed}) {
    for (const std::string& p : *given) {
      roots.push_back({AbsolutePath(p), p});
      absolute.push_back(roots.back().absolute);
    }
  }
  engine.queue().AddPaths(absolute);
  if (!engine.queue().Warnings().empty() && !o.quiet)
    std::fputs(TerminalSafe(engine.queue().Warnings(), KeepLineEnds::CrLf).c_str(), stderr);
  if (!o.shard.empty()) KeepShard(engine.queue().Cue(), ShardKeys(roots), shard);
  if (o.dryRun) return PrintDryRun(engine, o.skipExisting);

  ReportWriter reportWriter;
  if (!o.report.empty()) {
    if (!reportWriter.Open(o.report, error)) {
      std::fprintf(stderr, "orv run: %s\n", error.c_str());
      return kExitUsage;
    }
    engine.SetRunObserver(&reportWriter);
  }
  engine.SetSkipExisting(o.skipExisting);

  engine.SetJobs(o.jobs);
  InstallInterruptHandler();
  ArmLogFinish(engine.log().Path());
  RunReport report = engine.RunAll();
  ArmLogFinish("");
  const std::string logPath = TerminalSafe(engine.log().Path());
  if (engine.log().WriteFailed())
    std::fprintf(stderr, "orv: the log could not be written: %s (%s)\n", logPath.c_str(),
                 std::strerror(engine.log().FailureErrno()));
  switch (report.end) {
    case RunReport::End::EmptyQueue:
    case RunReport::End::Declined:
    case RunReport::End::NoSelection:
      return kExitUsage;
    case RunReport::End::Cancelled:
      return kExitCancelled;
    case RunReport::End::Finished:
      break;
  }
  if (!o.quiet) {
    std::string skipped =
        report.skipped > 0 ? ", " + std::to_string(report.skipped) + " skipped" : std::string();
    std::fprintf(stderr, "orv: %d of %d photo%s saved%s; %s%s\n", report.saved, report.processed,
                 report.processed == 1 ? "" : "s", skipped.c_str(),
                 engine.log().WriteFailed() ? "log not written: " : "log: ", logPath.c_str());
  }
  if (!reportWriter.ok()) {
    std::fprintf(stderr, "orv run: --report %s: a line could not be written\n", o.report.c_str());
    return kExitFailed;
  }
  int failures = report.loadFailures + report.saveFailures + report.stageFailures;
  return failures > 0 || engine.log().WriteFailed() ? kExitFailed : kExitOk;
}

}  // namespace orv::cli
