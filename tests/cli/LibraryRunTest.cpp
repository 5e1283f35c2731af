// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv run` over libraries: file lists, dry runs, shards, reports, resuming after a kill, and
// several processes writing into one output folder. Every command runs under a time limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "cli/FileList.h"
#include "imageio/ImageFile.h"
#include "support/RunOrv.h"
#include "support/TestPictures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::OrvResult;
using test::ReadText;
using test::ShellQuote;
using test::TempDir;
using test::WriteText;

const std::string kOrv = ShellQuote(ORV_BINARY_DIR "/orv");

// Runs a shell script (in `folder`) under a time limit, capturing status and output.
OrvResult Shell(const std::string& folder, const std::string& script, int seconds = 120) {
  return test::RunCaptured("cd " + ShellQuote(folder) + " && timeout -k 5 " +
                           std::to_string(seconds) + " sh -c " + ShellQuote(script));
}

// Every file and folder below root, with each file's bytes.
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(root)) return tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    tree[rel] = e.is_directory() ? "<folder>" : ReadText(e.path().string());
  }
  return tree;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = cli::SplitFileList(text, false);
  return lines;
}

// The value of a string or number field of a report line ("null" for null).
std::string Field(const std::string& line, const std::string& name) {
  std::smatch m;
  std::regex re("\"" + name + "\":(\"((?:[^\"\\\\]|\\\\.)*)\"|[^,}]*)");
  if (!std::regex_search(line, m, re)) return "<missing>";
  return m[2].matched ? m[2].str() : m[1].str();
}

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

bool Decodes(const std::string& path) {
  CImageFile f;
  return f.Load(path.c_str()) == 0;
}

struct LibraryRun : ::testing::Test {
  TempDir root;
  std::string app = root / "app";
  LibraryRun() {
    fs::create_directories(app);
    test::WriteDefaultProfile(app);
  }
  void Photo(const std::string& rel, int w = 48, int h = 32, ImageFormat f = kFormatJpeg) {
    fs::create_directories(fs::path(root / rel).parent_path());
    ASSERT_TRUE(test::WritePicture(root / rel, w, h, f));
  }
  // `orv --home APP run --defaults` with the output settings of a separate tree.
  std::string Orv(const std::string& outFolder, bool mirror = true) const {
    return kOrv + " --home " + ShellQuote(app) +
           " run --quiet --defaults --set Output.Replace=0 --set Output.FileType=1 --set "
           "Output.Type=1 --set Output.SimDir=" +
           ShellQuote(outFolder) + " --set Output.MirrorFolders=" + (mirror ? "1" : "0");
  }
};

TEST(FileList, SplitsLinesOrNulSeparatedNamesAndDropsEmptyEntries) {
  EXPECT_EQ(cli::SplitFileList("a.jpg\n\nb c.jpg\nlast.png", false),
            (std::vector<std::string>{"a.jpg", "b c.jpg", "last.png"}));
  EXPECT_EQ(cli::SplitFileList(std::string("odd\nname.jpg\0b.jpg\0", 19), true),
            (std::vector<std::string>{"odd\nname.jpg", "b.jpg"}));
  EXPECT_TRUE(cli::SplitFileList("", false).empty());
}

TEST_F(LibraryRun, FileListsCombineWithPathsAndShardsSplitTheQueue) {
  for (const char* p : {"lib/2020/a.jpg", "lib/2020/b.jpg", "lib/2021/c.jpg", "lib/2021/d.jpg",
                        "lib/2022/e.jpg", "lib/2022/f.jpg", "lib/2022/g.jpg", "lib/x y.jpg"})
    Photo(p);
  std::string out = root / "out";
  // A list on standard input (NUL-separated) plus a folder argument, relative to the list's
  // folder.
  OrvResult all = Shell(root / "lib",
                        "printf '2020/a.jpg\\0./x y.jpg\\0' | " + Orv(out) +
                            " --dry-run --files-from - --null 2022");
  ASSERT_EQ(all.status, 0) << all.err;
  std::vector<std::string> lines = Lines(all.out);
  ASSERT_EQ(lines.size(), 5u) << all.out;
  EXPECT_EQ(lines[0], root / "lib/2022/e.jpg\t" + out + "/2022/e_ORV.jpg");
  EXPECT_EQ(lines[3], root / "lib/2020/a.jpg\t" + out + "/2020/a_ORV.jpg");
  EXPECT_EQ(lines[4], root / "lib/x y.jpg\t" + out + "/lib/x y_ORV.jpg");

  // A list file naming folders, with an empty line; the two shards of it split it.
  WriteText(root / "list.txt", "lib/2020\n\nlib/2021\nlib/2022\n");
  std::string listed = Orv(out) + " --dry-run --files-from list.txt";
  OrvResult whole = Shell(root.path(), listed);
  ASSERT_EQ(whole.status, 0) << whole.err;
  ASSERT_EQ(Lines(whole.out).size(), 7u);
  std::string unset = "env -u SLURM_ARRAY_TASK_ID -u AWS_BATCH_JOB_ARRAY_INDEX ";
  OrvResult first = Shell(root.path(), unset + "JOB_COMPLETION_INDEX=0 ORV_SHARD_COUNT=2 " +
                                           listed + " --shard auto");
  OrvResult second = Shell(root.path(), listed + " --shard 2/2");
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(Shell(root.path(), listed + " --shard 1/2").out, first.out);
  std::multiset<std::string> joined;
  for (const std::string& l : Lines(first.out)) joined.insert(l);
  for (const std::string& l : Lines(second.out)) joined.insert(l);
  std::vector<std::string> expected = Lines(whole.out);
  EXPECT_EQ(joined, std::multiset<std::string>(expected.begin(), expected.end()));
  EXPECT_FALSE(Lines(first.out).empty());
  EXPECT_FALSE(Lines(second.out).empty());

  // Usage errors.
  OrvResult noIndex = Shell(root.path(), unset + "-u JOB_COMPLETION_INDEX " + listed +
                                             " --shard auto");
  EXPECT_EQ(noIndex.status, 2);
  EXPECT_NE(noIndex.err.find("SLURM_ARRAY_TASK_ID"), std::string::npos) << noIndex.err;
  EXPECT_NE(noIndex.err.find("ORV_SHARD_COUNT"), std::string::npos);
  EXPECT_EQ(Shell(root.path(), listed + " --shard 3/2").status, 2);
  EXPECT_EQ(Shell(root.path(), Orv(out) + " --null lib").status, 2);
  EXPECT_EQ(Shell(root.path(), Orv(out) + " --dry-run --report r.jsonl lib").status, 2);
  EXPECT_EQ(Shell(root.path(), Orv(out) + " --files-from missing.txt").status, 2);
  OrvResult empty = Shell(root.path(), Orv(out) + " --dry-run --files-from /dev/null");
  EXPECT_EQ(empty.status, 2);
  EXPECT_NE(empty.err.find("No files to porcess"), std::string::npos);
}

TEST_F(LibraryRun, ADryRunWritesNothingAndNamesWhatTheRunThenWrites) {
  Photo("lib/x/a.jpg");
  Photo("lib/x/a.png", 40, 30, kFormatPng);  // the same output name as a.jpg: numbered
  Photo("lib/y/b.jpg");
  Photo("lib/y/c.bmp", 30, 20, kFormatBmp);
  fs::create_directories(root / "out/y");
  WriteText(root / "out/y/b_ORV.jpg", "an earlier output");
  std::string out = root / "out";
  std::string userDirs = "HOME=" + ShellQuote(root / "home") + " XDG_CONFIG_HOME=" +
                         ShellQuote(root / "config") + " XDG_DATA_HOME=" +
                         ShellQuote(root / "data") + " ";
  std::map<std::string, std::string> before = Tree(root.path());
  OrvResult dry = Shell(root.path(), userDirs + Orv(out) + " --dry-run lib");
  ASSERT_EQ(dry.status, 0) << dry.err;
  // Without --home, an app folder that does not exist yet is not made either.
  OrvResult fresh = Shell(root.path(), userDirs + "ORV_HOME=" + ShellQuote(root / "newapp") +
                                           " " + kOrv + " run --dry-run lib/x");
  ASSERT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_EQ(Tree(root.path()), before);

  std::vector<std::string> planned = Lines(dry.out);
  ASSERT_EQ(planned.size(), 4u);
  EXPECT_EQ(planned[1], root / "lib/x/a.png\t" + out + "/x/a1_ORV.jpg");
  EXPECT_EQ(planned[2], root / "lib/y/b.jpg\t" + out + "/y/b1_ORV.jpg");

  OrvResult run = Shell(root.path(), Orv(out) + " --report r.jsonl lib");
  ASSERT_EQ(run.status, 0) << run.err;
  std::string report = ReadText(root / "r.jsonl");
  if (HaveTool("jq")) {
    EXPECT_EQ(Shell(root.path(), "jq -e -s 'length == 4' r.jsonl").status, 0) << report;
  }
  std::vector<std::string> done;
  for (const std::string& line : Lines(report)) {
    EXPECT_EQ(Field(line, "status"), "saved") << line;
    EXPECT_EQ(Field(line, "error"), "null");
    EXPECT_EQ(Field(line, "version"), ORV_VERSION);
    EXPECT_NE(Field(line, "quality"), "null");  // every output is a JPEG here
    std::string output = Field(line, "output");
    ASSERT_TRUE(fs::exists(output)) << line;
    EXPECT_EQ(Field(line, "bytes"), std::to_string(fs::file_size(output)));
    EXPECT_TRUE(Decodes(output));
    done.push_back(Field(line, "source") + "\t" + output);
  }
  EXPECT_EQ(done, planned);
  EXPECT_EQ(ReadText(root / "out/y/b_ORV.jpg"), "an earlier output");

  // A failure is reported with the log's text, and the exit status says so.
  WriteText(root / "lib/y/d.jpg", "\xff\xd8\xff not a picture");
  OrvResult partial = Shell(root.path(), Orv(root / "out2") + " --report - lib/y");
  EXPECT_EQ(partial.status, 1);
  std::vector<std::string> lines = Lines(partial.out);
  ASSERT_EQ(lines.size(), 3u) << partial.out;
  EXPECT_EQ(Field(lines[2], "status"), "failed");
  EXPECT_EQ(Field(lines[2], "output"), "null");
  EXPECT_EQ(Field(lines[2], "error").rfind("Can't load: " + root / "lib/y/d.jpg", 0), 0u)
      << lines[2];
}

TEST_F(LibraryRun, AKilledRunResumedWithSkipExistingEndsWithEveryOutputOnce) {
  const int count = 24;
  for (int i = 0; i < count; ++i) Photo("lib/p" + std::to_string(10 + i) + ".jpg", 320, 240);
  std::string out = root / "out";
  // The quality search encodes each photo several times, so the kill lands mid-run: it comes
  // within a few milliseconds of the first report line, while 23 photos remain. (Waiting for
  // three lines in steps of 50 ms let a fast machine finish all 24 first.)
  std::string run = Orv(out) + " --set Quality.Type=2 lib";
  OrvResult killed = Shell(root.path(), run + " --report r1.jsonl & pid=$!\n"
                                              "i=0; while [ $i -lt 6000 ]; do\n"
                                              "  [ -s r1.jsonl ] && break\n"
                                              "  sleep 0.005; i=$((i+1)); done\n"
                                              "kill -9 $pid; wait $pid; echo $?");
  EXPECT_EQ(killed.out, "137\n") << "the run ended before it could be killed";
  // The report of the killed run is whole up to its last line.
  for (const std::string& line : Lines(ReadText(root / "r1.jsonl")))
    EXPECT_EQ(Field(line, "status"), "saved") << line;
  size_t finished = 0;
  for (const auto& e : fs::directory_iterator(out + "/lib")) {
    const std::string name = e.path().filename().string();
    // A save the kill cut short leaves a temporary (p10_ORV.jpg.orvtmp.X), not an output.
    finished += name.find("_ORV.jpg") != std::string::npos &&
                name.find(".orvtmp") == std::string::npos;
  }

  OrvResult resumed = Shell(root.path(), run + " --skip-existing --report r2.jsonl");
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  std::set<std::string> expected, present;
  for (int i = 0; i < count; ++i) expected.insert("p" + std::to_string(10 + i) + "_ORV.jpg");
  for (const auto& e : fs::directory_iterator(out + "/lib")) {
    std::string name = e.path().filename().string();
    // The killed run's unfinished temporary stays until a run starts a second later; it is
    // never under an output's name.
    if (name.find("_ORV") == std::string::npos || name.find(".orvtmp") != std::string::npos)
      continue;
    present.insert(name);
    EXPECT_TRUE(Decodes(e.path().string())) << name;
  }
  EXPECT_EQ(present, expected);  // each once, none numbered
  size_t skipped = 0;
  for (const std::string& line : Lines(ReadText(root / "r2.jsonl")))
    skipped += Field(line, "status") == "skipped";
  EXPECT_EQ(skipped, finished);
}

TEST_F(LibraryRun, TwoShardsUnderGnuParallelWriteExactlyWhatOneRunWrites) {
  if (!HaveTool("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
  for (int i = 0; i < 8; ++i) {
    Photo("lib/x/p" + std::to_string(i) + ".jpg", 40 + i, 30);
    Photo("lib/y/q" + std::to_string(i) + ".png", 30, 20 + i, kFormatPng);
  }
  OrvResult one = Shell(root.path(), Orv(root / "one") + " lib");
  ASSERT_EQ(one.status, 0) << one.err;
  OrvResult two = Shell(root.path(), "parallel --will-cite -j2 " + Orv(root / "two") +
                                         " --shard {}/2 --report r{}.jsonl --log log{}.html lib"
                                         " ::: 1 2");
  ASSERT_EQ(two.status, 0) << two.err;
  size_t first = Lines(ReadText(root / "r1.jsonl")).size();
  size_t second = Lines(ReadText(root / "r2.jsonl")).size();
  EXPECT_GT(first, 0u);
  EXPECT_GT(second, 0u);
  EXPECT_EQ(first + second, 16u);
  std::map<std::string, std::string> a = Tree(root / "one"), b = Tree(root / "two");
  EXPECT_EQ(a.size(), 2u + 2u + 16u);  // two folders, their markers, the outputs
  EXPECT_TRUE(a == b) << "the sharded outputs differ from the unsharded run's";
}

TEST_F(LibraryRun, TwoProcessesPuttingSameNamedPhotosIntoOneFlatFolderLoseNone) {
  const int count = 20;
  for (int i = 0; i < count; ++i) {
    Photo("d1/p" + std::to_string(10 + i) + ".jpg", 40, 30);
    Photo("d2/p" + std::to_string(10 + i) + ".jpg", 36, 28);
  }
  std::string flat = root / "flat";
  OrvResult r = Shell(root.path(), Orv(flat, false) + " --report r1.jsonl d1 & a=$!\n" +
                                       Orv(flat, false) + " --report r2.jsonl d2 & b=$!\n"
                                       "wait $a && wait $b");
  ASSERT_EQ(r.status, 0) << r.err;
  std::set<std::string> outputs;
  for (const char* report : {"r1.jsonl", "r2.jsonl"})
    for (const std::string& line : Lines(ReadText(root / report))) {
      EXPECT_EQ(Field(line, "status"), "saved");
      outputs.insert(Field(line, "output"));
    }
  EXPECT_EQ(outputs.size(), size_t(2 * count));  // no two photos got the same name
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(flat)) {
    std::string name = e.path().filename().string();
    if (name == "orvoutput.dir") continue;
    ++files;
    EXPECT_TRUE(outputs.count(e.path().string())) << name;  // no stray temporary file
    EXPECT_TRUE(Decodes(e.path().string())) << name;
  }
  EXPECT_EQ(files, size_t(2 * count));
}

TEST_F(LibraryRun, DatedLibraryLosesNoPhotoToASharedFolderName) {
  for (const char* p : {"lib/2021/01/x.jpg", "lib/2022/01/x.jpg", "lib/2022/02/y.jpg"}) Photo(p);
  const std::string out = root / "out";
  // One-level mirror with Replace=1: the second x takes the next number, with a red line that
  // names both sources, in a plain run and under --skip-existing alike.
  for (const char* extra : {"", " --skip-existing", " --jobs 2"}) {
    fs::remove_all(out);
    const std::string log = root / "log.html";
    OrvResult r = Shell(root.path(), Orv(out) + " --set Output.Replace=1 --log " +
                                         ShellQuote(log) + extra + " lib");
    ASSERT_EQ(r.status, 0) << extra << r.err;
    EXPECT_TRUE(fs::exists(out + "/01/x_ORV.jpg")) << extra;
    EXPECT_TRUE(fs::exists(out + "/01/x1_ORV.jpg")) << extra;
    EXPECT_TRUE(fs::exists(out + "/02/y_ORV.jpg")) << extra;
    const std::string text = ReadText(log);
    EXPECT_NE(text.find("was written in this run for " + (root / "lib/2021/01/x.jpg")),
              std::string::npos)
        << extra;
    EXPECT_NE(text.find(root / "lib/2022/01/x.jpg"), std::string::npos) << extra;
  }
  // The dry run names them as the run does.
  fs::remove_all(out);
  OrvResult dry =
      Shell(root.path(), Orv(out) + " --set Output.Replace=1 --dry-run lib");
  ASSERT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(Lines(dry.out),
            (std::vector<std::string>{root / "lib/2021/01/x.jpg\t" + out + "/01/x_ORV.jpg",
                                      root / "lib/2022/01/x.jpg\t" + out + "/01/x1_ORV.jpg",
                                      root / "lib/2022/02/y.jpg\t" + out + "/02/y_ORV.jpg"}));

  // The whole tree keeps them apart; dry run and run agree, and --base roots listed files.
  fs::remove_all(out);
  OrvResult treeDry = Shell(root.path(), Orv(out) + " --mirror-tree --dry-run lib");
  ASSERT_EQ(treeDry.status, 0) << treeDry.err;
  EXPECT_EQ(Lines(treeDry.out),
            (std::vector<std::string>{root / "lib/2021/01/x.jpg\t" + out + "/2021/01/x_ORV.jpg",
                                      root / "lib/2022/01/x.jpg\t" + out + "/2022/01/x_ORV.jpg",
                                      root / "lib/2022/02/y.jpg\t" + out + "/2022/02/y_ORV.jpg"}));
  ASSERT_EQ(Shell(root.path(), Orv(out) + " --mirror-tree lib").status, 0);
  EXPECT_TRUE(fs::exists(out + "/2021/01/x_ORV.jpg"));
  EXPECT_TRUE(fs::exists(out + "/2022/01/x_ORV.jpg"));
  EXPECT_TRUE(fs::exists(out + "/2022/02/y_ORV.jpg"));
  OrvResult skip = Shell(root.path(), Orv(out) + " --mirror-tree --skip-existing --dry-run lib");
  ASSERT_EQ(skip.status, 0) << skip.err;
  for (const std::string& line : Lines(skip.out))
    EXPECT_NE(line.find("\tskipped"), std::string::npos) << line;
  // The profile key does the same as the option.
  OrvResult key =
      Shell(root.path(), Orv(out) + " --set Output.MirrorTree=1 --skip-existing --dry-run lib");
  EXPECT_EQ(key.out, skip.out);
  fs::remove_all(out);
  OrvResult listed = Shell(root.path(), "printf 'lib/2021/01/x.jpg\\n' | " + Orv(out) +
                                            " --mirror-tree --base lib --dry-run --files-from -");
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(Lines(listed.out), (std::vector<std::string>{root / "lib/2021/01/x.jpg\t" + out +
                                                         "/2021/01/x_ORV.jpg"}));
  // A listed file under no root, --base without --mirror-tree, and no output folder are refused.
  OrvResult unrooted = Shell(root.path(), "printf 'lib/2021/01/x.jpg\\n' | " + Orv(out) +
                                              " --mirror-tree --dry-run --files-from -");
  EXPECT_EQ(unrooted.status, 2);
  EXPECT_NE(unrooted.err.find("--base"), std::string::npos) << unrooted.err;
  EXPECT_EQ(Shell(root.path(), Orv(out) + " --base lib --dry-run lib").status, 2);
  EXPECT_EQ(Shell(root.path(), Orv(out) + " --set Output.Type=0 --mirror-tree --dry-run lib").status,
            2);
}

TEST_F(LibraryRun, AnEmptyShardOfALibrarySucceeds) {
  Photo("lib/a.jpg");
  const std::string out = root / "out";
  int empty = 0;
  for (int k = 1; k <= 4; ++k) {
    const std::string shard = " --shard " + std::to_string(k) + "/4";
    OrvResult dry = Shell(root.path(), Orv(out) + shard + " --dry-run lib");
    OrvResult run = Shell(root.path(), kOrv + " --home " + ShellQuote(app) +
                                           " run --defaults --set Output.Type=1 --set "
                                           "Output.SimDir=" + ShellQuote(out) + shard + " lib");
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(run.status, 0) << run.err;
    if (dry.out.empty()) {
      ++empty;
      EXPECT_NE(run.err.find("holds no photos"), std::string::npos) << run.err;
    }
  }
  EXPECT_EQ(empty, 3);
  EXPECT_TRUE(fs::exists(out + "/a_ORV.jpg"));
  // The whole library empty stays a usage error.
  fs::create_directories(root / "none");
  EXPECT_EQ(Shell(root.path(), Orv(out) + " --shard 1/4 none").status, 2);
}

}  // namespace
}  // namespace orv
