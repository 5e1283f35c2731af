// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The preview pictures: fitting and reducing, the crop's place, a 24-megapixel photograph's
// previews, and page screenshots.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

#include <cstdlib>

#include "engine/Engine.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "ui/pages/BalancePage.h"
#include "ui/pages/CurveControl.h"
#include "ui/pages/HotPixelsPage.h"
#include "ui/pages/ModePages.h"
#include "ui/pages/PageShot.h"
#include "ui/pages/PreviewPanel.h"
#include "ui/pages/PreviewPicture.h"
#include "ui/pages/QtTestApp.h"
#include "ui/pages/SettingsPages.h"

namespace orv::ui {
namespace {

TEST(PreviewPicture, FitKeepsTheAspectAndNeverEnlarges) {
  EXPECT_EQ(FitInside(6000, 4000, 360, 270).width, 360);
  EXPECT_EQ(FitInside(6000, 4000, 360, 270).height, 240);
  EXPECT_EQ(FitInside(4000, 6000, 360, 270).width, 180);
  EXPECT_EQ(FitInside(4000, 6000, 360, 270).height, 270);
  EXPECT_EQ(FitInside(300, 200, 360, 270).width, 300);  // smaller: as it is
  EXPECT_EQ(FitInside(10000, 3, 360, 270).height, 1);   // never below one pixel
  EXPECT_EQ(FitInside(0, 10, 360, 270).width, 0);
}

TEST(PreviewPicture, ReductionAveragesEachBlock) {
  // 4 x 2 to 2 x 1: each target pixel is the mean of a 2 x 2 block.
  Image src;
  ASSERT_TRUE(src.Allocate(4, 2));
  const uint8_t values[2][4] = {{0, 10, 100, 200}, {20, 30, 50, 51}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 3; ++c) src.row(y)[3 * x + c] = uint8_t(values[y][x] + c);
  Image dst;
  ASSERT_TRUE(ReducePicture(src, 2, 1, dst));
  ASSERT_EQ(dst.width(), 2);
  ASSERT_EQ(dst.height(), 1);
  EXPECT_EQ(dst.pixels()[0], 15);   // (0 + 10 + 20 + 30) / 4
  EXPECT_EQ(dst.pixels()[2], 17);   // the same plus 2 in the blue byte
  EXPECT_EQ(dst.pixels()[3], 100);  // (100 + 200 + 50 + 51) / 4 = 100.25
  // A flat picture stays flat at any ratio.
  Image flat;
  ASSERT_TRUE(flat.Allocate(997, 331));
  std::fill_n(flat.pixels(), flat.byteSize(), uint8_t(77));
  ASSERT_TRUE(ReducePicture(flat, 360, 270, dst));
  EXPECT_EQ(dst.width(), 360);
  for (size_t i = 0; i < dst.byteSize(); ++i) ASSERT_EQ(dst.pixels()[i], 77) << i;
}

TEST(PreviewPicture, DetailIsCentredClampedAndCut) {
  DetailPlace p = CentredDetail(1000, 700, 300, 225);
  EXPECT_EQ(p.x, 350);
  EXPECT_EQ(p.y, 237);
  DetailPlace small = CentredDetail(200, 100, 300, 225);
  EXPECT_EQ(small.width, 200);
  EXPECT_EQ(small.x, 0);
  EXPECT_EQ(ClampDetail(p, 5000, -3, 1000, 700).x, 700);
  EXPECT_EQ(ClampDetail(p, 5000, -3, 1000, 700).y, 0);
  Image picture = test::GradientImage(50, 40), crop;
  DetailPlace place{7, 5, 10, 8};
  ASSERT_TRUE(CutDetail(picture, place, crop));
  EXPECT_EQ(crop.row(3)[3 * 2], picture.row(8)[3 * 9]);
  place.x = 41;  // would reach past the right edge
  EXPECT_FALSE(CutDetail(picture, place, crop));
}

// A 24-megapixel JPEG written at test time: it loads, its previews are reduced and cut, and
// every curve change refreshes them, on a detail tab and on a reduced-view tab. (How fast this
// runs is measured by the preview benchmarks, never asserted here.)
TEST(PreviewPicture, ShowsAndRefreshesA24MegapixelPhoto) {
  test::QtApp();
  test::TempDir dir;
  std::string photo = dir / "24mp.jpg";
  ASSERT_TRUE(test::WritePicture(photo, 6000, 4000, kFormatJpeg));
  test::RecordingHost host;
  CEngine engine(host, dir.path());
  Settings& s = engine.settings();
  s.ApplyKeyDefaults();
  s.Mode.Advanced = 1;
  s.Denoise.Enabled = 1;  // every stage a preview runs
  s.FilterSim.Enabled = 1;
  CSettingsPages pages(engine, PageDialogs{});
  int tab = 0;  // the window's tab, as the window tells the previews
  pages.preview().SetViewState({nullptr, [&] { return tabs::HasDetailView(tab); }});

  ASSERT_EQ(engine.ShowImageInfo(photo), 1);
  ASSERT_EQ(engine.picture().width(), 6000);
  ASSERT_EQ(engine.picture().height(), 4000);
  tab = 6;
  pages.ShowImage();
  const CPreviewPanel& preview = pages.preview();
  ASSERT_TRUE(preview.hasPicture());
  QSize pane = preview.paneSize();
  EXPECT_TRUE(preview.after().width() == pane.width() || preview.after().height() == pane.height())
      << preview.after().width() << " x " << preview.after().height();
  EXPECT_EQ(preview.detail().size(), preview.detailCropSize());
  EXPECT_TRUE(preview.detailProcessed());

  // Curve changes as the page's notice makes them.
  for (int i = 0; i < 4; ++i) {
    tab = i % 2 ? 2 : 6;
    s.Balance.Advanced.SetPoint(0, 100 + 20 * i);
    int before = preview.refreshCount();
    QImage previous = preview.after();
    pages.RefreshPreviews();
    EXPECT_EQ(preview.refreshCount(), before + 1);
    EXPECT_EQ(preview.after().size(), previous.size());
    EXPECT_EQ(preview.detailProcessed(), tab == 6);
  }
}

// Renders each page into a PNG, checking that every page lays out and renders: into the folder
// named by $ORV_PAGE_SHOTS when set (to look at the pages), else into a temporary folder.
TEST(PageShots, EveryPageRenders) {
  test::QtApp();
  test::TempDir dir;
  const char* target = std::getenv("ORV_PAGE_SHOTS");
  std::string out = target ? target : dir.path();
  test::RecordingHost host;
  CEngine engine(host, dir.path());
  Settings& s = engine.settings();
  s.ApplyKeyDefaults();
  s.Text.Enabled = 1;  // so that the stamp preview shows a stamp
  s.Denoise.Enabled = s.Denoise.SimEnabled = 1;
  std::string photo = std::string(ORV_SOURCE_DIR) + "/samples/test1.jpg";
  if (engine.ShowImageInfo(photo) != 1) engine.picture() = test::GradientImage(1600, 1200);
  CSettingsPages pages(engine, PageDialogs{});
  int shown = 0;
  pages.preview().SetViewState({nullptr, [&] { return tabs::HasDetailView(shown); }});
  pages.preview().SetPaneSize({320, 240});
  pages.preview().SetDetailSize({320, 240});
  const std::pair<int, const char*> shots[] = {{2, "balance"},    {3, "color-cast"}, {4, "details"},
                                               {5, "hot-pixels"}, {6, "denoiser"},   {8, "extra"}};
  for (bool advanced : {false, true}) {
    s.Mode.Advanced = advanced;
    for (auto [tab, name] : shots) {
      if (tab == 8 && !advanced) continue;
      shown = tab;
      pages.TabSelected(tab);
      pages.ShowImage();
      std::string file = out + "/page-" + name +
                         (tab == 8   ? ""
                          : advanced ? "-advanced"
                                     : "-basic") +
                         ".png";
      ASSERT_TRUE(RenderPagePng(pages.PageForTab(tab), QString::fromStdString(file), {900, 560}))
          << file;
      QImage shot(QString::fromStdString(file));
      EXPECT_EQ(shot.size(), QSize(1800, 1120)) << file;
    }
  }
}

}  // namespace
}  // namespace orv::ui
