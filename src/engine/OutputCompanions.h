// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What goes with an output file besides its pixels: the source's XMP sidecars, copied beside the
// output under its name, and the source's modification time.
#pragma once

#include <string>
#include <vector>

namespace orv {

struct SidecarCopy {
  std::string from;
  std::string to;
  bool copied = false;
  bool existed = false;  // left alone: a file of that name exists and replacing is off
};

// The sidecars of sourcePath and where they go for outputPath: "photo.xmp" (also ".XMP") becomes
// "<output stem>.xmp", "photo.jpg.xmp" becomes "<output name>.xmp". Only sidecars that exist.
std::vector<SidecarCopy> SidecarsFor(const std::string& sourcePath, const std::string& outputPath);

// Copies each sidecar through a temporary file and a rename; a copy that fails leaves nothing
// under its name. An existing file is replaced only with `replace` (the output's own rule). With
// keepTime the copy gets its sidecar's modification time. Returns the list with `copied` set.
std::vector<SidecarCopy> CopySidecars(const std::string& sourcePath, const std::string& outputPath,
                                      bool keepTime, bool replace);

// Gives `to` the modification time (to the nanosecond) of `from`; false when either fails.
bool CopyModificationTime(const std::string& from, const std::string& to);

class EngineHost;
// What follows a saved output: its sidecars copied and, with keepTime, the source's time given;
// each problem is reported to the host.
void CompleteOutput(EngineHost& host, const std::string& sourcePath, const std::string& outputPath,
                    bool keepTime, bool replace);

// For an output that a run found already there (--skip-existing): copies the sidecars that are
// missing beside it and, with keepTime, gives it the source's modification time when it differs.
// A run stopped between placing a photo and its companions thus completes them on its resume,
// as a clean run would have left them. Problems are reported to the host.
void CompleteMissingCompanions(EngineHost& host, const std::string& sourcePath,
                               const std::string& outputPath, bool keepTime);

}  // namespace orv
