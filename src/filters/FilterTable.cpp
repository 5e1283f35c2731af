// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/FilterTable.h"

#include <array>
#include <cctype>

namespace orv {
namespace {

// clang-format off
constexpr std::array<FilterRow, kFilterCount> kRows = {{
  {"#1A Filter", 245, 237, 239, "UV Skylight Filter", "Use outdoors, to reduce blue and add warmth to scene."},
  {"#2A Filter", 243, 245, 233, "Haze, Pale Yellow, UV", "Absorbs ultraviolet below about 405 nm; cuts haze in distant landscapes."},
  {"#2B Filter", 243, 245, 231, "(415)", "Absorbs ultraviolet below about 390 nm; a slightly stronger haze filter than #2A."},
  {"#2E Filter", 242, 245, 223, "Pale yellow", "Absorbs ultraviolet below about 420 nm; reduces haze and bluish casts."},
  {"#3 Filter", 238, 248, 126, "Schott CG 455", "Light yellow. Darkens blue skies slightly in black-and-white work and cuts aerial haze."},
  {"#8 Filter", 247, 241, 0, "Yellow 2 (022,Schott CG 495)", "Yellow. The standard correction filter for black-and-white film outdoors: darker skies, brighter foliage."},
  {"#9 Filter", 255, 227, 0, "Yellow 3 (023,Schott OG 515) ", "Deep yellow. Stronger sky contrast than #8 in black-and-white work."},
  {"#11 Filter", 75, 195, 67, "Green 1 X1 (060) ", "Yellowish green. Renders skin tones darker and foliage lighter in black-and-white portraits outdoors."},
  {"#12 Filter", 255, 222, 0, "Yellow (099, Schott OG 530)", "Deep yellow that blocks blue; cuts haze in aerial and distant views."},
  {"#15 Filter", 255, 202, 0, "Deep Yellow (G)", "Deep yellow-orange. Dark skies and strong haze penetration in black-and-white landscapes."},
  {"#16 Filter", 255, 183, 0, "Yellow-orange (040, Schott CG 550)", "Yellow-orange. Between #15 and #21 in its darkening of blue skies."},
  {"#18A Filter", 253, 253, 255, "UV", "Has no visual effect on digital images."},
  {"#21 Filter", 255, 144, 0, "Orange", "Orange. Absorbs blue and blue-green; strong contrast in skies and on stone in black-and-white work."},
  {"#22 Filter", 255, 105, 0, "Yellow 8 (041, Schott OG 570)", "Deep orange. More pronounced sky darkening than #21."},
  {"#23A Filter", 255, 60, 0, "Light Red", "Light red. Dramatic skies and strong contrast; used for colour separation work."},
  {"#24 Filter", 238, 0, 0, "Red (090, Schott RG 595)", "Red. Used for two-colour separations and strong contrast in black-and-white work."},
  {"#25 Filter", 219, 0, 0, "Red 1", "Red. Very dark skies and white clouds in black-and-white landscapes; cuts haze strongly."},
  {"#26 Filter", 212, 0, 0, "Red", "Red, slightly deeper than #25."},
  {"#29 Filter", 168, 0, 0, "Deep Red (091, Schott RG 625)", "Deep red. Near-black skies; used for colour separations from transparencies."},
  {"#32 Filter", 199, 0, 200, "Magenta 32", "Magenta. Absorbs green; used in colour printing and for special effects."},
  {"#33 Filter", 154, 0, 78, "Magenta 33", "Strong magenta. Absorbs green for contrast control in colour separations."},
  {"#34A Filter", 106, 0, 185, "Violet", "Violet. Absorbs green and much of the red; used for special effects."},
  {"#38A Filter", 0, 127, 199, "Blue", "Blue. Absorbs red; increases contrast of red subjects and emphasises haze."},
  {"#39 Filter", 56, 0, 169, "Blue", "Deep blue. Used for contrast control in printing onto colour paper."},
  {"#44 Filter", 0, 136, 151, "Light blue-green", "Light blue-green. Absorbs red and ultraviolet; minus-red filter."},
  {"#44A Filter", 0, 128, 173, "Minus-red CYAN 44A", "Cyan (minus red). Used in colour separation work."},
  {"#47 Filter", 0, 0, 179, "Dark Blue (DEEP BLUE 47)", "Deep blue tricolour filter for colour separations; brightens skies and accentuates haze."},
  {"#47A Filter", 0, 16, 148, "Light blue", "Blue. Used for blue separations and to show up fluorescence."},
  {"#47B Filter", 50, 0, 154, "Dark Blue", "Deep blue tricolour filter for separations from colour originals."},
  {"#58 Filter", 0, 172, 0, "Dark Green", "Green tricolour filter for colour separations; lightens foliage in black-and-white work."},
  {"#61 Filter", 0, 152, 0, "Dark Green", "Deep green tricolour filter for separations; darkens skin tones and skies."},
  {"#70 Filter", 58, 0, 0, "Red (Schott RG 665)", "Very deep red. Used for red separations and with infrared-sensitive film."},
  {"#74 Filter", 0, 90, 0, "Dark green", "Very dark green. Isolates the mercury green line; used in scientific work."},
  {"#80A Filter", 113, 139, 222, "KB 15", "Converts daylight film for use with 3200°K lamps. Perfect for indoors lit by 100 watt (or less) incandescent bulbs."},
  {"#80B Filter", 152, 188, 255, "KB 12", "Blue conversion filter for daylight film under 3400 K photoflood lamps."},
  {"#80C Filter", 140, 174, 232, "", "Blue conversion filter for daylight film with clear flash bulbs (about 3800 K)."},
  {"#80D Filter", 187, 204, 232, "", "Light blue conversion filter; raises about 4200 K light towards daylight."},
  {"#81 Filter", 242, 240, 233, "Amber", "Light-balancing, faintly warming. Lowers the colour temperature slightly; reduces bluish casts."},
  {"#81A Filter", 239, 233, 221, "Amber", "Light-balancing, warming. Removes the blue of overcast days and electronic flash."},
  {"#81B Filter", 235, 226, 211, "Amber", "Light-balancing, warming; slightly stronger than #81A."},
  {"#81C Filter", 231, 218, 200, "KR 3", "Light-balancing, warming; for shade and overcast light."},
  {"#81D Filter", 229, 213, 189, "Amber", "Light-balancing, warming; stronger than #81C."},
  {"#81E Filter", 225, 207, 177, "Amber", "Light-balancing, warming; the strongest of the #81 series."},
  {"#82 Filter", 227, 232, 237, "", "Light-balancing, faintly cooling. Raises the colour temperature slightly."},
  {"#82A Filter", 214, 222, 234, "KB 1.5", "Light-balancing, cooling. Offsets the red of early morning and late afternoon light."},
  {"#82B Filter", 200, 212, 230, "", "Light-balancing, cooling; stronger than #82A."},
  {"#82C Filter", 185, 205, 228, "KB 3", "Light-balancing, cooling; the strongest of the #82 series."},
  {"#85 Filter", 255, 195, 161, "KR 12", "Amber conversion filter for tungsten film in daylight."},
  {"#85B Filter", 255, 188, 128, "KR 15", "Amber conversion filter for 3200 K tungsten film in daylight."},
  {"#85C Filter", 251, 212, 188, "Amber", "Light amber conversion filter; a weaker #85."},
  {"#85N3 Filter", 186, 149, 112, "Amber series ", "#85 conversion combined with a neutral density of 0.3 (one stop)."},
  {"#85N6 Filter", 140, 115, 85, "Amber series ", "#85 conversion combined with a neutral density of 0.6 (two stops)."},
  {"#85N9 Filter", 108, 79, 66, "Amber series ", "#85 conversion combined with a neutral density of 0.9 (three stops)."},
  {"#87 Filter", 40, 0, 0, "Infra Red (Schott RG 780)", "Visibly Opaque infrared filter. Transmits IR light greater than 770 nm."},
  {"#87C Filter", 30, 0, 0, "Infra Red  (093, Schott RG 830)", "Visibly opaque infrared filter. Transmits infrared beyond about 800 nm."},
  {"#87B Filter", 20, 0, 0, "Infra Red", "Visibly opaque infrared filter for infrared film; transmits beyond about 820 nm."},
  {"#88B Filter", 60, 0, 0, "Infra Red", "Nearly opaque deep red; passes infrared beyond about 720 nm."},
  {"#89B Filter", 80, 0, 0, "Infra Red", "Deep red infrared filter; passes infrared from about 700 nm, for aerial infrared work."},
  {"#90 Filter", 136, 88, 0, "Dark grayish amber", "Viewing filter: shows a scene roughly as black-and-white film renders its tones."},
  {"#92 Filter", 120, 0, 0, "Red", "Red filter for densitometry and colour separations."},
  {"#96 Filter", 99, 99, 92, "Dark grayish amber", "Neutral filter for controlling luminance."},
  {"#98 Filter", 46, 0, 142, "Blue", "Blue; equal to #47B with #2B. Used for colour separations."},
  {"#99 Filter", 27, 97, 0, "Green", "Green; equal to #61 with #16. Used for colour separations."},
  {"#102 Filter", 163, 206, 21, "Yellow-green", "Yellow-green. Adapts a photocell's response to that of the eye; used in colorimetry."},
  {"#106 Filter", 251, 125, 0, "Amber", "Amber. Used in densitometry and for colour separations."},
}};
// clang-format on

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const FilterRow* FindRow(std::string_view name) {
  for (const FilterRow& row : kRows)
    if (SameIgnoringCase(row.name, name)) return &row;
  return nullptr;
}

struct FilterLists {
  std::array<FilterListItem, kFilterCount> tableOrder;
  std::array<FilterListItem, kFilterCount> ordered;
  FilterLists() {
    size_t n = 0;
    for (size_t i = 0; i < kRows.size(); ++i) tableOrder[i] = {kRows[i].name, kRows[i].Colour()};
    for (bool light : {true, false})
      for (const FilterRow& row : kRows)
        if (row.IsLight() == light) ordered[n++] = {row.name, row.Colour()};
  }
};

const FilterLists& Lists() {
  static const FilterLists lists;
  return lists;
}

}  // namespace

std::span<const FilterRow> FilterTable() {
  return kRows;
}

uint32_t FindFilterColour(std::string_view name) {
  const FilterRow* row = FindRow(name);
  return row ? row->Colour() : kNoFilterColour;
}

std::string_view FilterShortName(std::string_view name) {
  const FilterRow* row = FindRow(name);
  return row ? row->shortName : std::string_view();
}

std::string_view FilterDescription(std::string_view name) {
  const FilterRow* row = FindRow(name);
  return row ? row->description : std::string_view();
}

std::span<const FilterListItem> FillFilterList(bool ordered) {
  return ordered ? std::span<const FilterListItem>(Lists().ordered)
                 : std::span<const FilterListItem>(Lists().tableOrder);
}

std::string_view FilterListName(int filterNo) {
  if (filterNo < 0 || filterNo >= kFilterCount) return {};
  return Lists().ordered[size_t(filterNo)].name;
}

}  // namespace orv
