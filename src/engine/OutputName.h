// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The name an output gets: its folder, the "_ORV" name with the output type's extension, and the
// numbered name ("a1_ORV.jpg", "a2_ORV.jpg", ...) when that is taken. A save, a dry run and
// --skip-existing all decide it here, so they cannot disagree. The save then claims the name
// atomically when it places the finished file (PlaceAtFreeName), failing over to the next
// number while another process holds it.
#pragma once

#include <functional>
#include <string>

#include "settings/Settings.h"

namespace orv {

struct FormatRow;

struct OutputName {
  std::string folder;      // without a trailing slash (except the root "/")
  std::string unnumbered;  // the "_ORV" name in the folder, with the output's extension
  std::string path;        // what the save writes: `unnumbered` or the first free numbered name
  std::string stem;        // the numbered names are folder/stem + number + "_ORV" + extension
  std::string extension;   // ".jpg", ".png", ... (the source's own for "Same as Source")
  long number = 0;         // 0: path is unnumbered
  bool sameAsSource = false;  // the output name is the source's own path (never written over)
  bool replace = false;       // path may be written over (Output.Replace; never the source)
  const FormatRow* chosen = nullptr;  // the Output.FileType format; null for "Same as Source"
};

using PathExistsFn = std::function<bool(const std::string& path)>;

// Decides the output name of a source as a save would, with `exists` telling which names are
// taken (the file system for a save; the file system plus earlier photos for a dry run).
OutputName DecideOutputName(const Settings& s, const std::string& sourcePath,
                            const PathExistsFn& exists);

// Gives up replacing: the name becomes the first free numbered one, as without Output.Replace.
// A run does this when the unnumbered name holds an output the same run wrote.
void TakeNextFreeNumber(OutputName& name, const PathExistsFn& exists);

// folder/stem + n + "_ORV" + extension.
std::string NumberedOutputName(const OutputName& name, long n);

// The unnumbered output name of the source when a regular, non-empty file already stands there,
// else empty: the photo --skip-existing leaves out (its companions are completed by the settle
// step, see CompleteMissingCompanions).
std::string ExistingOutput(const Settings& s, const std::string& sourcePath);

}  // namespace orv
