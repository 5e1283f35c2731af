// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv rotate`: turns photographs on disk, JPEG files without re-encoding.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/TerminalText.h"
#include "engine/LosslessRotate.h"
#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"

namespace orv::cli {
namespace {

// The command has no options of its own; the table is here so that help and completion read it
// as they read every other command's.
const std::vector<const OptionDoc*> kNoOptions;

bool ParseTurn(const std::string& word, RotateTurn& turn) {
  if (word == "cw")
    turn = RotateTurn::Clockwise;
  else if (word == "ccw")
    turn = RotateTurn::CounterClockwise;
  else if (word == "180")
    turn = RotateTurn::HalfTurn;
  else
    return false;
  return true;
}

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Turns one file and says what happened; false when it was not turned.
bool RotateOne(const std::string& name, RotateTurn turn) {
  const std::string shown = TerminalSafe(name);
  RotateResult r = LosslessRotate(AbsolutePath(name), turn);
  if (r.rotated) {
    // Lossless turning drops the edge that does not fill a whole block: say how much.
    if (r.trimmedColumns > 0 || r.trimmedRows > 0) {
      std::string what;
      if (r.trimmedColumns > 0) what = Plural(r.trimmedColumns, "column");
      if (r.trimmedRows > 0) what += (what.empty() ? "" : " and ") + Plural(r.trimmedRows, "row");
      std::fprintf(stderr,
                   "orv rotate: %s: %s at the edge trimmed (they did not fill a whole JPEG "
                   "block)\n",
                   shown.c_str(), what.c_str());
    }
    return true;
  }
  if (!r.message.empty())
    std::fprintf(stderr, "orv rotate: %s: %s\n", shown.c_str(), TerminalSafe(r.message).c_str());
  else if (r.code != 0)
    std::fprintf(stderr, "orv rotate: %s: not rotated: %s\n", shown.c_str(),
                 LibraryErrorText(r.code));
  else
    std::fprintf(stderr, "orv rotate: %s: not a format that can be rotated\n", shown.c_str());
  return false;
}

}  // namespace

std::vector<const OptionDoc*> RotateOptionDocs() {
  return kNoOptions;
}

int RunRotateCommand(const GlobalOptions&, std::span<const std::string> given) {
  // "--" may stand before the file names (or before the turn), as in `orv run`.
  std::vector<std::string> args;
  std::string error;
  if (!ParseWithDocs(kNoOptions, given, {}, [](size_t, const std::string&, std::string&) {
        return true;
      }, args, error)) {
    std::fprintf(stderr, "orv rotate: %s\n", TerminalSafe(error).c_str());
    return kExitUsage;
  }
  if (args.size() < 2) {
    std::fputs("orv rotate: expected cw|ccw|180 FILE...\n", stderr);
    return kExitUsage;
  }
  RotateTurn turn;
  if (!ParseTurn(args[0], turn)) {
    std::fprintf(stderr, "orv rotate: '%s' is not cw, ccw or 180\n", TerminalSafe(args[0]).c_str());
    return kExitUsage;
  }
  bool allTurned = true;
  for (size_t i = 1; i < args.size(); ++i) allTurned = RotateOne(args[i], turn) && allTurned;
  return allTurned ? kExitOk : kExitFailed;
}

}  // namespace orv::cli
