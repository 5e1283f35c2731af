// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputSaver.h"

namespace orv {

SaveOutcome SaveOutput(const SaveContext& given, const std::string& sourcePath,
                       std::string* savedPath) {
  OutputName name;
  if (!PrepareOutput(given, sourcePath, name)) return SaveOutcome::NotSaved;
  const Settings held = HoldQualityRanges(given.settings, nullptr);
  const SaveContext ctx{held,          given.camera, given.picture,  given.sourceFileSize,
                        given.colorMatched, given.host, given.log,   given.progress,
                        given.metadata,     given.details, given.sweep};
  const OutputType type = ChooseOutputType(held, sourcePath);
  return PlaceOutput(ctx, type, name,
                     [&](ImageDest* dest) { return EncodeOutput(ctx, type, dest); }, savedPath);
}

}  // namespace orv
