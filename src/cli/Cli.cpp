// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
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

const Command kCommands[] = {
    {"run",
     "enhance photos and save them as _ORV files",
     {"run", "[PATH...]",
      "Queues every PATH (a photo, or a folder scanned as Files.Recursive and\n"
      "Files.ExcludeORV say), enhances each queued photo and saves it beside its source\n"
      "(by default in an ORV subfolder) with \"_ORV\" before the extension.\n"
      "\n"
      "Settings start from the app folder's current.orv; --profile loads a named profile\n"
      "(a path or a name in the Profiles folder), --defaults the default profile, and each\n"
      "--set changes one setting (names as in profile files, e.g. Mode.Advanced=1).\n",
      "Several runs may write into one output folder at once: a numbered name is taken\n"
      "atomically, so no run overwrites another's output. --report and --log never\n"
      "write over a queued photo or over a file that is not an earlier report or log.\n"
      "\n"
      "On a terminal the progress line reads \"[bar] DONE/TOTAL  PERCENT  elapsed TIME,\n"
      "about TIME left  WORK\": the bar and DONE/TOTAL count the photos finished,\n"
      "PERCENT is how far the photos in work are, WORK names them (and the correction\n"
      "in progress). The line fits the terminal's width: parts that do not fit are\n"
      "shortened or left out, names are cut in the middle.\n"
      "\n"
      "Ctrl-C cancels at the next step (a second Ctrl-C quits at once).\n"
      "Exit status: 0 all saved (or skipped), 1 some photo could not be loaded, saved or\n"
      "corrected, a listed file was not run, or the log could not be written, 2 usage\n"
      "error, empty queue or a question answered No, 130 cancelled, 128+N ended by signal\n"
      "N (SIGTERM, SIGHUP, SIGQUIT, SIGXCPU, SIGUSR1, SIGALRM).\n"},
     RunOptionDocs,
     RunRunCommand},
    {"watch",
     "process photos as they arrive in folders, until stopped",
     {"watch", "FOLDER...",
      "Watches the FOLDERs (and their subfolders with Files.Recursive=1, those made later\n"
      "included; output folders never) and processes each photo once it is complete, with\n"
      "the options of orv run: first every photo there that has no output yet, then each\n"
      "one that arrives. A photo is taken once it has not changed for the settle time;\n"
      "names a writer uses while a file is incomplete (.part, .tmp, .crdownload, a ~\n"
      "ending, a leading dot) wait until renamed. A photo whose output exists is never\n"
      "redone, so a watch started again after a crash redoes only what was cut off; a photo\n"
      "that failed is tried again only once its size or time changes (APP_FOLDER/\n"
      "watch-failed.txt keeps them). Each saved photo gives one line on stderr: time,\n"
      "source, output, milliseconds. The HTML log is one file a day: log-YYYY-MM-DD.html\n"
      "beside the --log name (default APP_FOLDER/help/log.html); --report appends.\n",
      "SIGTERM or Ctrl-C stops within the photos in work: they are saved, no other is\n"
      "started (the next start takes those), exit status 0; SIGHUP reads the profile and\n"
      "--set options again for the photos that come next.\n"
      "Exit status: 0 stopped, 1 the app folder could not be used, 2 usage error.\n"},
     WatchOptionDocs,
     RunWatchCommand},
    {"info",
     "show the camera summary of photos",
     {"info", "FILE...",
      "Prints what the corrections read from each photo: the camera, exposure values and\n"
      "their texts, as Name: value lines, or with --json one JSON object per file (an array\n"
      "for several files), then whether it carries an ICC profile (and its description),\n"
      "XMP and IPTC.\n",
      "Exit status 1 when a file cannot be loaded.\n"},
     InfoOptionDocs,
     RunInfoCommand},
    {"exif",
     "list the EXIF entries of a photo",
     {"exif", "FILE",
      "Lists every entry of the EXIF block: list (IFD0, SubIFD, Interop, IFD1), tag, name,\n"
      "type, count and text, separated by tabs, or with --json as an array of objects.\n",
      ""},
     InfoOptionDocs,
     RunExifCommand},
    {"rotate",
     "turn photos a quarter or half turn (JPEG without re-encoding)",
     {"rotate", "cw|ccw|180 FILE...",
      "Turns each FILE clockwise, counter-clockwise or half way round and replaces it. JPEG\n"
      "files are turned without decoding: quality stays, every marker (EXIF included)\n"
      "is copied, and edge pixels that do not fill a whole coding block are dropped\n"
      "(how many rows or columns is said). Other formats (PNG, BMP, TIFF, TGA, PCX, PSD)\n"
      "are decoded, turned and saved in their own format. The file is replaced only once\n"
      "the turned copy is complete; a symbolic link keeps pointing at its turned target.\n",
      "Exit status 1 when a file could not be turned (the others still are).\n"},
     RotateOptionDocs,
     RunRotateCommand},
    {"profile",
     "write the resulting settings to a profile file",
     {"profile", "",
      "Starts from the current profile of the app folder (current.orv), applies a named\n"
      "profile (--profile: a path, or a name in the app folder's Profiles folder) or the\n"
      "default profile (--defaults), then every --set in order, and saves the result to\n"
      "FILE. Setting names are those of the profile file, e.g. Balance.Simple or\n"
      "Quality.MaxKB; HotPixels.ExList takes its camera list comma-separated.\n",
      ""},
     ProfileOptionDocs,
     RunProfileCommand},
};

// What the options before the command ask for.
struct GlobalRequest {
  GlobalOptions options;
  enum class Action { Command, Help, HelpAll, Version, ListOptions } action = Action::Command;
  std::string listOptionsOf;
};

template <GlobalRequest::Action A>
bool Ask(GlobalRequest& g, const std::string&, std::string&) {
  g.action = A;
  return true;
}

const Option<GlobalRequest> kGlobalOptions[] = {
    {{"--home", "", "DIR", ValueKind::Folder,
      "use DIR as the app folder (profiles, default.orv, help, log)"},
     [](GlobalRequest& g, const std::string& v, std::string&) {
       g.options.home = v;
       return true;
     }},
    {{"--help", "-h", "", ValueKind::Flag, "show this text (orv COMMAND --help: the command's)"},
     Ask<GlobalRequest::Action::Help>},
    {{"--help-all", "", "", ValueKind::Flag, "show this text and the help of every command"},
     Ask<GlobalRequest::Action::HelpAll>},
    {{"--version", "", "", ValueKind::Flag, "show the version"}, Ask<GlobalRequest::Action::Version>},
    {{"--list-options", "", "COMMAND", ValueKind::Free,
      "print the options of COMMAND, one a line: name, short name\n"
      "(- for none) and value kind (flag, value, file, folder,\n"
      "profile, key), tab-separated; the shell completion reads it"},
     [](GlobalRequest& g, const std::string& v, std::string&) {
       g.action = GlobalRequest::Action::ListOptions;
       g.listOptionsOf = v;
       return true;
     }},
};

std::vector<const OptionDoc*> GlobalDocs() {
  return DocsOf<GlobalRequest>(kGlobalOptions);
}

void PrintHelp(FILE* out) {
  std::fputs("ORV Lumitra " ORV_VERSION ": batch enhancement of digital camera photographs.\n\n",
             out);
  std::string commands = "Usage: orv [--home DIR] COMMAND [OPTIONS] [ARGS]\n"
                         "   or: orv --help | --help-all | --version\n"
                         "   or: orv COMMAND --help\n";
  bool any = false;
  for (const Command& c : CommandTable()) {
    if (!any) commands += "\nCommands:\n";
    any = true;
    char line[160];
    std::snprintf(line, sizeof line, "  %-9.*s %.*s\n", int(c.name.size()), c.name.data(),
                  int(c.synopsis.size()), c.synopsis.data());
    commands += line;
  }
  std::fputs(commands.c_str(), out);
  std::fputs(FormatOptionRows(GlobalDocs()).c_str(), out);
}

// Every command's help after the overview, each under its own heading and indented, the shape
// help2man turns into one subsection a command.
void PrintAllHelp(FILE* out) {
  PrintHelp(out);
  for (const Command& c : CommandTable()) {
    std::fprintf(out, "\nCommand %.*s:\n", int(c.name.size()), c.name.data());
    std::string usage = CommandHelp(c);
    std::string_view text = usage;
    while (!text.empty()) {
      size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      std::fprintf(out, line.empty() ? "\n" : "  %.*s\n", int(line.size()), line.data());
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
  }
}

const Command* FindCommand(std::string_view name) {
  for (const Command& c : CommandTable())
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace

std::span<const Command> CommandTable() {
  return kCommands;
}

std::string CommandHelp(const Command& command) {
  return FormatHelp(command.help, command.options());
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
  GlobalRequest request;
  std::vector<std::string> none;
  std::string error;
  size_t i = 0;
  ParseRules rules;
  rules.stopAtOperand = true;
  if (!ParseOptions<GlobalRequest>(kGlobalOptions, args, request, none, error, rules, &i)) {
    // Today's wording for a --home without its folder.
    if (error == "--home needs a value") error = "--home needs a folder";
    std::fprintf(stderr, "orv: %s\n", TerminalSafe(error).c_str());
    return kExitUsage;
  }
  switch (request.action) {
    case GlobalRequest::Action::Help:
      PrintHelp(stdout);
      return kExitOk;
    case GlobalRequest::Action::HelpAll:
      PrintAllHelp(stdout);
      return kExitOk;
    case GlobalRequest::Action::Version:
      std::puts("orv (ORV Lumitra) " ORV_VERSION);
      return kExitOk;
    case GlobalRequest::Action::ListOptions: {
      const Command* c = FindCommand(request.listOptionsOf);
      std::string list = FormatOptionList(c ? c->options() : GlobalDocs());
      if (!c && !request.listOptionsOf.empty()) {
        std::fprintf(stderr, "orv: unknown command '%s' (see orv --help)\n",
                     TerminalSafe(request.listOptionsOf).c_str());
        return kExitUsage;
      }
      std::fputs(list.c_str(), stdout);
      return kExitOk;
    }
    case GlobalRequest::Action::Command:
      break;
  }
  if (i >= args.size()) {
    PrintHelp(stderr);
    return kExitUsage;
  }
  const std::string& name = args[i];
  if (const Command* c = FindCommand(name)) {
    std::span<const std::string> rest(args.data() + i + 1, args.size() - i - 1);
    for (const std::string& r : rest) {
      if (r == "--") break;  // what follows is file names
      if (r == "--help" || r == "-h") {
        std::fputs(CommandHelp(*c).c_str(), stdout);
        return kExitOk;
      }
    }
    return c->run(request.options, rest);
  }
  std::fprintf(stderr, "orv: unknown command '%s' (see orv --help)\n",
               TerminalSafe(name).c_str());
  return kExitUsage;
}

}  // namespace orv::cli
