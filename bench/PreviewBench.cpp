// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings pages' previews with a 24-megapixel photograph: opening it (JPEG decode, the
// reduced copy, the detail crop and the first refresh) and the refresh after a curve change, on a
// tab with a 1:1 detail view and on one without. The window should open such a photograph within
// a second and refresh within a tenth of a second on an optimised build. Built only with the
// desktop program.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchPicture.h"
#include "engine/Engine.h"
#include "engine/EngineHost.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "ui/pages/PageDialogs.h"
#include "ui/pages/PreviewPanel.h"
#include "ui/Tabs.h"
#include "ui/pages/SettingsPages.h"

namespace orv {
namespace {

// Answers No and shows nothing.
class QuietHost : public EngineHost {
 public:
  bool AskYesNo(const std::string&) override { return false; }
  void ShowMessage(const std::string&) override {}
};

void EnsureApplication() {
  // Kept to the end of the process: Qt's own objects may outlive any static destructor order.
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "orv_bench";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  (void)app;
}

// A temporary folder for the photograph, removed with it at exit.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orv-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const ScratchFolder& Scratch() {
  static const ScratchFolder folder;
  return folder;
}

// The shared benchmark picture saved once as a JPEG in the scratch folder; empty on failure.
const std::string& Photo() {
  static const std::string path = [] {
    if (Scratch().path().empty()) return std::string();
    std::string p = Scratch().path() + "/24mp.jpg";
    CImageFile file;
    if (file.SetPixels(bench::BenchPicture().data(), bench::kWidth, bench::kHeight) != 0 ||
        file.Save(p.c_str(), kFormatJpeg) != 0)
      return std::string();
    return p;
  }();
  return path;
}

// An engine in Advanced mode with every stage a preview runs switched on, and its pages.
struct PreviewRig {
  QuietHost host;
  CEngine engine{host, Scratch().path()};
  std::unique_ptr<ui::CSettingsPages> pages;
  int tab = tabs::kOrv;  // the tab shown, as the window tells the previews

  PreviewRig() {
    EnsureApplication();
    Settings& s = engine.settings();
    s.ApplyKeyDefaults();
    s.Mode.Advanced = 1;
    s.Denoise.Enabled = 1;
    s.FilterSim.Enabled = 1;
    pages = std::make_unique<ui::CSettingsPages>(engine, ui::PageDialogs{});
    pages->preview().SetViewState({nullptr, [this] { return tabs::HasDetailView(tab); }});
  }
};

void BM_PreviewOpenPhoto24MP(benchmark::State& state) {
  PreviewRig rig;
  rig.tab = tabs::kDenoiser;
  if (Photo().empty()) state.SkipWithError("cannot write the photograph");
  for (auto _ : state) {
    if (rig.engine.ShowImageInfo(Photo()) != 1) {
      state.SkipWithError("cannot load the photograph");
      break;
    }
    rig.pages->ShowImage();
  }
}
BENCHMARK(BM_PreviewOpenPhoto24MP)->Unit(benchmark::kMillisecond);

// Argument: the tab shown (a detail tab also processes the 1:1 crop).
void BM_PreviewRefresh24MP(benchmark::State& state) {
  PreviewRig rig;
  rig.tab = int(state.range(0));
  if (Photo().empty() || rig.engine.ShowImageInfo(Photo()) != 1) {
    state.SkipWithError("cannot write or load the photograph");
  } else {
    rig.pages->ShowImage();
  }
  int point = 100;
  for (auto _ : state) {
    rig.engine.settings().Balance.Advanced.SetPoint(0, point);
    point = point == 100 ? 180 : 100;
    rig.pages->RefreshPreviews();
  }
}
BENCHMARK(BM_PreviewRefresh24MP)
    ->ArgName("tab")
    ->Arg(tabs::kBalance)
    ->Arg(tabs::kDenoiser)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
