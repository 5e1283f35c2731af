// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// From a loaded image's EXIF block, comment and size to the camera summary.
#include "exif/CameraSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "exif/CameraPanel.h"
#include "exif/CameraTables.h"
#include "exif/ExifReader.h"
#include "exif/ExifTextNumbers.h"
#include "platform/HtmlEscape.h"

namespace orv {
namespace {

enum CameraTag : uint16_t {
  kTagMake = 0x010F,
  kTagModel = 0x0110,
  kTagDateTime = 0x0132,
  kTagExposureTime = 0x829A,
  kTagFNumber = 0x829D,
  kTagExposureProgram = 0x8822,
  kTagIsoSpeedRatings = 0x8827,
  kTagShutterSpeedValue = 0x9201,
  kTagSubjectDistance = 0x9206,
  kTagMeteringMode = 0x9207,
  kTagFlash = 0x9209,
  kTagColorSpace = 0xA001,
};

// The tag values before the maker rules; absent tags keep these defaults.
struct CameraTagValues {
  std::string make, model, dateTime;
  double exposureTime = 0;
  double apexShutter = 0;  // seconds from ShutterSpeedValue, 0 when absent or unreadable
  double fNumber = 0;
  std::string exposureProgramText, meteringModeText;
  int flash = -1;
  int iso = 0;
  double subjectDistance = 0;
  int colorSpace = 0;
};

class TagTexts {
 public:
  explicit TagTexts(const CExifData* data) : data_(data) {}
  // The tag's text from any of the four lists, or false when it is absent.
  bool Get(uint16_t tag, std::string& text) const {
    return data_ && GetExifTagText(data_, tag, kExifMaskAll, text) == kExifOk;
  }

 private:
  const CExifData* data_;
};

CameraTagValues ReadCameraTags(std::span<const uint8_t> block) {
  CameraTagValues v;
  int error = 0;
  ExifHandle handle = ParseExifBlock(block.data(), block.size(), error);
  if (!handle) return v;
  const TagTexts tags(handle.get());
  std::string t;
  if (tags.Get(kTagModel, t)) v.model = t;
  if (tags.Get(kTagMake, t)) v.make = t;
  if (tags.Get(kTagDateTime, t)) v.dateTime = t;
  if (tags.Get(kTagExposureTime, t)) ReadRationalValue(t, v.exposureTime);
  // A ShutterSpeedValue whose denominator is not above 0 counts as APEX 1 (half a second), as
  // files read by earlier versions have always been.
  int64_t num = 0, den = 0;
  if (tags.Get(kTagShutterSpeedValue, t) && ReadRationalParts(t, num, den)) {
    v.apexShutter = ApexShutterTable(den > 0 ? double(num) / double(den) : 1.0);
  }
  if (tags.Get(kTagFNumber, t)) ReadRationalValue(t, v.fNumber);
  if (tags.Get(kTagExposureProgram, t)) {
    v.exposureProgramText = ExposureProgramName(ReadLeadingInteger(t));
  }
  if (tags.Get(kTagMeteringMode, t)) v.meteringModeText = MeteringModeName(ReadLeadingInteger(t));
  if (tags.Get(kTagFlash, t)) v.flash = (ReadLeadingInteger(t) & 1) ? 1 : 0;  // bit 0: fired
  if (tags.Get(kTagIsoSpeedRatings, t)) v.iso = ReadLeadingInt(t);
  if (tags.Get(kTagSubjectDistance, t)) ReadRationalValue(t, v.subjectDistance);
  if (tags.Get(kTagColorSpace, t)) v.colorSpace = ReadLeadingInt(t);
  FreeExifData(handle);
  return v;
}

// Makers whose Make string is noise in the camera name, or too long to show.
void ApplyMakerRules(std::string& make, int& colorSpace) {
  if (make == "EASTMAN KODAK COMPANY" || make == "NIKON CORPORATION") {
    make.clear();
  } else if (make == "OLYMPUS OPTICAL CO.,LTD") {
    make = "OLYMPUS";
  } else if (make == "Minolta Co., Ltd.") {
    make = "Minolta";
  }
  // Minolta files claim sRGB but are not; colour matching must not skip them.
  if (make == "Minolta") colorSpace = 0;
}

std::string DisplayModelOf(const std::string& make, const std::string& model) {
  if (model.find(make) != std::string::npos) return model;  // an empty Make is always found
  return make + " " + model;
}

// Several Sony models report themselves only as "CYBERSHOT"; the picture size tells them apart.
std::string ApplySonySizeRule(const std::string& displayModel, int width, int height) {
  std::string lower = displayModel;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
  if (lower.find("cybershot") == std::string::npos) return displayModel;
  switch (std::max(width, height)) {
    case 1856:
    case 2240:
      return "Sony DSC-F505v/F55v";
    case 2272:
      return "Sony DSC-S85/P9";
    case 2560:
      return "Sony DSC-F707";
    case 1920:
      return "Sony DSC-P3";
    default:
      return displayModel;
  }
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
  char buf[400];  // a "%.1f" of any double fits
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n <= 0) return {};
  return std::string(buf, std::min(size_t(n), sizeof buf - 1));
}

// The whole part of 1/s. The value carries two roundings (the division that made s and this one),
// so 1/(1/93) comes out a hair below 93; a result within a few ulps under a whole number is that
// number, or an exposure of 1/93 s would be shown as 1/92.
double WholeReciprocal(double seconds) {
  const double q = 1.0 / seconds;
  const double r = std::nearbyint(q);
  if (r > q && r - q <= 4 * std::numeric_limits<double>::epsilon() * r) return r;
  return std::trunc(q);
}

std::string ShutterTextOf(double seconds) {
  if (seconds > 1) return Format("%lld \"", static_cast<long long>(TruncToInt64(seconds)));
  if (seconds > 0) {
    return Format("1/%lld", static_cast<long long>(TruncToInt64(WholeReciprocal(seconds))));
  }
  return {};
}

}  // namespace

bool IsExifBlock(std::span<const uint8_t> block) {
  return block.size() >= 4 && block[0] == 'E' && block[1] == 'x' && block[2] == 'i' &&
         block[3] == 'f';
}

CameraSummary ExtractCameraValues(const CameraSource& source) {
  CameraSummary s;
  s.JpegComment = std::string(source.jpegComment);
  if (!IsExifBlock(source.exifBlock)) return s;  // the no-EXIF values are the defaults

  s.HasExif = true;
  s.ExifBlock.assign(source.exifBlock.begin(), source.exifBlock.end());
  CameraTagValues v = ReadCameraTags(source.exifBlock);
  ApplyMakerRules(v.make, v.colorSpace);
  s.Make = v.make;
  s.DisplayModel = ApplySonySizeRule(DisplayModelOf(v.make, v.model), source.width, source.height);
  s.DateTime = v.dateTime;
  s.ExposureTime = v.exposureTime;
  s.EffectiveShutter = v.exposureTime > 0 ? v.exposureTime : v.apexShutter;
  s.ShutterText = ShutterTextOf(s.EffectiveShutter);
  s.FNumber = v.fNumber;
  if (s.FNumber > 0) s.FNumberText = Format("%.1lf", s.FNumber);
  s.ExposureProgramText = v.exposureProgramText;
  s.MeteringModeText = v.meteringModeText;
  s.Flash = v.flash;
  s.Iso = v.iso;
  if (s.Iso > 0) s.IsoText = Format("%d ", s.Iso);
  s.SubjectDistance = v.subjectDistance;
  s.ColorSpace = v.colorSpace;

  const CameraPanel panel = MakeCameraPanel(s, source.width, source.height);
  s.InfoSummaryHtml = "<b>" + HtmlEscape(s.DisplayModel) + "</b><br>" + panel.shutter.text + " | " +
                      panel.fNumber.text + " | " + panel.flash.text + " | " + panel.iso.text +
                      " | " + panel.focus.text;
  return s;
}

}  // namespace orv
