// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built `orv` executable as a user would, capturing its exit status and output.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace orv::test {

struct OrvResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a bash command line with no input, keeping its exit status and both outputs.
inline OrvResult RunCaptured(const std::string& commandLine) {
  TempDir io;
  std::string cmd = "bash -c " + ShellQuote(commandLine) + " >" + ShellQuote(io / "out") + " 2>" +
                    ShellQuote(io / "err") + " </dev/null";
  OrvResult r;
  int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadText(io / "out");
  r.err = ReadText(io / "err");
  return r;
}

// The orv command line with the arguments quoted.
inline std::string OrvCommandLine(const std::vector<std::string>& args) {
  std::string cmd = ShellQuote(ORV_BINARY_DIR "/orv");
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  return cmd;
}

// Runs orv with the arguments; env is a prefix like "ORV_HOME=/x " (may be empty).
inline OrvResult RunOrv(const std::vector<std::string>& args, const std::string& env = "") {
  return RunCaptured(env + OrvCommandLine(args));
}

// Puts the shipped default profile into an app folder, as an installed program finds it.
inline void WriteDefaultProfile(const std::string& appFolder) {
  WriteText(appFolder + "/default.orv", ReadText(ORV_SOURCE_DIR "/data/default.orv"));
}

// A temporary app folder holding only the shipped default profile.
struct AppFolder : TempDir {
  AppFolder() { WriteDefaultProfile(path()); }
};

// The arguments of `orv --home APP run --defaults ARGS...`.
inline std::vector<std::string> RunArgs(const std::string& appFolder,
                                        std::vector<std::string> args) {
  args.insert(args.begin(), {"--home", appFolder, "run", "--defaults"});
  return args;
}

}  // namespace orv::test
