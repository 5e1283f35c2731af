// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs of `orv` over the committed samples with a dozen setting sets, every output and the
// log (time stamps and the temporary folder taken out) compared by MD5 with the committed table
// tests/golden/outputs.md5. Any change of an output byte, an output name or a log line shows
// here; a commit that changes the table says why. ORV_GOLDEN_UPDATE=1 writes the table anew.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "support/RunOrv.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const char kTablePath[] = ORV_SOURCE_DIR "/tests/golden/outputs.md5";

struct SettingSet {
  const char* name;
  std::vector<std::string> args;  // after `run --defaults --set Output.DetailedLog=1`
};

std::vector<SettingSet> SettingSets(const std::string& blackFrame) {
  return {
      {"basic", {}},
      {"basic-two-workers", {"--jobs", "2"}},
      {"advanced", {"--set", "Mode.Advanced=1"}},
      {"png", {"--set", "Output.FileType=2"}},
      {"advanced-bmp", {"--set", "Mode.Advanced=1", "--set", "Output.FileType=3"}},
      {"jpeg-q75-subsampled",
       {"--set", "Output.FileType=1", "--set", "Quality.CQ=75", "--set", "Quality.Subsampling=0",
        "--set", "Size.KeepEXIF=0"}},
      {"resize-bilinear", {"--set", "Size.Type=1", "--set", "Size.Percent=50", "--set",
                           "Size.Filter=0"}},
      {"resize-lanczos-unsharp",
       {"--set", "Mode.Advanced=1", "--set", "Size.Type=2", "--set", "Size.Width=120", "--set",
        "Size.Height=90", "--set", "Size.Filter=1", "--set", "Sharpen.Type=1"}},
      {"size-limit", {"--yes", "--set", "Quality.Type=1", "--set", "Quality.MaxKB=9"}},
      {"size-of-source", {"--set", "Quality.Type=2", "--set", "Quality.MinQ=30"}},
      {"stamp", {"--set", "Text.Enabled=1", "--set", "Text.Placement=2", "--set",
                 "Text.DateType=1"}},
      {"black-frame-hot-pixels-denoise",
       {"--black-frame", blackFrame, "--set", "Mode.Advanced=1", "--set", "HotPixels.BF=1",
        "--set", "Denoise.Enabled=1", "--set", "CleanSkin.Enabled=1"}},
      {"colour-matching-filter",
       {"--set", "sRGB.Test=1", "--set", "FilterSim.Enabled=1", "--set", "FilterSim.FilterNo=3",
        "--set", "Output.FileType=2"}},
  };
}

std::string Md5(const std::string& path) {
  std::string cmd = "md5sum " + test::ShellQuote(path);
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[128];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  return out.substr(0, out.find(' '));
}

// The log without what differs between two runs of the same photos: times, dates and the
// temporary folder the photos were in.
std::string StableLog(std::string log, const std::string& folder) {
  for (size_t at = log.find(folder); at != std::string::npos; at = log.find(folder, at))
    log.replace(at, folder.size(), "$IN");
  static const std::regex date(R"(\d\d::\d\d::\d\d  \w+, \w+ \d\d, \d{4})");
  static const std::regex time(R"(\d\d::\d\d::\d\d )");
  return std::regex_replace(std::regex_replace(log, date, "$DATE"), time, "$TIME ");
}

// A picture without EXIF (so the black frame applies as to a long exposure), with a few hot
// pixels, and the dark frame of the same size that holds them.
void WriteBlackFrameInputs(const std::string& photo, const std::string& frame) {
  Image picture = test::GradientImage(180, 135);
  Image dark;
  ASSERT_TRUE(dark.Allocate(180, 135));
  std::fill(dark.pixels(), dark.pixels() + dark.byteSize(), uint8_t(3));
  for (int i = 0; i < 12; ++i) {
    size_t at = (size_t((i * 37) % 135) * 180 + size_t((i * 53) % 180)) * 3;
    for (int c = 0; c < 3; ++c) {
      picture.pixels()[at + size_t(c)] = 250;
      dark.pixels()[at + size_t(c)] = uint8_t(200 + i);
    }
  }
  ASSERT_TRUE(test::WritePicture(photo, picture, kFormatBmp));
  ASSERT_TRUE(test::WritePicture(frame, dark, kFormatBmp));
}

using Table = std::map<std::string, std::string>;  // "set<TAB>file" -> md5

Table ReadTable() {
  Table table;
  std::istringstream in(test::ReadText(kTablePath));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.rfind('\t');
    if (tab != std::string::npos) table[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return table;
}

void WriteTable(const Table& table) {
  std::string text =
      "# MD5 of every output and of the log (times and folder taken out) of the golden runs.\n"
      "# set<TAB>file<TAB>md5; written by ORV_GOLDEN_UPDATE=1 orv_tests --gtest_filter=Golden*\n";
  for (const auto& [key, md5] : table) text += key + "\t" + md5 + "\n";
  test::WriteText(kTablePath, text);
}

TEST(Golden, EveryOutputAndLogMatchesTheCommittedTable) {
  TempDir work;
  const std::string frame = work / "dark.bmp";
  WriteBlackFrameInputs(work / "no-exif.bmp", frame);
  Table got;
  for (const SettingSet& set : SettingSets(frame)) {
    SCOPED_TRACE(set.name);
    test::AppFolder app;
    const std::string in = work / set.name;
    fs::create_directory(in);
    for (const fs::directory_entry& e : fs::directory_iterator(ORV_SOURCE_DIR "/samples"))
      if (e.path().extension() == ".jpg") fs::copy_file(e.path(), in + "/" + e.path().filename().string());
    fs::copy_file(work / "no-exif.bmp", in + "/no-exif.bmp");
    std::vector<std::string> args{"--home", app.path(), "run", "--defaults", "--quiet",
                                  "--set", "Output.DetailedLog=1", "--log", app / "log.html"};
    args.insert(args.end(), set.args.begin(), set.args.end());
    args.push_back(in);
    test::OrvResult r = test::RunOrv(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> outputs;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(in + "/ORV"))
      if (e.is_regular_file()) outputs.push_back(fs::relative(e.path(), in).string());
    ASSERT_EQ(outputs.size(), 7u);  // six photos and the folder's marker
    for (const std::string& out : outputs) got[std::string(set.name) + "\t" + out] = Md5(in + "/" + out);
    test::WriteText(work / "log.stable", StableLog(test::ReadText(app / "log.html"), in));
    got[std::string(set.name) + "\tlog"] = Md5(work / "log.stable");
  }
  if (std::getenv("ORV_GOLDEN_UPDATE")) {
    WriteTable(got);
    GTEST_SKIP() << "wrote " << kTablePath;
  }
  const Table want = ReadTable();
  ASSERT_FALSE(want.empty()) << "no table at " << kTablePath;
  for (const auto& [key, md5] : want) {
    auto it = got.find(key);
    if (it == got.end())
      ADD_FAILURE() << "missing output: " << key;
    else
      EXPECT_EQ(it->second, md5) << "changed: " << key;
  }
  for (const auto& [key, md5] : got)
    if (!want.count(key)) ADD_FAILURE() << "new output: " << key;
}

}  // namespace
}  // namespace orv
