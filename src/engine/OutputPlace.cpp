// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputPlace.h"

#include <cstring>

#include "engine/OutputFolder.h"
#include "engine/ProcessLog.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"
#include "platform/FileTests.h"
#include "settings/SettingValues.h"

namespace orv {
namespace {

void Log(const SaveContext& ctx, const std::string& text) {
  if (ctx.log) ctx.log->LogAppend(text);
}

// Why a save failed, in words: the system's reason when a file operation failed, else the image
// layer's message for its code.
std::string FailureReason(unsigned code) {
  int err = LastFileErrno();
  return err != 0 ? std::string(std::strerror(err)) : std::string(LibraryErrorText(code));
}

// Records what was saved for the caller's report.
SaveOutcome Saved(const SaveContext& ctx, const std::string& path, int quality,
                  std::string* savedPath) {
  if (savedPath) *savedPath = path;
  if (ctx.details) {
    ctx.details->path = path;
    ctx.details->quality = quality;
    ctx.details->bytes = FileSize(path);
  }
  return SaveOutcome::Saved;
}

// Logs a failure in red (the subject escaped) and keeps its plain text for the caller's report.
SaveOutcome Failed(const SaveContext& ctx, const std::string& lead, const std::string& subject,
                   const std::string& tail) {
  Log(ctx, logtext::ProblemLine(lead + HtmlEscape(subject) + HtmlEscape(tail)));
  if (ctx.details) ctx.details->error = lead + subject + tail;
  return SaveOutcome::NotSaved;
}

SaveOutcome NotSaved(const SaveContext& ctx, const std::string& outPath, int64_t result,
                     unsigned code) {
  return Failed(ctx, "Not saved: ", outPath,
                " (" + std::to_string(result) + "): " + FailureReason(code));
}

}  // namespace

bool PrepareOutput(const SaveContext& ctx, const std::string& sourcePath, OutputName& name) {
  std::vector<std::string> held;
  HoldQualityRanges(ctx.settings, &held);
  for (const std::string& line : held) Log(ctx, logtext::ProblemLine(HtmlEscape(line)));
  const Settings& s = ctx.settings;
  std::string outDir = OutputFolderFor(s, sourcePath);
  if (EnsureFolder(ctx.host, outDir, false) > 0) {
    Failed(ctx, "Can't create path: ", outDir, "");
    return false;
  }
  // An output folder that is a source folder by another path (a link, a bind mount) is saving
  // beside the sources: a marker there would keep later runs from its new photos. A run's
  // source folders hold this photo's own.
  const bool besideSources = ctx.sources ? ctx.sources->Holds(outDir)
                                         : SameFile(outDir, FolderOfPath(sourcePath));
  const bool marked =
      (s.Output.Type == output_type::kOrvSubfolder || s.Output.Type == output_type::kFolder) &&
      !besideSources;
  if (marked && !WriteFolderMarker(outDir)) {
    Failed(ctx, "Not saved: the output folder marker ", outDir,
           "/orvoutput.dir is not a regular file");
    return false;
  }
  if (ctx.sweep)
    for (const std::string& removed : ctx.sweep->SweepOnce(outDir))
      Log(ctx, logtext::ProblemLine("Removed an unfinished temporary file of an earlier run: " +
                                    HtmlEscape(removed)));
  // The name is decided as a dry run and --skip-existing decide it.
  name = DecideOutputName(s, sourcePath, PathExists);
  if (name.sameAsSource)
    Log(ctx, logtext::ProblemLine("Output file path is same as source (NEVER ALLOWED)"));
  if (name.number != 0)
    Log(ctx, logtext::ProblemLine("File already exist (No Replace): " +
                                      HtmlEscape(name.unnumbered),
                                  true));
  return true;
}

SaveOutcome PlaceOutput(const SaveContext& ctx, const OutputType& type, const OutputName& name,
                        const OutputWriter& write, std::string* savedPath) {
  const std::string& outPath = name.path;
  if (!type.row && type.sourceFormat == kFormatUnknown)
    return Failed(ctx, "Not saved: ", outPath, ": the format of the source is not known");
  ImageDest* dest = OpenDestFile(outPath.c_str());
  if (!dest) {
    unsigned code = GetLastLibraryError();
    return NotSaved(ctx, outPath, type.row ? 0 : int64_t(code), code);
  }
  // Without replacing, the name is claimed atomically when the file is placed: another process
  // saving the same name at the same time moves on to the next number.
  std::string placed = outPath;
  auto nameAt = [&](long n) { return n == 0 ? name.unnumbered : NumberedOutputName(name, n); };
  if (!name.replace) SetDestNoReplace(dest, nameAt, name.number, &placed);
  EncodedOutput enc = write(dest);
  if (enc.qualitySearched) Log(ctx, logtext::QualityLine(enc.quality));
  // The file reaches its name only once it is complete; a failed encoding leaves nothing.
  if (!enc.ok) MarkDestFailed(dest);
  const bool closed = CloseDest(dest) && enc.ok;
  if (!type.row) {
    unsigned code = enc.ok ? (closed ? 0u : GetLastLibraryError()) : enc.code;
    if (!closed && code == 0) code = kErrFileWrite;  // never a failed save told as saved
    if (code != 0) return NotSaved(ctx, outPath, int64_t(code), code);
    Log(ctx, logtext::SavedLine(placed, 0));
    return Saved(ctx, placed, enc.quality, savedPath);
  }
  if (!closed) return NotSaved(ctx, outPath, enc.result, GetLastLibraryError());
  Log(ctx, logtext::SavedLine(placed, int(enc.result)));
  return Saved(ctx, placed, type.row->format == kFormatJpeg ? enc.quality : -1, savedPath);
}

}  // namespace orv
