// Saving a processed picture: the output folder and "_ORV" name, protection of existing files
// and the source, the file type, the JPEG quality (fixed or searched by real test encodings into
// a counting destination), and the log lines that report each decision.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/OutputName.h"
#include "exif/CameraSummary.h"
#include "imageio/Image.h"
#include "imageio/PhotoMetadata.h"
#include "imageio/ImageFormat.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class ProcessLog;
struct ImageDest;

// What a save did, for a run's per-photo report.
struct SaveDetails {
  std::string path;   // the file written
  int quality = -1;   // the JPEG quality used; -1 for other types
  int64_t bytes = 0;  // the size of the file written
  std::string error;  // the log's text of the failure, as plain text
};

struct SaveContext {
  const Settings& settings;
  const CameraSummary& camera;
  const Image& picture;
  int64_t sourceFileSize = 0;
  bool colorMatched = false;
  EngineHost* host = nullptr;  // shows the folder messages; may be null
  const ProcessLog* log = nullptr;
  CProgressDialog* progress = nullptr;
  const PhotoMetadata* metadata = nullptr;  // the source's profile, XMP and IPTC; may be null
  SaveDetails* details = nullptr;  // filled when not null
};

enum class SaveOutcome { Saved, NotSaved };

// Writes the picture for the source path; savedPath receives the file written (when saved), and
// ctx.details, when given, what the report needs.
SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* savedPath = nullptr);

// SaveOutput in its steps, so that a batch can encode on a worker while the name is decided and
// the file placed later, in queue order: the type (from the settings and the source alone), the
// encoding (from the picture alone, logging nothing), then the name and the file (from what the
// folder holds, with every log line in the order SaveOutput writes them).
struct OutputType {
  const FormatRow* row = nullptr;  // JPEG, PNG or BMP by Output.FileType or the source's name
  ImageFormat sourceFormat = kFormatUnknown;  // otherwise the source's own format; 0 unknown
};
OutputType ChooseOutputType(const Settings& s, const std::string& sourcePath);

struct EncodedOutput {
  bool ok = false;
  int64_t result = 0;  // what the saved line shows: the JPEG size, 1, or the layer's code
  unsigned code = 0;   // a source-format encoding's error code
  int quality = -1;    // the JPEG or HEIF quality written
  bool qualitySearched = false;  // the quality came from the size search: logged when placed
};
// Encodes into dest (left open). ctx.settings should be held to their ranges first
// (HoldQualityRanges).
EncodedOutput EncodeOutput(const SaveContext& ctx, const OutputType& type, ImageDest* dest);

// The quality settings a profile may hold outside the pages' ranges, held to them, with a red
// line for each (empty when none was out of range).
Settings HoldQualityRanges(const Settings& settings, std::vector<std::string>* lines);

// Logs the held-range lines, makes and marks the folder and decides the name; false (logged)
// when nothing can be saved there.
bool PrepareOutput(const SaveContext& ctx, const std::string& sourcePath, OutputName& name);

// Opens the output at the decided name, lets `write` fill it, claims the name (the next free
// number when another process took it) and logs the result.
using OutputWriter = std::function<EncodedOutput(ImageDest*)>;
SaveOutcome PlaceOutput(const SaveContext& ctx, const OutputType& type, const OutputName& name,
                        const OutputWriter& write, std::string* savedPath);

// 0 the folder exists or was made; -1 the user declined (ask); 1 invalid path; 2 not creatable.
int EnsureFolder(EngineHost* host, const std::string& path, bool ask);
// Appends one '*' to the folder's "orvoutput.dir", which marks it as an output folder. The marker
// is never followed through a symbolic link; false when "orvoutput.dir" exists but is not a
// regular file (other write errors are ignored).
bool WriteFolderMarker(const std::string& folder);
bool FileExists(const std::string& path);

// The folder an output of the source goes to, without a trailing slash.
std::string OutputFolderFor(const Settings& s, const std::string& sourcePath);

// The highest quality in MinQ..min(CQ, 99) whose encoding stays below target bytes, by
// bisection; lo is accepted without a test.
int FindJpegQuality(const SaveContext& ctx, int64_t target, int minQuality);
// The size of the picture encoded at quality q with the output's metadata, counted not stored.
int64_t MeasureJpegSize(const SaveContext& ctx, int quality);
// The same search and measure for a format's table encoder that takes a quality (HEIC, AVIF).
int FindEncoderQuality(const SaveContext& ctx, ImageFormat format, int64_t target,
                       int minQuality);
int64_t MeasureEncodedSize(const SaveContext& ctx, ImageFormat format, int quality);

}  // namespace orv
