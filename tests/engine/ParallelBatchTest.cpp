// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A batch on several workers must give what the one-at-a-time run gives: the same files with the
// same bytes and names, the same log (time stamps aside), counts, check marks and item results.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "engine/BatchRunner.h"
#include "engine/Engine.h"
#include "imageio/ImageFile.h"
#include "platform/ThreadBudget.h"
#include "support/EngineFixture.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::RecordingHost;
using test::TempDir;

// One run over a fresh copy of the mixed batch, kept for comparison.
struct BatchOutcome {
  RunReport report;
  std::map<std::string, std::string> files;  // relative path -> bytes, under the run's folder
  std::string log;                           // folder and time stamps replaced
  std::vector<bool> checked;
  std::vector<std::string> results;          // one line a result, folder replaced
  int workers = 0;
};

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + with.size()))
    text.replace(p, what.size(), with);
  return text;
}

// Two folders of mixed sizes and formats, two photos named alike, a damaged JPEG in the middle,
// a camera photo with EXIF, and an output already in the way: every naming rule comes into play.
void MakeMixedBatch(const fs::path& root) {
  fs::create_directories(root / "in1");
  fs::create_directories(root / "in2");
  fs::create_directories(root / "out");
  fs::create_directories(root / "help");
  test::WritePicture(root / "in1/a.jpg", 64, 48, kFormatJpeg);
  test::WritePicture(root / "in1/b.png", 120, 90, kFormatPng);
  fs::copy_file(ORV_SOURCE_DIR "/samples/test1.jpg", root / "in1/cam.jpg");
  test::WriteText(root / "in1/damaged.jpg", "\xFF\xD8\xFF\xE0 this is not a photograph");
  test::WritePicture(root / "in1/e.bmp", 33, 17, kFormatBmp);
  test::WritePicture(root / "in1/t.tif", 40, 30, kFormatTiff);
  test::WritePicture(root / "in2/a.jpg", 200, 150, kFormatJpeg);
  test::WritePicture(root / "in2/b.png", 31, 29, kFormatPng);
  test::WritePicture(root / "in2/z.jpg", 300, 200, kFormatJpeg);
  test::WriteText(root / "out/a_ORV.jpg", "in the way");
}

BatchOutcome RunMixed(int jobs, const std::function<void(Settings&)>& tune = {},
                      int threads = 0) {
  TempDir dir;
  MakeMixedBatch(dir.path());
  RecordingHost host;
  CEngine engine(host, dir.path());
  Settings& s = engine.settings();
  s.ApplyKeyDefaults();
  s.Output.DetailedLog = 1;
  s.Output.Type = 1;
  s.Output.SimDir = dir / "out";
  s.Quality.Type = 2;  // the quality search, with its log line
  s.Output.Replace = 0;
  if (tune) tune(s);
  engine.queue().AddFolder(dir / "in1");
  engine.queue().AddFolder(dir / "in2");
  test::ResultCollector collector;
  engine.SetRunObserver(&collector);
  engine.SetJobs(jobs);
  engine.SetThreads(threads);

  BatchOutcome o;
  o.report = engine.RunAll();
  o.workers = engine.lastWorkerCount();
  for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
    if (!e.is_regular_file()) continue;
    std::string rel = fs::relative(e.path(), dir.path()).string();
    if (rel.rfind("help/", 0) == 0 || rel.rfind("in", 0) == 0) continue;
    o.files[rel] = ReadText(e.path());
  }
  o.log = Replace(ReadText(dir / "help/log.html"), dir.path(), "ROOT");
  o.log = std::regex_replace(o.log, std::regex(R"(\d\d::\d\d::\d\d)"), "T");
  o.log = std::regex_replace(o.log, std::regex(R"(\w+day, \w+ \d\d, \d{4})"), "DATE");
  for (const CueItem& item : engine.queue().Cue()) o.checked.push_back(item.checked);
  for (const ItemResult& r : collector.results) {
    o.results.push_back(Replace(r.source + " " + r.output +
                                    " " + std::to_string(int(r.status)) + " " + r.error + " " +
                                    std::to_string(r.quality) + " " + std::to_string(r.bytes),
                                dir.path(), "ROOT"));
  }
  return o;
}

void ExpectSameOutcome(const BatchOutcome& one, const BatchOutcome& many) {
  EXPECT_EQ(one.report.end, many.report.end);
  EXPECT_EQ(one.report.processed, many.report.processed);
  EXPECT_EQ(one.report.saved, many.report.saved);
  EXPECT_EQ(one.report.loadFailures, many.report.loadFailures);
  EXPECT_EQ(one.report.saveFailures, many.report.saveFailures);
  ASSERT_EQ(one.files.size(), many.files.size());
  for (const auto& [name, bytes] : one.files) {
    auto it = many.files.find(name);
    ASSERT_NE(it, many.files.end()) << name;
    EXPECT_TRUE(it->second == bytes) << name << " differs";
  }
  EXPECT_EQ(one.log, many.log);
  EXPECT_EQ(one.checked, many.checked);
  EXPECT_EQ(one.results, many.results);
}

TEST(ParallelBatch, SameFilesNamesLogAndCountsAsOneAtATime) {
  BatchOutcome one = RunMixed(1);
  BatchOutcome many = RunMixed(3);
  EXPECT_EQ(one.workers, 1);
  EXPECT_EQ(many.workers, 3);
  ExpectSameOutcome(one, many);

  // The batch is what it claims to be: numbered names in queue order, the damaged file failed.
  EXPECT_EQ(one.report.loadFailures, 1);
  EXPECT_EQ(one.report.saved, 8);
  EXPECT_EQ(one.files.at("out/a_ORV.jpg"), "in the way");
  EXPECT_TRUE(one.files.count("out/a1_ORV.jpg"));  // in1/a.jpg
  EXPECT_TRUE(one.files.count("out/a2_ORV.jpg"));  // in2/a.jpg, numbered after in1's output
  EXPECT_TRUE(one.files.count("out/b_ORV.png"));
  EXPECT_TRUE(one.files.count("out/b1_ORV.png"));
  EXPECT_TRUE(one.files.count("out/t_ORV.tif"));
  EXPECT_NE(one.log.find("File already exist (No Replace): ROOT/out/b_ORV.png"), std::string::npos);
  EXPECT_NE(one.log.find("Can't load: ROOT/in1/damaged.jpg"), std::string::npos);
  EXPECT_NE(one.log.find("Determined Quality: "), std::string::npos);
  ASSERT_EQ(one.results.size(), 9u);
}

TEST(ParallelBatch, AThreadCountCapsTheWorkersAndChangesNoByte) {
  // Every stage that has a banded kernel, on photos big enough to be cut.
  const auto heavy = [](Settings& s) {
    s.Mode.Advanced = 1;
    s.Denoise.Enabled = s.Denoise.SimEnabled = 1;
    s.Size.Type = 1;
    s.Size.Percent = 77;
  };
  BatchOutcome one = RunMixed(1, heavy, 1);
  EXPECT_EQ(ThreadLimit(), 1);
  BatchOutcome capped = RunMixed(3, heavy, 2);
  EXPECT_EQ(capped.workers, 2);  // --jobs 3 --threads 2: two workers
  EXPECT_LE(ThreadLimit(), 2);
  BatchOutcome automatic = RunMixed(0, heavy, 1);
  EXPECT_EQ(automatic.workers, 1);
  BatchOutcome bands = RunMixed(1, heavy, 0);  // one photo at a time, bands on every core
  ExpectSameOutcome(one, capped);
  ExpectSameOutcome(one, automatic);
  ExpectSameOutcome(one, bands);
}

TEST(ParallelBatch, SameResultWithTextStampAndFixedQualityIntoJpeg) {
  // The text stamp draws with the font libraries on every worker; all outputs become JPEG.
  auto tune = [](Settings& s) {
    s.Text.Enabled = 1;
    s.Text.String = "ORV test";
    s.Quality.Type = 0;
    s.Output.FileType = 1;
    s.Output.Replace = 1;
  };
  ExpectSameOutcome(RunMixed(1, tune), RunMixed(2, tune));
}

// Presses the progress window's Cancel as soon as the first photo is settled.
struct CancellingHost : RecordingHost, RunObserver {
  CProgressDialog* progress = nullptr;
  std::unique_ptr<CProgressDialog> CreateProgressDialog() override {
    auto p = std::make_unique<CProgressDialog>();
    progress = p.get();
    return p;
  }
  void ItemFinished(const ItemResult&) override { progress->PressCancel(); }
};

TEST(ParallelBatch, CancelStopsEveryWorkerAndLeavesOnlyWholeOutputs) {
  TempDir dir;
  fs::create_directories(dir / "help");
  fs::create_directories(dir / "in");
  for (int i = 0; i < 12; ++i)
    test::WritePicture(dir / ("in/p" + std::to_string(10 + i) + ".jpg"), 400, 300, kFormatJpeg);
  CancellingHost host;
  CEngine engine(host, dir.path());
  engine.settings().ApplyKeyDefaults();
  engine.queue().AddFolder(dir / "in");
  engine.SetJobs(2);
  engine.SetRunObserver(&host);
  RunReport r = engine.RunAll();
  EXPECT_EQ(r.end, RunReport::End::Cancelled);
  ASSERT_GE(r.saved, 1);
  EXPECT_LT(r.saved, 12);
  std::string log = ReadText(dir / "help/log.html");
  EXPECT_NE(log.find("**** Process Cancelled by User *************<hr>"), std::string::npos);
  EXPECT_TRUE(host.Saw("message Process Cancelled by user"));
  // What was saved is a prefix of the queue; the rest stays checked.
  const std::vector<CueItem>& cue = engine.queue().Cue();
  for (size_t i = 0; i < cue.size(); ++i) EXPECT_EQ(cue[i].checked, int(i) >= r.saved) << i;
  // Every file in the output folder is a whole photograph under its final name.
  int outputs = 0;
  for (const auto& e : fs::directory_iterator(dir / "in/ORV")) {
    std::string name = e.path().filename().string();
    if (name == "orvoutput.dir") continue;
    ++outputs;
    EXPECT_NE(name.find("_ORV.jpg"), std::string::npos) << name;
    CImageFile file;
    EXPECT_EQ(file.Load(e.path().c_str()), 0u) << name;
  }
  EXPECT_EQ(outputs, r.saved);
}

}  // namespace
}  // namespace orv
