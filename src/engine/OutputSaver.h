// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a processed picture in one call: PrepareOutput, then PlaceOutput with the encoding
// written straight into the file. A run saves in the same steps, split between its worker
// (EncodeOutput into memory) and its thread (PrepareOutput and PlaceOutput).
#pragma once

#include <string>

#include "engine/OutputEncode.h"
#include "engine/OutputFolder.h"
#include "engine/OutputPlace.h"
#include "engine/QualitySearch.h"
#include "engine/SaveContext.h"

namespace orv {

// Writes the picture for the source path; savedPath receives the file written (when saved), and
// ctx.details, when given, what the report needs.
SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* savedPath = nullptr);

}  // namespace orv
