// Saving a processed picture: the output folder and "_ORV" name, protection of existing files
// and the source, the file type, the JPEG quality (fixed or searched by real test encodings into
// a counting destination), and the log lines that report each decision.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "exif/CameraSummary.h"
#include "imageio/Image.h"
#include "imageio/ImageFormat.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class ProcessLog;
struct ImageDest;

struct SaveContext {
  const Settings& settings;
  const CameraSummary& camera;
  const Image& picture;
  int64_t sourceFileSize = 0;
  bool colorMatched = false;
  EngineHost* host = nullptr;  // shows the folder messages; may be null
  const ProcessLog* log = nullptr;
  CProgressDialog* progress = nullptr;
};

enum class SaveOutcome { Saved, NotSaved };

// What a save reports besides its outcome.
struct SaveDetails {
  std::string outPath;  // the file written
  int quality = -1;     // the JPEG quality used; -1 for other types
  int64_t bytes = 0;    // the size of the file written
  std::string error;    // why it was not saved, when known
};

// Writes the picture for the source path; outPath receives the file written (when saved).
SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* outPath = nullptr, SaveDetails* details = nullptr);

// SaveOutput in its steps, so that a batch can encode on a worker while the name is decided and
// the file placed later, in queue order: the type (from the settings and the source alone), the
// encoding (from the picture alone), then the name and the file (from what the folder holds).
struct OutputType {
  enum class Kind { Jpeg, Png, Bmp, SourceFormat };
  Kind kind = Kind::SourceFormat;
  std::string ext;                             // the output name's extension, with its dot
  const FormatRow* row = nullptr;              // the encoder of Jpeg, Png and Bmp
  ImageFormat sourceFormat = kFormatUnknown;   // SourceFormat: the source's own format
  bool fileless = false;                       // SourceFormat: no file is opened; fixedCode is
  unsigned fixedCode = 0;                      // the result
};
OutputType ChooseOutputType(const Settings& s, const std::string& sourcePath);
// Fills fileless/fixedCode of a SourceFormat type from the picture about to be encoded.
void CheckSourceFormatSave(OutputType& type, const Image& picture);

struct EncodedOutput {
  bool ok = false;
  int64_t result = 0;  // the encoder's result as the log shows it
  int quality = -1;    // JPEG: the quality written
  bool qualitySearched = false;
};
EncodedOutput EncodeOutput(const SaveContext& ctx, const OutputType& type, ImageDest* dest);

// The output's path: folder (made when missing, marked), name, numbering against the files that
// exist now. Logs its problem lines; false when the folder cannot be made.
bool DecideOutputPath(const SaveContext& ctx, const std::string& sourcePath,
                      const OutputType& type, std::string& outPath);

// Opens the file at outPath, lets `write` fill it, puts it in place and logs the result.
using OutputWriter = std::function<EncodedOutput(ImageDest*)>;
SaveOutcome PlaceOutput(const SaveContext& ctx, const OutputType& type,
                        const std::string& outPath, const OutputWriter& write,
                        SaveDetails* details = nullptr);

// 0 the folder exists or was made; -1 the user declined (ask); 1 invalid path; 2 not creatable.
int EnsureFolder(EngineHost* host, const std::string& path, bool ask);
// Appends one '*' to the folder's "orvoutput.dir", which marks it as an output folder.
void WriteFolderMarker(const std::string& folder);
bool FileExists(const std::string& path);

// The folder an output of the source goes to, without a trailing slash.
std::string OutputFolderFor(const Settings& s, const std::string& sourcePath);

// The highest quality in MinQ..min(CQ, 99) whose encoding stays below target bytes, by
// bisection; lo is accepted without a test.
int FindJpegQuality(const SaveContext& ctx, int64_t target, int minQuality);
// The size of the picture encoded at quality q with the output's metadata, counted not stored.
int64_t MeasureJpegSize(const SaveContext& ctx, int quality);

}  // namespace orv
