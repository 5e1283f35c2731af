// The derive steps of the long-exposure stages: black-frame subtraction ("Black Frame") and
// hot-pixel removal ("Hot Pixels"). Both test the exposure time: a photograph without a known
// time counts as 2 s for the black frame and as 1 s for hot pixels.
#pragma once

#include "filters/StageLog.h"

namespace orv {

struct BlackFrameStageInput {
  bool frameLoaded = false;
  int frameWidth = 0, frameHeight = 0;
  int width = 0, height = 0;  // the working picture (also in preview mode)
  double shutter = 0.0;       // effective shutter time in seconds, 0 when unknown
  bool hasExif = false;       // the photograph carried EXIF data
};
struct BlackFrameStageParams {
  bool showStageText = false;  // SetStageText("Black Frame"): a frame is loaded
  // SubtractBlackFrame on the picture in a run; in preview mode on the crop, with the frame cut
  // to the crop's rectangle (CutFrameToCrop).
  bool subtract = false;
  StageLog log;  // "BF: No BF Loaded" or "BF: Skipping", else none
};
BlackFrameStageParams DeriveBlackFrameStage(const BlackFrameStageInput& in);

// In Advanced mode the HotPixels and Window curves are read by LookupHotPixelStrength
// (settings/CurveAxes.h), which applies the camera-model list.
struct HotPixelStageInput {
  bool advanced = false;
  int threshold = 0;    // HotPixels curve value (Advanced) or HotPixels.SimData (Basic)
  int windowLevel = 1;  // Window curve level 1..4 (Advanced mode only)
  double shutter = 0.0;
  bool hasExif = false;
  bool excluded = false;  // a listed camera with the exclusion on (Advanced mode only)
  int excludeType = 1;
};
struct HotPixelStageParams {
  bool run = false;  // RemoveHotPixels on the picture in a run, on the crop in preview mode
  int nt = 0;
  int wi = 3;    // 3..6; RemoveHotPixels takes an even size as the next odd one
  StageLog log;  // "HP:NT=%d,WI=%d" when run
};
HotPixelStageParams DeriveHotPixelStage(const HotPixelStageInput& in);

}  // namespace orv
