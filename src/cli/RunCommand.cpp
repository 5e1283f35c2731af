// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv run`: a batch run over files and folders, as "All Files" does it in the window.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/Commands.h"
#include "cli/FileList.h"
#include "cli/QueueNotes.h"
#include "cli/RunOptions.h"
#include "cli/ReportWriter.h"
#include "cli/RunTargets.h"
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
#include "platform/NumberText.h"
#include "settings/SettingRules.h"
#include "settings/SettingValues.h"

namespace orv::cli {
namespace {

bool ParseJobs(const std::string& text, int& jobs) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) return false;
  jobs = value;
  return true;
}

// Rows whose only work is to keep a text or set a flag.
template <std::string RunOptions::*Field>
bool KeepText(RunOptions& o, const std::string& value, std::string&) {
  o.*Field = value;
  return true;
}
template <bool RunOptions::*Field>
bool SetFlag(RunOptions& o, const std::string&, std::string&) {
  o.*Field = true;
  return true;
}

bool TakeJobs(RunOptions& o, const std::string& value, std::string& error) {
  if (ParseJobs(value, o.jobs)) return true;
  error = "--jobs needs a whole number of 1 or more, not '" + value + "'";
  return false;
}

bool TakeThreads(RunOptions& o, const std::string& value, std::string& error) {
  if (ParseJobs(value, o.threads)) return true;
  error = "--threads needs a whole number of 1 or more, not '" + value + "'";
  return false;
}

bool TakeShard(RunOptions& o, const std::string& value, std::string& error) {
  // An unset variable in a job script gives "": refused, or every task would run everything.
  if (value.empty()) {
    error = "--shard needs K/N or auto, not an empty value";
    return false;
  }
  o.shard = value;
  o.shardGiven = true;
  return true;
}

// The --raw-jpeg choice as the Files.RawJpegTwins value.
bool TakeTwinChoice(RunOptions& o, const std::string& value, std::string& error) {
  static const char* const kNames[] = {"raw", "jpeg", "both"};
  for (int i = 0; i < 3; ++i)
    if (value == kNames[i]) {
      o.rawJpegTwins = i;
      return true;
    }
  error = "--raw-jpeg takes raw, jpeg or both, not '" + value + "'";
  return false;
}

constexpr std::string_view kLibraries = "Large libraries (see docs/scaling.md)";

const Option<RunOptions> kRunOptions[] = {
    kProfileRow<RunOptions>,
    kDefaultsRow<RunOptions>,
    kSetRow<RunOptions>,
    {{"--black-frame", "", "FILE", ValueKind::File,
      "a dark frame for black-frame subtraction (HotPixels.BF=1)"},
     KeepText<&RunOptions::blackFrame>},
    {{"--log", "", "FILE", ValueKind::File,
      "write the HTML log there (default: APP_FOLDER/help/log.html)"},
     KeepText<&RunOptions::logPath>},
    {{"--jobs", "-j", "N", ValueKind::Free,
      "work on N photos at once (default: one per core, fewer when\n"
      "memory is short); --jobs 1 works on one photo at a time"},
     TakeJobs},
    {{"--threads", "", "N", ValueKind::Free,
      "use at most N threads at once, the photo workers and the\n"
      "parts of each photo's corrections together (default: one per\n"
      "core, or ORV_THREADS); also caps --jobs"},
     TakeThreads},
    {{"--yes", "", "", ValueKind::Flag,
      "answer Yes to questions (the size-limit question of\n"
      "Quality.Type=1); without it and without a terminal they are No"},
     SetFlag<&RunOptions::yes>},
    {{"--quiet", "", "", ValueKind::Flag, "no progress line, no summary and no scan warnings"},
     SetFlag<&RunOptions::quiet>},
    {{"--verbose", "", "", ValueKind::Flag,
      "on a terminal, list every output folder the scan skipped\n"
      "(without it they are counted in one line)"},
     SetFlag<&RunOptions::verbose>},
    {{"--keep-time", "", "", ValueKind::Flag,
      "give each output (and XMP sidecar copy) its source's\n"
      "modification time"},
     SetFlag<&RunOptions::keepTime>},
    {{"--raw-jpeg", "", "raw|jpeg|both", ValueKind::Free,
      "a camera's RAW+JPEG pair (IMG_0001.CR2 beside IMG_0001.JPG):\n"
      "take the RAW and skip the JPEG (raw, the default), take the\n"
      "JPEG (jpeg), or both, the RAW's output then named\n"
      "IMG_0001_CR2_ORV.jpg (Files.RawJpegTwins 0, 1, 2)"},
     TakeTwinChoice},
    {{"--files-from", "", "FILE|-", ValueKind::File,
      "also queue the paths listed in FILE (- for standard input),\n"
      "one a line (a trailing CR is dropped); relative ones from the\n"
      "current folder; listed folders are scanned as PATHs are; an\n"
      "entry longer than PATH_MAX is refused with its line number",
      kLibraries},
     KeepText<&RunOptions::filesFrom>},
    {{"--null", "", "", ValueKind::Flag, "the list is separated by NUL bytes (find -print0)",
      kLibraries},
     SetFlag<&RunOptions::nulSeparated>},
    {{"--dry-run", "", "", ValueKind::Flag,
      "print SOURCE<TAB>OUTPUT for each queued photo (a third field\n"
      "\"skipped\" with --skip-existing) and write nothing at all;\n"
      "control characters in names are written \\n, \\t, \\r, \\e or\n"
      "\\xHH and a backslash as \\\\, so a record is always one line",
      kLibraries},
     SetFlag<&RunOptions::dryRun>},
    {{"--shard", "", "K/N|auto[/N]", ValueKind::Free,
      "keep shard K of N: a photo's shard is floor(h * N / 2^64) + 1,\n"
      "h the FNV-1a 64 hash of its path relative to the PATH or list\n"
      "entry it was found under: the same on every machine.\n"
      "auto/N takes K of a job-array task (index i is shard i+1):\n"
      "SLURM_ARRAY_TASK_ID (checked against SLURM_ARRAY_TASK_MIN,\n"
      "_MAX and _STEP), AWS_BATCH_JOB_ARRAY_INDEX or\n"
      "JOB_COMPLETION_INDEX; N is given, or ORV_SHARD_COUNT (plain\n"
      "auto), or AWS_BATCH_JOB_ARRAY_SIZE; never guessed",
      kLibraries},
     TakeShard},
    {{"--report", "", "FILE|-", ValueKind::File,
      "one JSON object a line per queued photo as it finishes\n"
      "(- for standard output): source, output, status (saved,\n"
      "skipped, failed, cancelled), error, quality, bytes, ms, version",
      kLibraries},
     KeepText<&RunOptions::report>},
    {{"--skip-existing", "", "", ValueKind::Flag,
      "leave out a photo whose output name (without a number)\n"
      "exists: a re-run after a stop redoes only the missing ones",
      kLibraries},
     SetFlag<&RunOptions::skipExisting>},
    {{"--mirror-tree", "", "", ValueKind::Flag,
      "keep each photo's whole folder path below the PATH it was\n"
      "found under (a listed file: below --base) in the output folder\n"
      "(Output.MirrorTree=1; needs Output.Type=1 and Output.SimDir)",
      kLibraries},
     SetFlag<&RunOptions::mirrorTree>},
    {{"--base", "", "DIR", ValueKind::Folder,
      "with --mirror-tree, the folder listed files are mirrored from:\n"
      "lib/2021/01/x.jpg listed with --base lib goes to OUT/2021/01/",
      kLibraries},
     KeepText<&RunOptions::base>},
};

bool ParseRunOptions(std::span<const std::string> args, RunOptions& o, std::string& error) {
  if (!ParseOptions<RunOptions>(kRunOptions, args, o, o.paths, error)) return false;
  if (o.nulSeparated && o.filesFrom.empty()) {
    error = "--null needs --files-from";
    return false;
  }
  if (!o.base.empty() && !o.mirrorTree) {
    error = "--base is the root of --mirror-tree: give --mirror-tree with it";
    return false;
  }
  if (o.dryRun && !o.report.empty()) {
    error = "--dry-run writes nothing: --report cannot be used with it";
    return false;
  }
  return true;
}

bool ResolveShard(const std::string& text, Shard& shard, std::string& error) {
  if (text.rfind("auto", 0) != 0) return ParseShard(text, shard, error);
  int count = 0;
  return ParseAutoShardCount(text, count, error) &&
         ShardFromEnvironment([](const char* name) { return std::getenv(name); }, count, shard,
                              error);
}

// A dry-run field: control characters escaped as on the terminal and a backslash doubled, so a
// record is one line of tab-separated fields whatever the names hold.
std::string DryRunField(const std::string& name) {
  std::string doubled;
  for (char c : name) doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return TerminalSafe(doubled);
}

// Prints what the run would write, one "SOURCE<TAB>OUTPUT" line a photo ("<TAB>skipped" added
// for a photo --skip-existing leaves out), and writes nothing.
int PrintDryRun(CEngine& engine, bool skipExisting, bool listedDropped) {
  if (engine.queue().Cue().empty()) {
    engine.host().ShowMessage(kNoFilesMessage);
    return kExitUsage;
  }
  for (const PlannedOutput& p : PlanOutputs(engine.settings(), engine.queue().Cue(), skipExisting))
    std::printf("%s\t%s%s\n", DryRunField(p.source).c_str(), DryRunField(p.output).c_str(),
                p.skipped ? "\tskipped" : "");
  if (std::fflush(stdout) != 0) return kExitFailed;
  return listedDropped ? kExitFailed : kExitOk;
}

// Counts the results of a run for its closing line and passes each to the report, if any.
class RunTally : public RunObserver {
 public:
  explicit RunTally(RunObserver* report) : report_(report) {}
  void ItemFinished(const ItemResult& result) override {
    switch (result.status) {
      case ItemResult::Status::Saved:
        ++saved;
        break;
      case ItemResult::Status::Skipped:
        ++skipped;
        break;
      case ItemResult::Status::Failed:
        ++failed;
        break;
      case ItemResult::Status::Cancelled:
        ++notReached;
        break;
    }
    if (report_) report_->ItemFinished(result);
  }
  int saved = 0, skipped = 0, failed = 0, notReached = 0;

 private:
  RunObserver* report_;
};

// The size-limit question of Quality.Type=1, worded for the terminal: asked before the run so
// that a No says why the run stopped.
bool AskSizeLimitOnTerminal(TerminalHost& host, const Settings& settings) {
  Settings asked = settings;
  ApplyQualityFallback(asked);
  if (asked.Quality.Type != 1) return true;
  std::string question =
      "Quality.Type=1: each output is saved at the highest quality that keeps it at or below "
      "Quality.MaxKB=" +
      FormatG(asked.Quality.MaxKB) +
      " kB.\nThis may give pictures of far lower quality than the originals.\nContinue with "
      "this setting?";
  if (host.AskYesNo(question)) {
    host.AnswerNextQuestionYes();  // the run asks it again in the desktop program's words
    return true;
  }
  std::fputs(host.unansweredQuestion()
                 ? "orv run: stopped before the first photo: nothing was written\n"
                 : "orv run: stopped: the size-limit question was answered No; nothing was "
                   "written (--yes answers Yes; Quality.Type=0 or 2 does not ask)\n",
             stderr);
  return false;
}

// Whole-tree mirroring needs a root above each photo: a queued folder or --base. A listed file
// under neither would fall back to its folder's name alone, which is what the option exists to
// avoid, so the run refuses it up front.
bool CheckTreeRoots(const std::vector<CueItem>& cue, const Settings& s, std::string& error) {
  auto under = [](const std::string& path, std::string root) {
    if (root.empty()) return false;
    if (root.back() != '/') root += '/';
    return path.compare(0, root.size(), root) == 0;
  };
  for (const CueItem& item : cue) {
    bool rooted = under(item.path, s.Output.TreeBase);
    for (const std::string& root : s.Output.TreeRoots) rooted = rooted || under(item.path, root);
    if (!rooted) {
      error = "--mirror-tree: " + item.path +
              " lies under no queued folder" +
              (s.Output.TreeBase.empty() ? std::string("; give --base DIR for listed files")
                                         : " nor under --base " + s.Output.TreeBase);
      return false;
    }
  }
  return true;
}

void PrintResultNote(const ItemResult& r) {
  std::fprintf(stderr, "orv run: %s: not run: %s\n", TerminalSafe(r.source).c_str(),
               TerminalSafe(r.error).c_str());
}

}  // namespace

std::span<const Option<RunOptions>> RunOptionRows() {
  return kRunOptions;
}

std::vector<const OptionDoc*> RunOptionDocs() {
  return DocsOf<RunOptions>(kRunOptions);
}

int RunRunCommand(const GlobalOptions& global, std::span<const std::string> args) {
  RunOptions o;
  std::string error;
  auto usage = [&](const std::string& message) {
    std::fprintf(stderr, "orv run: %s\n", TerminalSafe(message).c_str());
    return kExitUsage;
  };
  if (!ParseRunOptions(args, o, error)) return usage(error);
  Shard shard;
  if (o.shardGiven && !ResolveShard(o.shard, shard, error)) return usage(error);
  // The report and log never take the place of a photo, nor of each other.
  if (!o.report.empty() && o.report != "-" &&
      !CheckRunTarget(o.report, RunTargetKind::Report, error))
    return usage(error);
  if (!o.logPath.empty() && !CheckRunTarget(o.logPath, RunTargetKind::Log, error))
    return usage(error);
  if (!o.report.empty() && o.report != "-" && !o.logPath.empty() && SameFile(o.report, o.logPath))
    return usage("--report and --log name one file: give each its own");

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
  if (!BuildSettings(appFolder, o.settings, engine.settings(), error)) return usage(error);
  Settings& settings = engine.settings();
  if (o.mirrorTree) {
    if (settings.Output.Type != output_type::kFolder || settings.Output.SimDir.empty())
      return usage("--mirror-tree mirrors into an output folder: set Output.Type=1 and "
                   "Output.SimDir=DIR");
    settings.Output.MirrorTree = mirror_tree::kWholeTree;
  }
  if (!o.base.empty()) settings.Output.TreeBase = AbsolutePath(o.base);
  if (!o.logPath.empty()) engine.log().SetPath(AbsolutePath(o.logPath));
  if (o.rawJpegTwins >= 0) engine.settings().Files.RawJpegTwins = o.rawJpegTwins;
  engine.SetKeepFileTime(o.keepTime);
  if (!o.blackFrame.empty()) {
    unsigned code = LoadBlackFrame(AbsolutePath(o.blackFrame), engine.blackFrame());
    if (code != 0) {
      std::fprintf(stderr, "orv run: --black-frame %s: %s\n", TerminalSafe(o.blackFrame).c_str(),
                   DescribeLoadError(code).c_str());
      return kExitUsage;
    }
  }

  ReportWriter reportWriter;
  if (!o.report.empty() && !reportWriter.Open(o.report, error)) return usage(error);
  RunTally tally(o.report.empty() ? nullptr : &reportWriter);
  int listedFailures = 0;
  auto notRun = [&](const ItemResult& r) {
    ++listedFailures;
    if (!o.quiet) PrintResultNote(r);
    if (!o.dryRun) tally.ItemFinished(r);
  };

  // The list is read as a stream: a listed path that does not exist is a failed result at once
  // and is not kept, so memory follows the files that exist.
  std::vector<QueueRoot> roots;
  std::vector<std::string> listed;
  for (const std::string& p : o.paths) {
    roots.push_back({AbsolutePath(p), p});
    listed.push_back(roots.back().absolute);
  }
  if (!o.filesFrom.empty()) {
    bool read = ReadFileList(
        o.filesFrom, o.nulSeparated,
        [&](std::string&& entry, size_t) {
          std::string absolute = AbsolutePath(entry);
          struct stat st {};
          if (::stat(absolute.c_str(), &st) != 0) {
            ItemResult r;
            r.source = absolute;
            r.error = std::strerror(errno);
            notRun(r);
            return true;
          }
          roots.push_back({absolute, std::move(entry)});
          listed.push_back(absolute);
          return true;
        },
        error);
    if (!read) return usage(error);
  }
  if (!o.dryRun) MakeFolders(engine.helpFolder());
  engine.queue().AddPaths(listed);
  const std::string& warnings = engine.queue().Warnings();
  if (!warnings.empty() && !o.quiet) {
    bool summarise = !o.verbose && ::isatty(STDERR_FILENO);
    std::fputs(TerminalSafe(QueueWarningsText(warnings, summarise), KeepLineEnds::CrLf).c_str(),
               stderr);
  }
  for (const ItemResult& r : DroppedListedFiles(listed, engine.queue().Cue(), warnings)) {
    // The queue said why on stderr already; the report and the exit status say it too.
    ++listedFailures;
    if (!o.dryRun) tally.ItemFinished(r);
  }
  std::vector<std::string>().swap(listed);
  settings.Output.TreeRoots = engine.queue().Folders();
  if (settings.Output.MirrorTree == mirror_tree::kWholeTree &&
      settings.Output.Type == output_type::kFolder && !settings.Output.SimDir.empty() &&
      !CheckTreeRoots(engine.queue().Cue(), settings, error))
    return usage(error);
  const size_t queued = engine.queue().Cue().size();
  if (o.shardGiven) KeepShard(engine.queue().Cue(), ShardKeys(roots), shard);
  std::vector<QueueRoot>().swap(roots);
  // A share of a library can be empty (more shards than photos): that task has nothing to do
  // and succeeds. Only an empty library stays the usage error below.
  if (o.shardGiven && queued > 0 && engine.queue().Cue().empty()) {
    if (!o.quiet)
      std::fprintf(stderr, "orv run: shard %d/%d holds no photos (%zu queued in all)\n",
                   shard.index, shard.count, queued);
    return listedFailures > 0 ? kExitFailed : kExitOk;
  }
  if (o.dryRun) return PrintDryRun(engine, o.skipExisting, listedFailures > 0);

  engine.SetRunObserver(&tally);
  engine.SetSkipExisting(o.skipExisting);
  if (!o.yes && !AskSizeLimitOnTerminal(host, engine.settings()))
    return kExitUsage;

  engine.SetJobs(o.jobs);
  engine.SetThreads(o.threads);
  InstallInterruptHandler();
  ArmLogFinish(engine.log().Path());
  RunReport report = engine.RunAll();
  ArmLogFinish("");
  const std::string logPath = TerminalSafe(engine.log().Path());
  if (engine.log().WriteFailed())
    std::fprintf(stderr, "orv: the log could not be written: %s (%s)\n", logPath.c_str(),
                 std::strerror(engine.log().FailureErrno()));
  if (reportWriter.brokenPipe())
    std::fputs("orv run: --report: the reader of the report went away (broken pipe); the report "
               "stopped there, the run went on\n",
               stderr);
  switch (report.end) {
    case RunReport::End::EmptyQueue:
    case RunReport::End::Declined:
    case RunReport::End::NoSelection:
      return kExitUsage;  // an empty queue stays a usage error, listed files or not
    case RunReport::End::Cancelled:
      std::fprintf(stderr, "orv: cancelled: %d saved, %d failed, %d not reached%s; log: %s\n",
                   tally.saved, tally.failed, tally.notReached,
                   tally.skipped > 0 ? (", " + std::to_string(tally.skipped) + " skipped").c_str()
                                     : "",
                   logPath.c_str());
      return kExitCancelled;
    case RunReport::End::Finished:
      break;
  }
  if (!o.quiet) {
    std::string skipped =
        report.skipped > 0 ? ", " + std::to_string(report.skipped) + " skipped" : std::string();
    std::string notRunText = listedFailures > 0
                                 ? ", " + std::to_string(listedFailures) + " listed not run"
                                 : std::string();
    std::fprintf(stderr, "orv: %d of %d photo%s saved%s%s; %s%s\n", report.saved,
                 report.processed, report.processed == 1 ? "" : "s", skipped.c_str(),
                 notRunText.c_str(), engine.log().WriteFailed() ? "log not written: " : "log: ",
                 logPath.c_str());
  }
  if (!reportWriter.ok()) {
    if (!reportWriter.brokenPipe())
      std::fprintf(stderr, "orv run: --report %s: a line could not be written\n",
                   TerminalSafe(o.report).c_str());
    return kExitFailed;
  }
  int failures = report.loadFailures + report.saveFailures + report.stageFailures + listedFailures;
  return failures > 0 || engine.log().WriteFailed() ? kExitFailed : kExitOk;
}

}  // namespace orv::cli
