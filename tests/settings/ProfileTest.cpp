// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Profile.h"

#include <gtest/gtest.h>

#include "settings/SettingKeys.h"
#include "support/TempDir.h"

namespace orv {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// The written order of a profile's sections and keys.
const char* kWrittenOrder[][16] = {
    {"Mode", "Advanced"},
    {"Balance", "Data0", "Data1", "Data2", "Data3", "Data4", "Data5", "Data6", "Simple", "Enabled",
     "NoExif", "SimEnabled"},
    {"Midtones", "Data0", "Data1", "Simple", "Enabled", "NoExif", "SimEnabled"},
    {"ColorCast", "Data0", "Data1", "SimData", "Enabled", "SimEnabled", "NoExif"},
    {"Saturation", "Data0", "Data1", "SimData", "Enabled", "SimEnabled", "NoExif"},
    {"FilterSim", "Enabled", "FilterNo", "BW", "SimEnabled", "SimFilterNo", "SimBW"},
    {"Sharpen", "Data0", "Data1", "Data2", "SimData", "Enabled", "SimEnabled", "Type", "NoExif"},
    {"Radius", "Data0", "Data1", "Data2", "Data3", "Data4", "NoExif"},
    {"HotPixels", "Data0", "Data1", "Data2", "Data3", "Data4", "SimData", "Enabled", "SimEnabled",
     "BF", "NoExif", "ExList", "Exclude", "ExcludeType"},
    {"Window", "Data0", "Data1", "Data2", "Data3", "Data4", "NoExif"},
    {"Denoise", "Data0", "Data1", "Data2", "Data3", "Data4", "SimData", "Enabled", "SimEnabled",
     "NoExif"},
    {"Distance", "Data0", "Data1", "Data2", "Data3", "SimData", "NoExif"},
    {"CleanSkin", "Enabled", "SimEnabled", "NoExif", "Data0", "Data1", "SimData", "PinkTones",
     "SimPinkTones"},
    {"Files", "Recursive", "ExcludeORV", "RawJpegTwins"},
    {"Size", "Type", "Percent", "Width", "Height", "SaveOriginal", "KeepEXIF", "Filter"},
    {"Quality", "Type", "CQ", "MaxKB", "Subsampling", "MinQ"},
    {"Text", "Enabled", "String", "FontName", "FontSize", "Italic", "Underline", "Weight",
     "Placement", "BackType", "OffsetX", "OffsetY", "DateType", "TextColor", "BKColor"},
    {"sRGB", "Enabled", "Test"},
    {"Output", "Type", "Replace", "SimDir", "FileType", "DetailedLog", "MirrorFolders",
     "MirrorTree"},
};

TEST(Profile, SavesEveryKeyInTheWrittenOrder) {
  std::string expected;
  for (const auto& row : kWrittenOrder) {
    for (int i = 1; i < 16 && row[i]; ++i) expected += std::string(row[0]) + "." + row[i] + "\n";
  }
  std::string actual;
  for (const SettingKey& key : SettingKeys()) actual += QualifiedName(key) + "\n";
  EXPECT_EQ(actual, expected);
}

TEST(Profile, ShippedDefaultProfileIsWhatSaveWritesForTheDefaults) {
  TempDir dir;
  Settings s;
  s.ApplyKeyDefaults();
  ASSERT_TRUE(SaveProfile(s, dir / "d.orv"));
  EXPECT_EQ(ReadText(dir / "d.orv"), ReadText(ORV_SOURCE_DIR "/data/default.orv"));
}

TEST(Profile, OnlyModeGivesAdvancedAndKeyDefaultsElsewhere) {
  TempDir dir;
  WriteText(dir / "p.orv", "[Mode]\r\nAdvanced=1\r\n");
  Settings s;  // creation values differ from the defaults in many places
  ASSERT_TRUE(LoadProfile(s, dir / "p.orv"));
  Settings defaults;
  defaults.ApplyKeyDefaults();
  EXPECT_TRUE(s.IsAdvanced());
  for (const SettingKey& key : SettingKeys()) {
    if (key.section == "Mode") continue;
    EXPECT_EQ(FormatSetting(s, key), FormatSetting(defaults, key)) << QualifiedName(key);
  }
  EXPECT_EQ(s.Distance.Advanced.NoExifIndex(), 3);
  EXPECT_EQ(s.CleanSkin.Advanced.GetPoint(0), 50);
}

TEST(Profile, ValuesAreReadLeniently) {
  TempDir dir;
  WriteText(dir / "p.orv",
            "Advanced=1\n[Mode]\nadvanced=1\n[Balance]\nData3=300\nData4=-4\nData5=12abc\n"
            "[Quality]\nMaxKB=1.500000e+002\n[HotPixels]\nExList=dsc-f707,Coolpix\n"
            "[Text]\nString=\n");
  Settings s;
  ASSERT_TRUE(LoadProfile(s, dir / "p.orv"));
  EXPECT_FALSE(s.IsAdvanced());  // neither the empty section nor the wrong case counts
  EXPECT_EQ(s.Balance.Advanced.GetPoint(3), 255);
  EXPECT_EQ(s.Balance.Advanced.GetPoint(4), 0);
  EXPECT_EQ(s.Balance.Advanced.GetPoint(5), 12);
  EXPECT_DOUBLE_EQ(s.Quality.MaxKB, 150.0);
  EXPECT_EQ(s.HotPixels.ExList, "dsc-f707\r\nCoolpix");
  EXPECT_EQ(s.Text.String, "");  // present but empty: the text as stored

  ASSERT_TRUE(SaveProfile(s, dir / "again.orv"));
  EXPECT_NE(ReadText(dir / "again.orv").find("ExList=dsc-f707,Coolpix\r\n"), std::string::npos);
}

TEST(Profile, SaveAndLoadReproduceEveryField) {
  TempDir dir;
  Settings s;
  int n = 0;
  for (const SettingKey& key : SettingKeys()) {
    ++n;
    if (key.type == SettingType::Int) SetIntSetting(s, key, (n * 37) % 251);
    if (key.type == SettingType::Double) SetDoubleSetting(s, key, 123.456789);
    if (key.type == SettingType::Text) SetTextSetting(s, key, "t" + std::to_string(n));
  }
  s.HotPixels.ExList = "canon\r\nnikon d70";
  ASSERT_TRUE(SaveProfile(s, dir / "r.orv"));
  Settings back;
  ASSERT_TRUE(LoadProfile(back, dir / "r.orv"));
  for (const SettingKey& key : SettingKeys())
    EXPECT_EQ(FormatSetting(back, key), FormatSetting(s, key)) << QualifiedName(key);
}

TEST(Profile, ProfileOfAnEarlierVersionLoadsWithWholeTreeMirroringOff) {
  TempDir dir;
  std::string text = ReadText(ORV_SOURCE_DIR "/data/default.orv");
  const size_t at = text.find("MirrorTree=0\r\n");
  ASSERT_NE(at, std::string::npos);
  text.erase(at, 14);
  WriteText(dir / "old.orv", text);
  Settings s;
  s.Output.MirrorTree = 1;
  ASSERT_TRUE(LoadProfile(s, dir / "old.orv"));
  EXPECT_EQ(s.Output.MirrorTree, 0);
}

TEST(Profile, UnreadableProfileChangesNothing) {
  TempDir dir;
  Settings s;
  s.Size.Percent = 77;
  EXPECT_FALSE(LoadProfile(s, dir / "missing.orv"));
  EXPECT_EQ(s.Size.Percent, 77);
}

TEST(Profile, CameraListMatchingAndTitle) {
  EXPECT_TRUE(ExListMatches("dsc-f707\r\n  Coolpix ", "NIKON COOLPIX 5700"));
  EXPECT_TRUE(ExListMatches("x\r\nDSC-F707", "Sony DSC-F707"));
  EXPECT_FALSE(ExListMatches("\r\n  \r\n", "anything"));
  EXPECT_FALSE(ExListMatches("", "anything"));
  EXPECT_TRUE(ExListMatches("d70", "D7000 NIKON"));  // a fragment anywhere in the model
  EXPECT_FALSE(ExListMatches("d80", "NIKON D70"));
  std::string name = "portrait.orv";
  EXPECT_EQ(WindowTitle(name), "ORV Lumitra 2.0 - portrait.orv");
  MarkProfileModified(name);
  MarkProfileModified(name);
  EXPECT_EQ(name, "portrait.orv *");
  std::string none;
  MarkProfileModified(none);
  EXPECT_EQ(WindowTitle(none), "ORV Lumitra 2.0");
}

}  // namespace
}  // namespace orv
