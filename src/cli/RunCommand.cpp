// `orv run`: a batch run over files and folders, as "All Files" does it in the window.
#include <cstdio>
#include <cstring>

#include "cli/Commands.h"
#include "cli/SettingsOptions.h"
#include "cli/TerminalHost.h"
#include "engine/BlackFrameLoad.h"
#include "cli/TerminalText.h"
#include "engine/Engine.h"
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
  std::vector<std::string> paths;
};

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
    if (value("--black-frame", o.blackFrame) || value("--log", o.logPath)) {
      if (!error.empty()) return false;
      continue;
    }
    if (a == "--yes") {
      o.yes = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--keep-time") {
      o.keepTime = true;
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
  return true;
}

}  // namespace

int RunRunCommand(const GlobalOptions& global, std::span<const std::string> args) {
  RunOptions o;
  std::string error;
  if (!ParseRunOptions(args, o, error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitUsage;
  }
  std::string appFolder;
  if (!ResolveAppFolder(global.home, appFolder, error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitFailed;
  }
  TerminalHost host(o.yes, o.quiet);
  CEngine engine(host, appFolder);
  if (!BuildSettings(appFolder, o.settings, engine.settings(), error)) {
    std::fprintf(stderr, "orv run: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!o.logPath.empty()) engine.log().SetPath(AbsolutePath(o.logPath));
  engine.SetKeepFileTime(o.keepTime);
  MakeFolders(engine.helpFolder());
  if (!o.blackFrame.empty()) {
    unsigned code = LoadBlackFrame(AbsolutePath(o.blackFrame), engine.blackFrame());
    if (code != 0) {
      std::fprintf(stderr, "orv run: --black-frame %s: %s\n", TerminalSafe(o.blackFrame).c_str(),
                   DescribeLoadError(code).c_str());
      return kExitUsage;
    }
  }
  for (const std::string& p : o.paths) engine.queue().AddPath(AbsolutePath(p));
  if (!engine.queue().Warnings().empty() && !o.quiet)
    std::fputs(TerminalSafe(engine.queue().Warnings(), KeepLineEnds::CrLf).c_str(), stderr);

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
    std::fprintf(stderr, "orv: %d of %d photo%s saved; %s%s\n", report.saved, report.processed,
                 report.processed == 1 ? "" : "s",
                 engine.log().WriteFailed() ? "log not written: " : "log: ",
                 logPath.c_str());
  }
  int failures = report.loadFailures + report.saveFailures + report.stageFailures;
  return failures > 0 || engine.log().WriteFailed() ? kExitFailed : kExitOk;
}

}  // namespace orv::cli
