// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "stages/FilterSimStage.h"
#include "filters/FilterSimulator.h"
#include "filters/FilterTable.h"

namespace orv {
namespace {

using Pixels = std::vector<uint8_t>;

Pixels Simulate(Pixels p, std::string_view name, int strength, int keep, int bw) {
  EXPECT_TRUE(SimulateFilter(p.data(), int(p.size() / 3), 1, name, strength, keep, bw));
  return p;
}

// The filter's steps written out per pixel in double arithmetic, as a reference for the
// table-driven implementation.
Pixels Reference(const Pixels& src, uint32_t colour, int s, int k, int bw) {
  Pixels out = src;
  const int f[3] = {int(colour & 255), int(colour >> 8 & 255), int(colour >> 16 & 255)};
  for (size_t i = 0; i < src.size(); i += 3) {
    const int R = src[i], G = src[i + 1], B = src[i + 2], in[3] = {R, G, B};
    int v[3];
    for (int c = 0; c < 3; ++c) v[c] = f[c] * in[c] / 255;
    if (k) {
      const int lum = int(0.3 * R + 0.59 * G + 0.11 * B + 0.001);
      const double w = (lum * lum / 255) / 255.0;
      for (int c = 0; c < 3; ++c) v[c] = int(in[c] * w + v[c] * (1 - w));
    }
    if (s < 255)
      for (int c = 0; c < 3; ++c) v[c] = int(in[c] * (1 - s / 255.0) + v[c] * (s / 255.0));
    if (bw) v[0] = v[1] = v[2] = int(0.3 * v[0] + 0.59 * v[1] + 0.11 * v[2] + 0.001);
    for (int c = 0; c < 3; ++c) out[i + size_t(c)] = uint8_t(v[c] >= 255 ? 255 : v[c]);
  }
  return out;
}

TEST(FilterTable, RowsNamesAndLookups) {
  ASSERT_EQ(FilterTable().size(), 65u);
  std::set<std::string_view> names;
  for (const FilterRow& row : FilterTable()) {
    names.insert(row.name);
    EXPECT_FALSE(row.description.empty()) << row.name;
    EXPECT_NE(row.Colour(), kNoFilterColour) << row.name;
  }
  EXPECT_EQ(names.size(), 65u);
  EXPECT_EQ(FilterTable()[0].name, "#1A Filter");
  EXPECT_EQ(FilterTable()[64].name, "#106 Filter");
  EXPECT_EQ(FilterTable()[54].shortName, "Infra Red  (093, Schott RG 830)");
  EXPECT_EQ(FilterTable()[6].shortName, "Yellow 3 (023,Schott OG 515) ");
  EXPECT_EQ(FindFilterColour("#25 Filter"), 219u);
  EXPECT_EQ(FindFilterColour("#25 FILTER"), 219u);
  EXPECT_EQ(FindFilterColour("#80A Filter"), 113u | 139u << 8 | 222u << 16);
  EXPECT_EQ(FindFilterColour("#25"), kNoFilterColour);
  EXPECT_EQ(FindFilterColour(""), kNoFilterColour);
  EXPECT_EQ(FilterShortName("#85n3 filter"), "Amber series ");
  EXPECT_EQ(FilterShortName("#80C Filter"), "");
  EXPECT_EQ(FilterDescription("#96 Filter"), "Neutral filter for controlling luminance.");
  EXPECT_EQ(FilterDescription("#18A Filter"), "Has no visual effect on digital images.");
  EXPECT_EQ(FilterDescription("nothing"), "");
}

TEST(FilterTable, OrderedListShowsLightThenDarkFilters) {
  const auto plain = FillFilterList(false), ordered = FillFilterList(true);
  ASSERT_EQ(plain.size(), 65u);
  ASSERT_EQ(ordered.size(), 65u);
  for (size_t i = 0; i < 65; ++i) EXPECT_EQ(plain[i].name, FilterTable()[i].name);
  EXPECT_EQ(ordered[0].name, "#1A Filter");
  EXPECT_EQ(ordered[31].name, "#102 Filter");  // last light one
  EXPECT_EQ(ordered[32].name, "#11 Filter");   // first dark one, mean 112
  EXPECT_EQ(ordered[64].name, "#106 Filter");
  EXPECT_EQ(ordered[32].colour, 75u | 195u << 8 | 67u << 16);
  for (size_t i = 0; i < 65; ++i) {
    const uint32_t c = ordered[i].colour;
    const int mean = (int(c & 255) + int(c >> 8 & 255) + int(c >> 16)) / 3;
    EXPECT_EQ(mean >= 128, i < 32) << ordered[i].name;
  }
  EXPECT_EQ(FilterListName(0), "#1A Filter");
  EXPECT_EQ(FilterListName(32), "#11 Filter");
  EXPECT_EQ(FilterListName(65), "");
  EXPECT_EQ(FilterListName(-1), "");
}

TEST(SimulateFilter, WorkedExamples) {
  EXPECT_EQ(Simulate({200, 150, 100}, "#25 Filter", 255, 1, 0), (Pixels{182, 58, 38}));
  EXPECT_EQ(Simulate({200, 150, 100}, "#25 Filter", 255, 1, 1), (Pixels{93, 93, 93}));
  EXPECT_EQ(Simulate({0, 0, 255}, "#24 Filter", 255, 1, 0), (Pixels{0, 0, 3}));
  // #18A: white unchanged, mid grey only slightly darker.
  EXPECT_EQ(Simulate({255, 255, 255}, "#18A Filter", 255, 1, 0), (Pixels{255, 255, 255}));
  const Pixels grey = Simulate({128, 128, 128}, "#18A Filter", 255, 1, 0);
  for (uint8_t v : grey) EXPECT_TRUE(v >= 126 && v <= 128);
  // Without keep highlights the plain product: 219 x 200 / 255.
  EXPECT_EQ(Simulate({200, 150, 100}, "#25 filter", 255, 0, 0), (Pixels{171, 0, 0}));
}

TEST(SimulateFilter, UnknownNameChangesNothingEvenInBlackAndWhite) {
  const Pixels p = {10, 200, 30, 250, 0, 9};
  EXPECT_EQ(Simulate(p, "#25", 255, 1, 1), p);
  EXPECT_EQ(Simulate(p, "", 255, 0, 1), p);
}

TEST(SimulateFilter, StrengthZeroIsTheIdentity) {
  Pixels p(3 * 500);
  std::mt19937 rng(5);
  for (auto& v : p) v = uint8_t(rng());
  EXPECT_EQ(Simulate(p, "#47 Filter", 0, 1, 0), p);
}

TEST(SimulateFilter, MatchesTheStepsForEveryOptionOnRandomPixels) {
  Pixels p(3 * 4000);
  std::mt19937 rng(11);
  for (auto& v : p) v = uint8_t(rng());
  for (std::string_view name : {"#25 Filter", "#80A Filter", "#102 Filter", "#96 Filter"})
    for (int s : {255, 200, 1})
      for (int k : {0, 1})
        for (int bw : {0, 1})
          ASSERT_EQ(Simulate(p, name, s, k, bw), Reference(p, FindFilterColour(name), s, k, bw))
              << name << " " << s << " " << k << " " << bw;
}

TEST(SimulateFilter, NeverBrightensAPixel) {
  Pixels p(3 * 3000);
  std::mt19937 rng(3);
  for (auto& v : p) v = uint8_t(rng());
  for (const FilterRow& row : FilterTable()) {
    const Pixels out = Simulate(p, row.name, 255, 1, 0);
    for (size_t i = 0; i < p.size(); ++i) ASSERT_LE(out[i], p[i]) << row.name;
  }
}

TEST(SimulateFilter, RefusesBadPictures) {
  Pixels p(3);
  EXPECT_FALSE(SimulateFilter(nullptr, 1, 1, "#25 Filter", 255, 1, 0));
  EXPECT_FALSE(SimulateFilter(p.data(), 0, 1, "#25 Filter", 255, 1, 0));
  EXPECT_FALSE(SimulateFilter(p.data(), 1, -1, "#25 Filter", 255, 1, 0));
}

TEST(FilterSimStage, DerivesNameAndLogLine) {
  FilterSimStagePlan p = DeriveFilterSimStage({true, 32, true});
  EXPECT_TRUE(p.run);
  EXPECT_EQ(p.name, "#11 Filter");
  EXPECT_TRUE(p.blackWhite);
  EXPECT_EQ(p.strength, 255);
  EXPECT_EQ(p.keepHighlights, 1);
  EXPECT_EQ(p.stageText, "#11 Filter");
  EXPECT_EQ(p.logText, "filter: #11 Filter");
  // A position outside the list selects no filter; the line names none.
  p = DeriveFilterSimStage({true, 99, false});
  EXPECT_TRUE(p.run);
  EXPECT_EQ(p.name, "");
  EXPECT_EQ(p.logText, "filter: ");
  EXPECT_FALSE(DeriveFilterSimStage({false, 3, false}).run);
}

}  // namespace
}  // namespace orv
