// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The camera summary of one photograph: the exposure values that drive the correction curves,
// the texts the panel, the text stamp and the log show, and the EXIF block for carrying over.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Every number but Flash uses 0 for "not known".
struct CameraSummary {
  bool HasExif = false;
  std::vector<uint8_t> ExifBlock;  // the APP1 payload, written unchanged into JPEG outputs
  std::string JpegComment;         // first COM segment of the source
  std::string Make;                // after the maker rules
  std::string DisplayModel;        // camera name shown, stamped and matched
  std::string DateTime;
  double ExposureTime = 0;      // seconds
  double EffectiveShutter = 0;  // seconds: ExposureTime, else the APEX shutter time
  std::string ShutterText;      // "1/%d" or "%d \""
  double FNumber = 0;
  std::string FNumberText;  // "%.1lf"
  std::string ExposureProgramText;
  std::string MeteringModeText;
  int Flash = -1;  // -1 unknown, 0 did not fire, 1 fired
  int Iso = 0;
  std::string IsoText;         // "%d " (number and one blank)
  double SubjectDistance = 0;  // metres
  int ColorSpace = 0;          // EXIF code, 1 = sRGB; forced to 0 for Minolta
  std::string InfoSummaryHtml = "<b>No EXIF Data</b>";  // HTML fragment for the log
};

// What a loaded image file provides to the summary.
struct CameraSource {
  std::span<const uint8_t> exifBlock;  // payload of the file's EXIF APP1 segment; empty for none
  std::string_view jpegComment;        // first COM segment; empty for none or other formats
  int width = 0;                       // decoded picture size
  int height = 0;
};

// Builds the whole summary of a loaded image: reads the twelve tags the program uses from the
// EXIF block, applies the maker rules, the display name and the Sony size rule, and derives every
// text. A block that is not an EXIF block (another kind of APP1) counts as no EXIF.
CameraSummary ExtractCameraValues(const CameraSource& source);

// True when `block` carries the EXIF signature, so that the summary treats it as EXIF.
bool IsExifBlock(std::span<const uint8_t> block);

}  // namespace orv
