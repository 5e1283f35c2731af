// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One field table feeds both output forms, so the text and the JSON can never list different
// fields or orders.
#include "cli/InfoFormat.h"

#include <variant>
#include <vector>

#include "cli/JsonText.h"
#include "cli/TerminalText.h"

namespace orv::cli {
namespace {

using FieldValue = std::variant<bool, int64_t, double, std::string>;

struct Field {
  const char* name;
  FieldValue value;
};

std::vector<Field> InfoFields(const CameraSummary& s, const ImageFacts& f) {
  return {
      {"HasExif", s.HasExif},
      {"Make", s.Make},
      {"DisplayModel", s.DisplayModel},
      {"DateTime", s.DateTime},
      {"ExposureTime", s.ExposureTime},
      {"EffectiveShutter", s.EffectiveShutter},
      {"ShutterText", s.ShutterText},
      {"FNumber", s.FNumber},
      {"FNumberText", s.FNumberText},
      {"ExposureProgramText", s.ExposureProgramText},
      {"MeteringModeText", s.MeteringModeText},
      {"Flash", int64_t(s.Flash)},
      {"Iso", int64_t(s.Iso)},
      {"IsoText", s.IsoText},
      {"SubjectDistance", s.SubjectDistance},
      {"ColorSpace", int64_t(s.ColorSpace)},
      {"JpegComment", s.JpegComment},
      {"InfoSummaryHtml", s.InfoSummaryHtml},
      {"Width", int64_t(f.width)},
      {"Height", int64_t(f.height)},
      {"FileSize", int64_t(f.fileSize)},
      {"ExifLength", int64_t(s.ExifBlock.size())},
      {"HasIccProfile", f.hasIccProfile},
      {"IccDescription", f.iccDescription},
      {"HasXmp", f.hasXmp},
      {"HasIptc", f.hasIptc},
  };
}

std::string PlainValue(const FieldValue& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
  if (const int64_t* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const double* d = std::get_if<double>(&v)) return JsonNumber(*d);
  return OneLineText(std::get<std::string>(v));
}

std::string JsonValue(const FieldValue& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) return JsonString(*s);
  return PlainValue(v);
}

}  // namespace

std::string FormatCameraInfoText(const CameraSummary& summary, const ImageFacts& facts) {
  std::string out;
  for (const Field& f : InfoFields(summary, facts)) {
    out += f.name;
    out += ": ";
    out += PlainValue(f.value);
    out += '\n';
  }
  return out;
}

std::string FormatCameraInfoJson(const CameraSummary& summary, const ImageFacts& facts) {
  std::string out = "{";
  bool first = true;
  for (const Field& f : InfoFields(summary, facts)) {
    out += first ? "\n  " : ",\n  ";
    first = false;
    out += JsonString(f.name);
    out += ": ";
    out += JsonValue(f.value);
  }
  out += "\n}";
  return out;
}

}  // namespace orv::cli
