// `orv run`: a batch run over files and folders, as "All Files" does it in the window.
#include <charconv>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/SettingsOptions.h"
#include "cli/TerminalHost.h"
#include "engine/Engine.h"
#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"

namespace orv::cli {
namespace {

struct RunOptions {
  SettingsOptions settings;
  std::string blackFrame;
  std::string logPath;
  bool yes = false;
  bool quiet = false;
  int jobs = 0;  // 0: one worker per core
  std::vector<std::string> paths;
};

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
    if (value("--black-frame", o.blackFrame) || value("--log", o.logPath)) {
      if (!error.empty()) return false;
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
  MakeFolders(engine.helpFolder());
  if (!o.blackFrame.empty()) {
    CImageFile frame;
    unsigned code = frame.Load(AbsolutePath(o.blackFrame).c_str());
    if (code != 0) {
      std::fprintf(stderr, "orv run: --black-frame %s: %s\n", o.blackFrame.c_str(),
                   LibraryErrorText(code));
      return kExitUsage;
    }
    engine.blackFrame() = frame.TakeImage();
  }
  for (const std::string& p : o.paths) engine.queue().AddPath(AbsolutePath(p));
  if (!engine.queue().Warnings().empty() && !o.quiet)
    std::fputs(engine.queue().Warnings().c_str(), stderr);

  engine.SetJobs(o.jobs);
  InstallInterruptHandler();
  RunReport report = engine.RunAll();
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
    std::fprintf(stderr, "orv: %d of %d photo%s saved; log: %s\n", report.saved, report.processed,
                 report.processed == 1 ? "" : "s", engine.log().Path().c_str());
  }
  return report.loadFailures + report.saveFailures > 0 ? kExitFailed : kExitOk;
}

}  // namespace orv::cli
