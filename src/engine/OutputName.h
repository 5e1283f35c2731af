// The name an output gets: its folder, the "_ORV" name with the output type's extension, and the
// numbered name ("a1_ORV.jpg", "a2_ORV.jpg", ...) when that is taken. A save, a dry run and
// --skip-existing all decide it here, so they cannot disagree. Taking a numbered name is safe
// when several processes write into one folder: the finished file is put in place only under a
// name nobody holds, failing over to the next number.
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

// folder/stem + n + "_ORV" + extension.
std::string NumberedOutputName(const OutputName& name, long n);

// The unnumbered output name of the source when a file already stands there, else empty: the
// photo --skip-existing leaves out.
std::string ExistingOutput(const Settings& s, const std::string& sourcePath);

// Makes an empty private file (".orvtmp.XXXXXX") in the folder of `path` to write the output into
// before it is placed; empty when it cannot be made.
std::string MakePlacementFile(const std::string& path);

// Takes `name` for the complete file at tempPath without replacing what stands there. 0 when
// taken (the temporary name is gone), EEXIST when another file holds the name (the temporary
// file stays), else the errno of the failure.
int ClaimName(const std::string& tempPath, const std::string& name);

// Puts the complete file at tempPath under name.path: renamed over it when name.replace, else
// claimed, moving on to the next free number while another process took the name first.
// finalPath receives the name taken. On failure the temporary file is removed and error says
// why.
bool PlaceOutput(const std::string& tempPath, const OutputName& name, std::string& finalPath,
                 std::string& error);

}  // namespace orv
