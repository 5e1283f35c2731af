// What one pipeline stage sees of a ProcessImage call: the picture and its spare buffer, the
// optional detail crop, the settings and camera summary, the filters object that carries the
// auto-balance levels, and the two services of the frame: checkpoints and stage lines.
#pragma once

#include <string>
#include <string_view>

#include "exif/CameraSummary.h"
#include "filters/Image.h"
#include "filters/ImageFilters.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class ProcessLog;

struct StageContext {
  Settings& settings;
  const CameraSummary& camera;
  Image& picture;      // P: changed in place; the resize stage replaces it
  Image& spare;        // S: a buffer of P's size for stages that need an untouched copy
  Image* crop;         // the detail crop when this call works on it (preview on tabs 4..6)
  Image* detailSpare;  // the crop's spare, allocated in preview mode
  CImageFilters& filters;
  EngineHost& host;
  const Image* blackFrame;  // the loaded black frame, or null
  bool advanced = false;
  bool detailedLog = false;
  bool previewMode = false;
  // Whether the stage works on the picture; a preview of a detail page leaves the picture to
  // some stages and shows their effect on the crop alone.
  bool processPicture = true;
  int cropLeft = 0;  // where the crop lies in the picture (for the black frame)
  int cropTop = 0;
  int sourceWidth = 0;  // the full picture's size in preview mode (0: the picture's own)
  int sourceHeight = 0;
  bool colorMatched = false;  // set by colour matching, read by the saver

  CProgressDialog* progress = nullptr;
  const ProcessLog* log = nullptr;
  bool cancelled = false;
  // Why the current stage could not do its work on the picture (empty while it could). A failed
  // stage writes no stage line; the pipeline logs the failure and counts it.
  std::string failure = {};

  // Records that the stage's work on the picture failed; returns ok.
  bool Check(bool ok, std::string_view reason = "its filter failed");

  // Moves the item bar (and refreshes the picture when asked), then tests Cancel. False when
  // the run was cancelled: the stage returns at once and the frame stops.
  bool Checkpoint(int position, bool withPicture);
  // A blue stage line in the log, with detailed logging outside preview mode.
  void StageLine(std::string_view message);
  // Copies the picture into the spare buffer; false when memory ran out.
  bool CopyToSpare();
  // Copies the crop into its spare; false when there is no crop or memory ran out.
  bool CopyCropToSpare();
};

// A stage runs its filter and writes its line; false when a checkpoint inside it saw Cancel.
using StageFn = bool (*)(StageContext& ctx);

}  // namespace orv
