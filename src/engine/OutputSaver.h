// Saving a processed picture: the output folder and "_ORV" name, protection of existing files
// and the source, the file type, the JPEG quality (fixed or searched by real test encodings into
// a counting destination), and the log lines that report each decision.
#pragma once

#include <cstdint>
#include <string>

#include "exif/CameraSummary.h"
#include "imageio/Image.h"
#include "imageio/PhotoMetadata.h"
#include "imageio/ImageFormat.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class ProcessLog;

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

// Writes the picture for the source path; outPath receives the file written (when saved).
SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* outPath = nullptr);

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
