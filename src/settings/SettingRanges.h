// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The ranges the settings pages offer for the numbers of the Size and Quality pages, and the
// choices of their lists and option groups (0 to the last item). `--set` refuses values outside
// them; a profile file is read as it is, and the code that uses such a
// value holds it to the range instead of converting it out of range.
#pragma once

#include <string>
#include <string_view>

namespace orv {

struct SettingRange {
  std::string_view section;
  std::string_view key;
  double lo;
  double hi;
};

// The range of Section.Key, or null when the key has none listed.
const SettingRange* FindSettingRange(std::string_view section, std::string_view key);

// Holds value to the range of Section.Key (NaN goes to fallback). When the value had to change,
// returns the text of the log line that says so; otherwise an empty text.
std::string HoldToRange(std::string_view section, std::string_view key, double& value,
                        double fallback);
std::string HoldToRange(std::string_view section, std::string_view key, int& value);

// "1..100" or "1..1000000" for messages.
std::string RangeText(const SettingRange& range);

}  // namespace orv
