// Argument dispatch for `orv`: global options, --help and --version, then one command.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace orv::cli {
namespace {

constexpr Command kCommands[] = {
    {"profile", "write the resulting settings to a profile file",
     "Usage: orv [--home DIR] profile [--profile FILE | --defaults]\n"
     "                            [--set Section.Key=VALUE]... --write FILE\n"
     "\n"
     "Starts from the current profile of the app folder (current.orv), applies a named\n"
     "profile (--profile: a path, or a name in the app folder's Profiles folder) or the\n"
     "default profile (--defaults), then every --set in order, and saves the result to FILE.\n"
     "Setting names are those of the profile file, e.g. Balance.Simple or Quality.MaxKB;\n"
     "HotPixels.ExList takes its camera list comma-separated.\n",
     RunProfileCommand},
};

void PrintHelp(FILE* out) {
  std::fputs("ORV Lumitra " ORV_VERSION
             ": batch enhancement of digital camera photographs.\n"
             "\n"
             "Usage: orv [--home DIR] COMMAND [OPTIONS] [ARGS]\n"
             "       orv --help | --version\n"
             "       orv COMMAND --help\n",
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
      "  --version   show the version\n",
      out);
}

}  // namespace

std::span<const Command> CommandTable() {
  return kCommands;
}

int RunCli(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  GlobalOptions global;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      PrintHelp(stdout);
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
      if (r == "--help" || r == "-h") {
        std::fwrite(c.usage.data(), 1, c.usage.size(), stdout);
        return kExitOk;
      }
    }
    return c.run(global, rest);
  }
  std::fprintf(stderr, "orv: unknown command '%s' (see orv --help)\n", name.c_str());
  return kExitUsage;
}

}  // namespace orv::cli
