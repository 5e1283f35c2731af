// The command table of `orv`: each command is one function in its own file, listed once here.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/OptionTable.h"

namespace orv::cli {

// Options that stand before the command and apply to every command.
struct GlobalOptions {
  std::string home;  // --home DIR: the app folder, empty when not given
};

using CommandFn = int (*)(const GlobalOptions& global, std::span<const std::string> args);

struct Command {
  std::string_view name;
  std::string_view synopsis;  // one line for `orv --help`
  HelpText help;              // `orv COMMAND --help` around the option rows
  std::vector<const OptionDoc*> (*options)();  // the command's option table
  CommandFn run;
};

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

std::span<const Command> CommandTable();

// The full text of `orv COMMAND --help`, made from the command's option table.
std::string CommandHelp(const Command& command);

// The option tables of the commands.
std::vector<const OptionDoc*> RunOptionDocs();
std::vector<const OptionDoc*> InfoOptionDocs();
std::vector<const OptionDoc*> RotateOptionDocs();
std::vector<const OptionDoc*> ProfileOptionDocs();
std::vector<const OptionDoc*> WatchOptionDocs();

int RunRunCommand(const GlobalOptions& global, std::span<const std::string> args);
int RunInfoCommand(const GlobalOptions& global, std::span<const std::string> args);
int RunExifCommand(const GlobalOptions& global, std::span<const std::string> args);
int RunRotateCommand(const GlobalOptions& global, std::span<const std::string> args);
int RunProfileCommand(const GlobalOptions& global, std::span<const std::string> args);
int RunWatchCommand(const GlobalOptions& global, std::span<const std::string> args);

// Entry point of the `orv` executable.
int RunCli(int argc, char** argv);

}  // namespace orv::cli
