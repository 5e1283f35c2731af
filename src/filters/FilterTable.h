// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The photographic filter table: the 65 Wratten-series filters the filter simulator offers, with
// their transmission colours, and the list order the settings pages show.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orv {

// A filter colour as one 24-bit value: R in the low byte, then G, then B.
constexpr uint32_t kNoFilterColour = 0xFFFFFF;

struct FilterRow {
  std::string_view name;
  uint8_t r, g, b;
  std::string_view shortName;
  std::string_view description;

  uint32_t Colour() const { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }
  // Light filters (mean transmission of at least 128) come first in the ordered list.
  bool IsLight() const { return (int(r) + int(g) + int(b)) / 3 >= 128; }
};

constexpr int kFilterCount = 65;

// The table in its fixed order.
std::span<const FilterRow> FilterTable();

// The colour of the first row whose name equals name ignoring letter case; kNoFilterColour when
// none does.
uint32_t FindFilterColour(std::string_view name);
// The row's short name / description; empty when no row matches.
std::string_view FilterShortName(std::string_view name);
std::string_view FilterDescription(std::string_view name);

// One entry of the filter list as a page shows it: the name and the row's colour as item data.
struct FilterListItem {
  std::string_view name;
  uint32_t colour;
};

// The list a page fills: all rows in table order, or ordered (every light row, then every dark
// one, each group in table order). The settings pages use the ordered form.
std::span<const FilterListItem> FillFilterList(bool ordered);

// The name at position filterNo of the ordered list (FilterSim.FilterNo, FilterSim.SimFilterNo);
// empty, which selects no filter, for a position outside the list.
std::string_view FilterListName(int filterNo);

}  // namespace orv
