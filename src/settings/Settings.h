// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Every user setting, grouped exactly as the profile file: one group per section, one field per
// key, so that `Settings.Balance.Enabled` is the profile's [Balance] Enabled=. Both the Basic and
// the Advanced value sets live side by side; Mode.Advanced picks the one a run uses.
// The groups start at zero: their values come from the key table (settings/SettingKeys.cpp),
// the one list of defaults, which the Settings constructor applies.
#pragma once

#include <string>
#include <vector>

#include "settings/Curve.h"

namespace orv {

// A section whose strength is a curve: the Advanced curve (points Data0.., NoExif), the one-point
// Basic curve (Simple or SimData) and the two stage switches, one per mode.
struct CurveSection {
  Curve Advanced;
  Curve Basic;
  int Enabled = 0;
  int SimEnabled = 0;
};

struct ModeGroup {
  int Advanced = 0;
};

struct FilterSimGroup {
  int Enabled = 0;
  int FilterNo = 0;
  int BW = 0;
  int SimEnabled = 0;
  int SimFilterNo = 0;
  int SimBW = 0;
};

struct SharpenGroup : CurveSection {
  int Type = 0;
};

struct HotPixelsGroup : CurveSection {
  int BF = 0;
  std::string ExList;  // one camera-model fragment a line, lines separated by CR LF
  int Exclude = 0;
  int ExcludeType = 0;
};

struct CleanSkinGroup : CurveSection {
  int PinkTones = 0;
  int SimPinkTones = 0;
};

// Which of a camera's RAW+JPEG pair a run takes (Files.RawJpegTwins); the other is skipped with a
// log line. Both: the RAW's output is named after its kind (IMG_0001_CR2_ORV.jpg).
enum RawJpegTwinChoice : int { kTwinTakeRaw = 0, kTwinTakeJpeg = 1, kTwinTakeBoth = 2 };

struct FilesGroup {
  int Recursive = 0;
  int ExcludeORV = 0;
  // A camera's RAW+JPEG pair (IMG_0001.CR2 beside IMG_0001.JPG): a RawJpegTwinChoice.
  int RawJpegTwins = 0;
};

struct SizeGroup {
  int Type = 0;
  int Percent = 0;
  int Width = 0;
  int Height = 0;
  int SaveOriginal = 0;
  int KeepEXIF = 0;
  int Filter = 0;
};

struct QualityGroup {
  int Type = 0;
  int CQ = 0;
  double MaxKB = 0.0;
  int Subsampling = 0;
  int MinQ = 0;
};

struct TextGroup {
  int Enabled = 0;
  std::string String;
  std::string FontName;
  int FontSize = 0;
  int Italic = 0;
  int Underline = 0;
  int Weight = 0;
  int Placement = 0;
  int BackType = 0;
  int OffsetX = 0;
  int OffsetY = 0;
  int DateType = 0;
  int TextColor = 0;
  int BKColor = 0;
};

struct SRGBGroup {
  int Enabled = 0;
  int Test = 0;
};

struct OutputGroup {
  int Type = 0;
  int Replace = 0;
  std::string SimDir;  // the folder of output type 1
  int FileType = 0;
  int DetailedLog = 0;
  int MirrorFolders = 0;
  int MirrorTree = 0;  // mirror_tree values: keep the source's folders below its root
  // Not stored in profiles: the roots a run mirrors whole trees from. The queued folders (each
  // ending with '/', in the order they were added) and the base of listed files (--base).
  std::vector<std::string> TreeRoots;
  std::string TreeBase;
};

class Settings {
 public:
  // A model with the values it is created with before any profile is read: the creation values,
  // Basic mode, and every curve shaped.
  Settings();

  // Every key takes its key-table default (what a profile without that key gives).
  void ApplyKeyDefaults();
  // Every key takes its creation value.
  void ApplyCreationValues();

  bool IsAdvanced() const { return Mode.Advanced == 1; }

  ModeGroup Mode;
  CurveSection Balance;
  CurveSection Midtones;
  CurveSection ColorCast;
  CurveSection Saturation;
  FilterSimGroup FilterSim;
  SharpenGroup Sharpen;
  CurveSection Radius;  // Advanced mode only: no Basic value, no switches
  HotPixelsGroup HotPixels;
  CurveSection Window;  // Advanced mode only: no Basic value, no switches
  CurveSection Denoise;
  CurveSection Distance;  // no switches of its own: the Denoise switches govern it
  CleanSkinGroup CleanSkin;
  FilesGroup Files;
  SizeGroup Size;
  QualityGroup Quality;
  TextGroup Text;
  SRGBGroup sRGB;
  OutputGroup Output;
};

}  // namespace orv
