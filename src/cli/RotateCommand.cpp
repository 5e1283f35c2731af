// `orv rotate`: turns a photograph on disk, JPEG files without re-encoding.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/TerminalText.h"
#include "imageio/LibraryError.h"
#include "engine/LosslessRotate.h"
#include "platform/AppFolder.h"

namespace orv::cli {

int RunRotateCommand(const GlobalOptions&, std::span<const std::string> given) {
  // "--" may stand before the file name (or before the turn), as in `orv run`.
  std::vector<std::string> args;
  bool namesOnly = false;
  for (const std::string& a : given) {
    if (!namesOnly && a == "--") {
      namesOnly = true;
      continue;
    }
    args.push_back(a);
  }
  if (args.size() != 2) {
    std::fputs("orv rotate: expected cw|ccw|180 FILE\n", stderr);
    return kExitUsage;
  }
  RotateTurn turn;
  if (args[0] == "cw") {
    turn = RotateTurn::Clockwise;
  } else if (args[0] == "ccw") {
    turn = RotateTurn::CounterClockwise;
  } else if (args[0] == "180") {
    turn = RotateTurn::HalfTurn;
  } else {
    std::fprintf(stderr, "orv rotate: '%s' is not cw, ccw or 180\n", TerminalSafe(args[0]).c_str());
    return kExitUsage;
  }
  std::string path = AbsolutePath(args[1]);
  RotateResult r = LosslessRotate(path, turn);
  if (r.rotated) return kExitOk;
  if (!r.message.empty())
    std::fprintf(stderr, "orv rotate: %s: %s\n", TerminalSafe(args[1]).c_str(),
                 TerminalSafe(r.message).c_str());
  else if (r.code != 0)
    std::fprintf(stderr, "orv rotate: %s: not rotated: %s\n", TerminalSafe(args[1]).c_str(),
                 LibraryErrorText(r.code));
  else
    std::fprintf(stderr, "orv rotate: %s: not a format that can be rotated\n",
                 TerminalSafe(args[1]).c_str());
  return kExitFailed;
}

}  // namespace orv::cli
