// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "settings/SettingKeys.h"
#include "settings/StageSettings.h"

namespace orv {
namespace {

// Every field whose value at creation differs from its key-table default, as (creation, default).
const std::map<std::string, std::pair<std::string, std::string>> kCreationDiffers = {
    {"Balance.Simple", {"128", "215"}},
    {"Midtones.Simple", {"128", "140"}},
    {"CleanSkin.Data0", {"128", "50"}},
    {"CleanSkin.Data1", {"128", "40"}},
    {"CleanSkin.SimData", {"128", "50"}},
    {"Distance.NoExif", {"0", "3"}},
    {"FilterSim.Enabled", {"1", "0"}},
    {"FilterSim.SimEnabled", {"1", "0"}},
    {"Denoise.Enabled", {"1", "0"}},
    {"Denoise.SimEnabled", {"1", "0"}},
    {"HotPixels.BF", {"1", "0"}},
    {"HotPixels.ExcludeType", {"0", "1"}},
    {"CleanSkin.PinkTones", {"0", "1"}},
    {"CleanSkin.SimPinkTones", {"0", "1"}},
    {"Files.Recursive", {"0", "1"}},
    {"Quality.MaxKB", {"2.300000e+001", "1.500000e+002"}},
    {"Quality.MinQ", {"50", "45"}},
    {"Quality.Subsampling", {"0", "1"}},
    {"Size.KeepEXIF", {"0", "1"}},
    {"Output.Replace", {"0", "1"}},
    {"Text.String", {"Copyright (c)", "Copyright (c) ORV Lumitra"}},
    {"Text.FontSize", {"15", "16"}},
    {"Text.OffsetX", {"10", "12"}},
    {"Text.OffsetY", {"5", "6"}},
    {"Text.Italic", {"0", "1"}},
};

TEST(Settings, CreationValuesDifferFromDefaultsExactlyWhereListed) {
  Settings created;
  Settings defaults;
  defaults.ApplyKeyDefaults();
  EXPECT_FALSE(created.IsAdvanced());
  std::set<std::string> differing;
  for (const SettingKey& key : SettingKeys()) {
    std::string name = QualifiedName(key);
    std::string c = FormatSetting(created, key), d = FormatSetting(defaults, key);
    if (c != d) differing.insert(name);
    auto it = kCreationDiffers.find(name);
    if (it != kCreationDiffers.end()) {
      EXPECT_EQ(c, it->second.first) << name;
      EXPECT_EQ(d, it->second.second) << name;
    }
  }
  std::set<std::string> expected;
  for (const auto& [name, values] : kCreationDiffers) expected.insert(name);
  EXPECT_EQ(differing, expected);
}

TEST(Settings, KeyDefaultsOfCurveSections) {
  Settings s;
  s.ApplyKeyDefaults();
  EXPECT_EQ(s.Distance.Advanced.NoExifIndex(), 3);
  EXPECT_EQ(s.CleanSkin.Advanced.GetPoint(0), 50);
  EXPECT_EQ(s.CleanSkin.Advanced.GetPoint(1), 40);
  EXPECT_EQ(s.Balance.Basic.GetPoint(0), 215);
  EXPECT_EQ(s.Text.TextColor, 16777215);
  EXPECT_EQ(s.Text.FontName, "Arial");
  EXPECT_DOUBLE_EQ(s.Quality.MaxKB, 150.0);
  EXPECT_EQ(s.Output.MirrorFolders, 0);
  EXPECT_EQ(s.Output.MirrorTree, 0);
}

TEST(Settings, EveryKeyReachesItsOwnFieldByName) {
  // Writing a distinct value through each name must change that key and no other one: a row
  // pointing at the wrong field shows up as a second key changing.
  for (const SettingKey& key : SettingKeys()) {
    std::string name = QualifiedName(key);
    ASSERT_EQ(FindSettingKey(name), &key) << name;
    Settings s;
    Settings before;
    std::string value = key.type == SettingType::Text     ? "probe, text"
                        : key.type == SettingType::Double ? "7.25"
                                                          : "201";
    if (FormatSetting(s, key) == (key.type == SettingType::Double ? "7.250000e+000" : value))
      value = key.type == SettingType::Double ? "8.5" : "202";
    ASSERT_TRUE(ParseSetting(s, key, value)) << name;
    for (const SettingKey& other : SettingKeys()) {
      bool changed = FormatSetting(s, other) != FormatSetting(before, other);
      EXPECT_EQ(changed, &other == &key)
          << "writing " << name << " changed " << QualifiedName(other);
    }
  }
}

TEST(Settings, NamesAreCaseSensitiveAndValuesStrict) {
  EXPECT_NE(FindSettingKey("Mode.Advanced"), nullptr);
  EXPECT_EQ(FindSettingKey("Mode.advanced"), nullptr);
  EXPECT_EQ(FindSettingKey("mode.Advanced"), nullptr);
  EXPECT_EQ(FindSettingKey("Advanced"), nullptr);
  EXPECT_EQ(FindSettingKey("Radius.SimData"), nullptr);  // Radius has no Basic value
  EXPECT_EQ(FindSettingKey("Window.Enabled"), nullptr);

  Settings s;
  const SettingKey& percent = *FindSettingKey("Size.Percent");
  EXPECT_FALSE(ParseSetting(s, percent, "12abc"));
  EXPECT_FALSE(ParseSetting(s, percent, ""));
  EXPECT_FALSE(ParseSetting(s, percent, "99999999999"));
  EXPECT_TRUE(ParseSetting(s, percent, "-4"));
  EXPECT_EQ(s.Size.Percent, -4);
  EXPECT_FALSE(ParseSetting(s, *FindSettingKey("Quality.MaxKB"), "1,5"));

  // Curve points clamp to a byte; the no-EXIF index is stored as given.
  ASSERT_TRUE(ParseSetting(s, *FindSettingKey("Balance.Data3"), "300"));
  EXPECT_EQ(s.Balance.Advanced.GetPoint(3), 255);
  ASSERT_TRUE(ParseSetting(s, *FindSettingKey("Balance.Data3"), "-4"));
  EXPECT_EQ(s.Balance.Advanced.GetPoint(3), 0);
  ASSERT_TRUE(ParseSetting(s, *FindSettingKey("Window.NoExif"), "42"));
  EXPECT_EQ(s.Window.Advanced.NoExifIndex(), 42);
}

TEST(StageSettings, ModeAndSwitchesCountOnlyAtOne) {
  Settings s;
  s.Balance.Enabled = 1;
  s.Balance.SimEnabled = 2;
  s.Mode.Advanced = 2;  // anything but 1 is Basic mode
  CurveStageSettings basic = BalanceSettingsOf(s);
  EXPECT_FALSE(basic.advanced);
  EXPECT_FALSE(basic.enabled);
  EXPECT_EQ(basic.curve, &s.Balance.Basic);

  s.Mode.Advanced = 1;
  CurveStageSettings adv = BalanceSettingsOf(s);
  EXPECT_TRUE(adv.enabled);
  EXPECT_EQ(adv.curve, &s.Balance.Advanced);

  s.Denoise.Enabled = 1;
  s.CleanSkin.Enabled = 1;
  DenoiseSettings d = DenoiseSettingsOf(s);
  EXPECT_TRUE(d.enabled && d.portrait);
  EXPECT_EQ(d.cleanSkin, &s.CleanSkin.Advanced);
  s.Mode.Advanced = 0;
  s.Denoise.SimEnabled = 1;
  s.CleanSkin.SimEnabled = 0;
  d = DenoiseSettingsOf(s);
  EXPECT_TRUE(d.enabled);
  EXPECT_FALSE(d.portrait);
  EXPECT_EQ(d.distance, &s.Distance.Basic);

  SharpenSettings sh = SharpenSettingsOf(s);
  EXPECT_EQ(sh.radius, nullptr);  // no radius curve in Basic mode
  s.HotPixels.Exclude = 1;
  EXPECT_EQ(HotPixelSettingsOf(s).exList, nullptr);  // Basic ignores the model list
}

}  // namespace
}  // namespace orv
