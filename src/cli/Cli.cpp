// Argument dispatch for `orv`: global options, --help and --version, then one command.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/TerminalHost.h"
#include "cli/TerminalText.h"
#include "platform/CheckedMath.h"

namespace orv::cli {
namespace {

constexpr Command kCommands[] = {
    {"run", "enhance photos and save them as _ORV files",
     "Usage: orv [--home DIR] run [--profile FILE | --defaults] [--set Section.Key=VALUE]...\n"
     "                        [--black-frame FILE] [--log FILE] [--jobs N] [--yes] [--quiet]\n"
     "                        [--keep-time] [--files-from FILE|- [--null]] [--dry-run]\n"
     "                        [--shard K/N|auto] [--report FILE|-] [--skip-existing]\n"
     "                        [--raw-jpeg raw|jpeg|both] [PATH...]\n"
     "\n"
     "Queues every PATH (a photo, or a folder scanned as Files.Recursive and\n"
     "Files.ExcludeORV say), enhances each queued photo and saves it beside its source\n"
     "(by default in an ORV subfolder) with \"_ORV\" before the extension.\n"
     "\n"
     "Settings start from the app folder's current.orv; --profile loads a named profile\n"
     "(a path or a name in the Profiles folder), --defaults the default profile, and each\n"
     "--set changes one setting (names as in profile files, e.g. Mode.Advanced=1).\n"
     "  --black-frame FILE  a dark frame for black-frame subtraction (HotPixels.BF=1)\n"
     "  --log FILE          write the HTML log there (default: APP_FOLDER/help/log.html)\n"
     "  --jobs N, -j N      work on N photos at once (default: one per core, fewer when\n"
     "                      memory is short); --jobs 1 works on one photo at a time\n"
     "  --yes               answer Yes to questions (the size-limit question of\n"
     "                      Quality.Type=1); without it and without a terminal they are No\n"
     "  --quiet             no progress bar and no summary\n"
     "  --keep-time         give each output (and XMP sidecar copy) its source's\n"
     "                      modification time\n"
     "\n"
     "Large libraries (see docs/scaling.md):\n"
     "  --files-from FILE   also queue the paths listed in FILE (- for standard input),\n"
     "                      one a line; relative ones from the current folder; listed\n"
     "                      folders are scanned as PATHs are\n"
     "  --null              the list is separated by NUL bytes (find -print0)\n"
     "  --dry-run           print SOURCE<TAB>OUTPUT for each queued photo (a third field\n"
     "                      \"skipped\" with --skip-existing) and write nothing at all\n"
     "  --shard K/N         keep shard K of N: a photo's shard is floor(h * N / 2^64) + 1,\n"
     "                      h the FNV-1a 64 hash of its path relative to the PATH or list\n"
     "                      entry it was found under: the same on every machine\n"
     "  --shard auto        K and N of a job-array task: SLURM_ARRAY_TASK_ID minus\n"
     "                      SLURM_ARRAY_TASK_MIN of SLURM_ARRAY_TASK_COUNT, or\n"
     "                      AWS_BATCH_JOB_ARRAY_INDEX of AWS_BATCH_JOB_ARRAY_SIZE, or\n"
     "                      JOB_COMPLETION_INDEX of ORV_SHARD_COUNT (index i is shard i+1)\n"
     "  --report FILE       one JSON object a line per queued photo as it finishes\n"
     "                      (- for standard output): source, output, status (saved,\n"
     "                      skipped, failed, cancelled), error, quality, bytes, ms, version\n"
     "  --skip-existing     leave out a photo whose output name (without a number)\n"
     "                      exists: a re-run after a stop redoes only the missing ones\n"
     "  --raw-jpeg raw|jpeg|both\n"
     "                      a camera's RAW+JPEG pair (IMG_0001.CR2 beside IMG_0001.JPG):\n"
     "                      take the RAW and skip the JPEG (raw, the default), take the\n"
     "                      JPEG (jpeg), or both, the RAW's output then named\n"
     "                      IMG_0001_CR2_ORV.jpg (Files.RawJpegTwins 0, 1, 2)\n"
     "Several runs may write into one output folder at once: a numbered name is taken\n"
     "atomically, so no run overwrites another's output.\n"
     "\n"
     "Ctrl-C cancels at the next step (a second Ctrl-C quits at once).\n"
     "Exit status: 0 all saved (or skipped), 1 some photo could not be loaded, saved or\n"
     "corrected, or the log could not be written, 2 usage error, empty queue or a question\n"
     "answered No, 130 cancelled, 128+N ended by signal N (SIGTERM, SIGHUP, SIGQUIT).\n",
     RunRunCommand},
    {"info", "show the camera summary of photos",
     "Usage: orv [--home DIR] info [--json] FILE...\n"
     "\n"
     "Prints what the corrections read from each photo: the camera, exposure values and\n"
     "their texts, as Name: value lines, or with --json one JSON object per file (an array\n"
     "for several files), then whether it carries an ICC profile (and its description),\n"
     "XMP and IPTC. Exit status 1 when a file cannot be loaded.\n",
     RunInfoCommand},
    {"exif", "list the EXIF entries of a photo",
     "Usage: orv [--home DIR] exif [--json] FILE\n"
     "\n"
     "Lists every entry of the EXIF block: list (IFD0, SubIFD, Interop, IFD1), tag, name,\n"
     "type, count and text, separated by tabs, or with --json as an array of objects.\n",
     RunExifCommand},
    {"rotate", "turn a photo a quarter or half turn (JPEG without re-encoding)",
     "Usage: orv [--home DIR] rotate cw|ccw|180 FILE\n"
     "\n"
     "Turns FILE clockwise, counter-clockwise or half way round and replaces it. JPEG\n"
     "files are turned without decoding: quality stays, every marker (EXIF included)\n"
     "is copied, and edge pixels that do not fill a whole coding block are dropped.\n"
     "Other formats (PNG, BMP, TIFF, TGA, PCX, PSD) are decoded, turned and saved in\n"
     "their own format. The file is replaced only once the turned copy is complete.\n",
     RunRotateCommand},
    {"profile", "write the resulting settings to a profile file",
     "Usage: orv [--home DIR] profile [--profile FILE | --defaults]\n"
     "                            [--set Section.Key=VALUE]... --write FILE\n"
     "   or: orv profile --list-keys\n"
     "\n"
     "Starts from the current profile of the app folder (current.orv), applies a named\n"
     "profile (--profile: a path, or a name in the app folder's Profiles folder) or the\n"
     "default profile (--defaults), then every --set in order, and saves the result to FILE.\n"
     "Setting names are those of the profile file, e.g. Balance.Simple or Quality.MaxKB;\n"
     "HotPixels.ExList takes its camera list comma-separated.\n"
     "  --list-keys  print every setting name (Section.Key), one a line, in profile order\n",
     RunProfileCommand},
};

void PrintHelp(FILE* out) {
  std::fputs("ORV Lumitra " ORV_VERSION
             ": batch enhancement of digital camera photographs.\n"
             "\n"
             "Usage: orv [--home DIR] COMMAND [OPTIONS] [ARGS]\n"
             "   or: orv --help | --help-all | --version\n"
             "   or: orv COMMAND --help\n",
             out);
  bool any = false;
  for (const Command& c : CommandTable()) {
    if (!any) std::fputs("\nCommands:\n", out);
    any = true;
    std::fprintf(out, "  %-9.*s %.*s\n", int(c.name.size()), c.name.data(), int(c.synopsis.size()),
                 c.synopsis.data());
  }
  std::fputs(
      "\nOptions:\n"
      "  --home DIR  use DIR as the app folder (profiles, default.orv, help, log)\n"
      "  --help      show this text\n"
      "  --help-all  show this text and the help of every command\n"
      "  --version   show the version\n",
      out);
}

// Every command's help after the overview, each under its own heading and indented, the shape
// help2man turns into one subsection a command.
void PrintAllHelp(FILE* out) {
  PrintHelp(out);
  for (const Command& c : CommandTable()) {
    std::fprintf(out, "\nCommand %.*s:\n", int(c.name.size()), c.name.data());
    std::string_view text = c.usage;
    while (!text.empty()) {
      size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      std::fprintf(out, line.empty() ? "\n" : "  %.*s\n", int(line.size()), line.data());
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
  }
}

}  // namespace

std::span<const Command> CommandTable() {
  return kCommands;
}

int RunCli(int argc, char** argv) {
  IgnoreFileSizeSignal();
  std::string ignoredLimit;
  if (MaxPixelSettingIgnored(&ignoredLimit))
    std::fprintf(stderr,
                 "orv: ORV_MAX_MEGAPIXELS='%s' ignored: not a whole number from 1 to 100000; "
                 "the limit stays %llu MP\n",
                 TerminalSafe(ignoredLimit).c_str(),
                 static_cast<unsigned long long>(MaxPixelCount() / 1000000));
  std::vector<std::string> args(argv + 1, argv + argc);
  GlobalOptions global;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      PrintHelp(stdout);
      return kExitOk;
    }
    if (a == "--help-all") {
      PrintAllHelp(stdout);
      return kExitOk;
    }
    if (a == "--version") {
      std::puts("orv (ORV Lumitra) " ORV_VERSION);
      return kExitOk;
    }
    if (a == "--home") {
      if (i + 1 >= args.size()) {
        std::fputs("orv: --home needs a folder\n", stderr);
        return kExitUsage;
      }
      global.home = args[++i];
      continue;
    }
    if (a.rfind("--home=", 0) == 0) {
      global.home = a.substr(7);
      continue;
    }
    break;
  }
  if (i >= args.size()) {
    PrintHelp(stderr);
    return kExitUsage;
  }
  const std::string& name = args[i];
  for (const Command& c : CommandTable()) {
    if (c.name != name) continue;
    std::span<const std::string> rest(args.data() + i + 1, args.size() - i - 1);
    for (const std::string& r : rest) {
      if (r == "--") break;  // what follows is file names
      if (r == "--help" || r == "-h") {
        std::fwrite(c.usage.data(), 1, c.usage.size(), stdout);
        return kExitOk;
      }
    }
    return c.run(global, rest);
  }
  std::fprintf(stderr, "orv: unknown command '%s' (see orv --help)\n",
               TerminalSafe(name).c_str());
  return kExitUsage;
}

}  // namespace orv::cli
