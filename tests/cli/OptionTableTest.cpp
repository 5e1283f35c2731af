// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/FileList.h"
#include "cli/OptionTable.h"
#include "cli/ProgressLine.h"
#include "cli/SettingsOptions.h"
#include "settings/SettingKeys.h"
#include "support/RunOrv.h"

namespace orv {
namespace {

using cli::Option;
using cli::OptionDoc;
using cli::ValueKind;
using test::OrvResult;
using test::RunOrv;

struct Target {
  std::vector<std::string> seen;
};

bool Record(Target& t, const std::string& v, std::string&) {
  t.seen.push_back(v);
  return true;
}

const Option<Target> kTable[] = {
    {{"--jobs", "-j", "N", ValueKind::Free, "how many"}, Record},
    {{"--yes", "", "", ValueKind::Flag, "agree"}, Record},
    {{"--log", "", "FILE", ValueKind::File, "where\nthe log goes", "Output"}, Record},
};

bool Parse(std::vector<std::string> args, Target& t, std::vector<std::string>& operands,
           std::string& error) {
  return cli::ParseOptions<Target>(kTable, args, t, operands, error);
}

TEST(OptionTable, ParsesEverySpellingOfAnOption) {
  Target t;
  std::vector<std::string> operands;
  std::string error;
  ASSERT_TRUE(Parse({"-j", "2", "--jobs=3", "-j4", "-j=5", "a.jpg", "--yes", "--log", "-", "--",
                     "--yes"},
                    t, operands, error))
      << error;
  EXPECT_EQ(t.seen, (std::vector<std::string>{"2", "3", "4", "5", "", "-"}));
  EXPECT_EQ(operands, (std::vector<std::string>{"a.jpg", "--yes"}));

  struct Bad {
    std::vector<std::string> args;
    std::string message;
  } bad[] = {
      {{"--jobs"}, "--jobs needs a value"},
      {{"-j"}, "-j needs a value"},
      {{"--frob"}, "unknown option '--frob'"},
      {{"--yes=1"}, "unknown option '--yes=1'"},  // a flag takes no value
  };
  for (const Bad& b : bad) {
    Target other;
    operands.clear();
    error.clear();
    EXPECT_FALSE(Parse(b.args, other, operands, error));
    EXPECT_EQ(error, b.message);
  }
}

// The help, the usage line and the completion's list all come from the rows: a row added to a
// table shows up in each of them.
TEST(OptionTable, AnAddedRowAppearsInHelpAndCompletion) {
  std::vector<const OptionDoc*> docs = cli::DocsOf<Target>(kTable);
  OptionDoc added{"--frobnicate", "-f", "LEVEL", ValueKind::Folder, "a new option"};
  docs.push_back(&added);
  std::string help = cli::FormatHelp({"run", "[PATH...]", "", ""}, docs);
  EXPECT_NE(help.find("[--frobnicate LEVEL]"), std::string::npos) << help;
  EXPECT_NE(help.find("  --frobnicate LEVEL, -f LEVEL\n                      a new option\n"),
            std::string::npos)
      << help;
  EXPECT_NE(help.find("\nOutput:\n  --log FILE          where\n                      the log goes\n"),
            std::string::npos)
      << help;
  EXPECT_NE(cli::FormatOptionList(docs).find("--frobnicate\t-f\tfolder\n"), std::string::npos);
  for (const std::string& line : {std::string("--jobs\t-j\tvalue"), std::string("--yes\t-\tflag")})
    EXPECT_NE(cli::FormatOptionList(docs).find(line), std::string::npos);
}

// The real tables: every option of every command is in its --help, in --help-all (which the
// manual page is made from), in --list-options, and offered by the bash completion.
TEST(OptionTable, EveryCommandsOptionsReachHelpManualAndCompletion) {
  OrvResult all = RunOrv({"--help-all"});
  ASSERT_EQ(all.status, 0);
  for (const cli::Command& c : cli::CommandTable()) {
    std::string name(c.name);
    OrvResult help = RunOrv({name, "--help"});
    OrvResult list = RunOrv({"--list-options", name});
    ASSERT_EQ(list.status, 0) << name;
    OrvResult completion = test::RunCaptured(
        "source " ORV_SOURCE_DIR "/packaging/orv.bash-completion; COMP_WORDS=(orv " + name +
        " --); COMP_CWORD=2; _orv " ORV_BINARY_DIR "/orv; printf '%s\\n' \"${COMPREPLY[@]}\"");
    for (const OptionDoc* d : c.options()) {
      std::string option(d->name);
      EXPECT_NE(help.out.find("  " + option), std::string::npos) << name << " " << option;
      EXPECT_NE(all.out.find("    " + option), std::string::npos) << name << " " << option;
      EXPECT_NE(list.out.find(option + "\t"), std::string::npos) << name << " " << option;
      EXPECT_NE(completion.out.find(option + "\n"), std::string::npos) << name << " " << option;
    }
  }
  EXPECT_EQ(RunOrv({"--list-options", "nonesuch"}).status, 2);
}

TEST(ProgressLine, FitsEveryWidthAndCutsNamesInTheMiddle) {
  cli::ProgressFields f;
  f.finished = 3;
  f.total = 120;
  f.percent = "42%";
  f.elapsed = "1:02:03";
  f.left = "12:34";
  f.work = "IMG_20240601_101010_with_a_long_name.jpg, IMG_20240601_101011.jpg, DSC_0001.jpg";
  for (int columns : {20, 40, 60, 80, 100, 200}) {
    std::string line = cli::FitProgressLine(f, columns);
    EXPECT_LE(cli::DisplayWidth(line), size_t(columns - 1)) << columns << ": " << line;
    EXPECT_EQ(line.find(",..."), std::string::npos) << line;  // no stray comma at the cut
    EXPECT_EQ(line.find("..., "), std::string::npos) << line;
    EXPECT_NE(line.find("3/120"), std::string::npos) << line;
    if (line.find("elapsed") != std::string::npos) {
      EXPECT_NE(line.find("about 12:34 left"), std::string::npos) << line;  // a field stays whole
    }
  }
  std::string wide = cli::FitProgressLine(f, 200);
  EXPECT_NE(wide.find("[....................] 3/120  42%  elapsed 1:02:03, about 12:34 left  "
                      "IMG_20240601_101010_with_a_long_name.jpg"),
            std::string::npos)
      << wide;
  std::string narrow = cli::FitProgressLine(f, 80);
  EXPECT_EQ(narrow.substr(narrow.size() - 8), "0001.jpg") << narrow;  // the end is kept
  EXPECT_NE(narrow.find("IMG_2024"), std::string::npos) << narrow;
  // A name of many-byte letters is counted in letters; a control byte is shown escaped.
  EXPECT_EQ(cli::CutInMiddle("ÄÖÜäöüßÄÖÜäöüß", 9), "ÄÖÜ...öüß");
  f.work = "a\x1b[2Jb.jpg";
  EXPECT_NE(cli::FitProgressLine(f, 120).find("a\\e[2Jb.jpg"), std::string::npos);
}

TEST(FileList, ReadsInPiecesDropsCrAndRefusesWhatNoNameCanBe) {
  std::vector<std::pair<std::string, size_t>> got;
  auto keep = [&](std::string&& e, size_t line) {
    got.emplace_back(std::move(e), line);
    return true;
  };
  cli::FileListSplitter lines(false);
  std::string error;
  ASSERT_TRUE(lines.Feed("a.jpg\r\nb", keep, error));
  ASSERT_TRUE(lines.Feed("c.jpg\n\nlast.png", keep, error));
  ASSERT_TRUE(lines.Finish(keep, error));
  EXPECT_EQ(got, (std::vector<std::pair<std::string, size_t>>{
                     {"a.jpg", 1}, {"bc.jpg", 2}, {"last.png", 4}}));

  cli::FileListSplitter longLine(false);
  std::string chunk(1000, 'x');
  bool ok = longLine.Feed("ok.jpg\n", keep, error);
  for (int i = 0; ok && i < 10; ++i) ok = longLine.Feed(chunk, keep, error);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("line 2 is longer than PATH_MAX"), std::string::npos) << error;

  cli::FileListSplitter nul(false);
  error.clear();
  EXPECT_FALSE(nul.Feed(std::string("x\0y.jpg\n", 8), keep, error));
  EXPECT_NE(error.find("line 1 holds a NUL byte"), std::string::npos) << error;

  // Endless separators (a device of zeros with --null) are no list.
  cli::FileListSplitter zeros(true);
  error.clear();
  std::string block(65536, '\0');
  ok = true;
  for (int i = 0; ok && i < 64; ++i) ok = zeros.Feed(block, keep, error);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("empty entries"), std::string::npos) << error;
}

TEST(SetOption, SuggestsTheNearestNamesAndRefusesChoicesNoPageOffers) {
  EXPECT_EQ(cli::NearestSettingNames("Size.Widht"), std::vector<std::string>{"Size.Width"});
  EXPECT_EQ(cli::NearestSettingNames("size.percent"), std::vector<std::string>{"Size.Percent"});
  EXPECT_TRUE(cli::NearestSettingNames("Completely.Different").empty());
  Settings s;
  std::string error;
  EXPECT_FALSE(cli::ApplySetAssignment(s, "Quality.MaxBK=5", error));
  EXPECT_NE(error.find("did you mean Quality.MaxKB?"), std::string::npos) << error;
  EXPECT_NE(error.find("--list-keys"), std::string::npos) << error;
  for (const char* refused : {"Output.FileType=9", "Size.Type=7", "Quality.Type=-1",
                              "Text.Placement=6", "Text.BackType=4", "Size.Filter=2"}) {
    error.clear();
    EXPECT_FALSE(cli::ApplySetAssignment(s, refused, error)) << refused;
    EXPECT_NE(error.find("must be in 0.."), std::string::npos) << error;
  }
  for (const char* accepted : {"Output.FileType=3", "Size.Type=2", "Text.DateType=4"})
    EXPECT_TRUE(cli::ApplySetAssignment(s, accepted, error)) << accepted << ": " << error;
}

// A switch's page offers on and off only; any other number was taken silently and then counted
// as off by the stages (which want exactly 1), so `--set Sharpen.Enabled=5` turned sharpening off.
TEST(SetAssignment, SwitchesTakeOnlyOnOrOff) {
  Settings s;
  std::string error;
  for (const char* refused : {"Sharpen.Enabled=5", "Mode.Advanced=2", "Files.Recursive=-1",
                              "Output.MirrorTree=10", "sRGB.Test=2", "Size.KeepEXIF=2"}) {
    error.clear();
    EXPECT_FALSE(cli::ApplySetAssignment(s, refused, error)) << refused;
    EXPECT_NE(error.find("is a switch: 1 (on) or 0 (off)"), std::string::npos) << error;
  }
  for (const char* accepted : {"Sharpen.Enabled=0", "Mode.Advanced=1", "Output.Replace=0",
                               "Quality.Subsampling=1", "Text.FontSize=40", "Text.Weight=700"})
    EXPECT_TRUE(cli::ApplySetAssignment(s, accepted, error)) << accepted << ": " << error;
  EXPECT_EQ(s.Mode.Advanced, 1);
  EXPECT_EQ(s.Sharpen.Enabled, 0);
  // Every stage switch is marked, so a key added later without the mark is caught here.
  for (const SettingKey& key : SettingKeys()) {
    if (key.key.ends_with("Enabled")) {
      EXPECT_TRUE(key.onOff) << QualifiedName(key);
    }
    if (key.type != SettingType::Int) {
      EXPECT_FALSE(key.onOff) << QualifiedName(key);
    }
  }
}

}  // namespace
}  // namespace orv
