#include "settings/SettingRanges.h"

#include <cmath>

#include "platform/NumberText.h"

namespace orv {
namespace {

const SettingRange kRanges[] = {
    {"Size", "Percent", 1, 1000},        {"Size", "Width", 1, 65535},
    {"Size", "Height", 1, 65535},        {"Quality", "CQ", 1, 100},
    {"Quality", "MinQ", 1, 100},         {"Quality", "MaxKB", 1, 1000000},
    // The choices of the pages' lists and option groups, first to last.
    {"Size", "Type", 0, 2},              {"Size", "Filter", 0, 1},
    {"Quality", "Type", 0, 2},           {"Output", "Type", 0, 2},
    {"Output", "FileType", 0, 3},        {"Text", "Placement", 0, 5},
    {"Text", "BackType", 0, 3},          {"Text", "DateType", 0, 4},
    {"HotPixels", "ExcludeType", 0, 1},  {"Sharpen", "Type", 0, 1},
    {"FilterSim", "FilterNo", 0, 64},    {"FilterSim", "SimFilterNo", 0, 64},
    {"Files", "RawJpegTwins", 0, 2},
};

std::string HeldLine(const SettingRange& r, const std::string& was, const std::string& now) {
  return std::string(r.section) + "." + std::string(r.key) + "=" + was + " is outside " +
         RangeText(r) + ": " + now + " used";
}

}  // namespace

const SettingRange* FindSettingRange(std::string_view section, std::string_view key) {
  for (const SettingRange& r : kRanges) {
    if (r.section == section && r.key == key) return &r;
  }
  return nullptr;
}

std::string RangeText(const SettingRange& range) {
  auto whole = [](double v) { return std::to_string(static_cast<long long>(v)); };
  return whole(range.lo) + ".." + whole(range.hi);
}

std::string HoldToRange(std::string_view section, std::string_view key, double& value,
                        double fallback) {
  const SettingRange* r = FindSettingRange(section, key);
  if (!r || (value >= r->lo && value <= r->hi)) return {};
  std::string was = FormatG(value);
  value = std::isnan(value) ? fallback : value < r->lo ? r->lo : r->hi;
  return HeldLine(*r, was, FormatG(value));
}

std::string HoldToRange(std::string_view section, std::string_view key, int& value) {
  const SettingRange* r = FindSettingRange(section, key);
  if (!r || (value >= r->lo && value <= r->hi)) return {};
  std::string was = std::to_string(value);
  value = value < r->lo ? int(r->lo) : int(r->hi);
  return HeldLine(*r, was, std::to_string(value));
}

}  // namespace orv
