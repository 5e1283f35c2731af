// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Naming and placing an output, on the run's thread and in queue order: the folder is made and
// marked, the name decided against what the folder holds, the encoded file written under a
// temporary name and claimed under its final one (the next free number when another process
// took it), and every decision logged in the order a save has always logged it.
#pragma once

#include <functional>
#include <string>

#include "engine/OutputEncode.h"
#include "engine/OutputName.h"
#include "engine/SaveContext.h"

namespace orv {

// Logs the held-range lines, makes and marks the folder and decides the name; false (logged)
// when nothing can be saved there.
bool PrepareOutput(const SaveContext& ctx, const std::string& sourcePath, OutputName& name);

// Opens the output at the decided name, lets `write` fill it, claims the name and logs the
// result; savedPath receives the file written.
using OutputWriter = std::function<EncodedOutput(ImageDest*)>;
SaveOutcome PlaceOutput(const SaveContext& ctx, const OutputType& type, const OutputName& name,
                        const OutputWriter& write, std::string* savedPath);

}  // namespace orv
