// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings pages driven offscreen: mode-dependent pages, notices that refresh the previews,
// the detail view's drag, and each page's own rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "engine/Engine.h"
#include "imageio/ImageFile.h"
#include "support/CorrectionsOff.h"
#include "support/RecordingHost.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "ui/pages/BalancePage.h"
#include "ui/pages/ColorCastPage.h"
#include "ui/pages/CurveControl.h"
#include "ui/pages/DenoiserPage.h"
#include "ui/pages/DetailsPage.h"
#include "ui/pages/ExtraPage.h"
#include "ui/pages/HotPixelsPage.h"
#include "ui/pages/ImageAfterView.h"
#include "ui/pages/ModePages.h"
#include "ui/pages/PreviewPanel.h"
#include "ui/pages/QtTestApp.h"
#include "ui/pages/SettingsPages.h"

namespace orv::ui {
namespace {

struct PagesFixture : ::testing::Test {
  QApplication& app = test::QtApp();
  test::TempDir dir;
  // The per-user store goes to a temporary folder for the life of a test.
  test::ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
  test::RecordingHost host;
  CEngine engine{host, dir.path()};
  std::vector<QString> asked;
  std::deque<bool> answers;
  QString fileToOpen;
  QString openedFolder;
  std::unique_ptr<CSettingsPages> pages;

  PagesFixture() {
    std::filesystem::create_directories(dir / "help");
    engine.settings().ApplyKeyDefaults();
    PageDialogs dialogs;
    dialogs.askYesNo = [this](const QString& q) {
      asked.push_back(q);
      bool a = !answers.empty() && answers.front();
      if (!answers.empty()) answers.pop_front();
      return a;
    };
    dialogs.openFile = [this](const QString&, const QString& folder, const QString&) {
      openedFolder = folder;
      return fileToOpen;
    };
    pages = std::make_unique<CSettingsPages>(engine, dialogs);
    pages->preview().SetViewState({nullptr, [this] { return tabs::HasDetailView(tab); }});
  }

  // A picture in the engine as ShowImageInfo leaves it, then ShowImage.
  void ShowPicture(int w, int h) {
    engine.picture() = test::GradientImage(w, h);
    pages->ShowImage();
  }
  void SetTab(int shown) {
    tab = shown;
    pages->TabSelected(shown);
  }
  int tab = 0;  // the window's tab, as the window tells the previews
};

TEST_F(PagesFixture, TabsShowThePageOfTheModeWhenSelected) {
  SetTab(2);
  EXPECT_EQ(pages->modePages(2)->current(), pages->modePages(2)->basic());
  // The mode switch takes effect on the next selection of a tab.
  engine.settings().Mode.Advanced = 1;
  EXPECT_EQ(pages->modePages(2)->current(), pages->modePages(2)->basic());
  SetTab(2);
  EXPECT_EQ(pages->modePages(2)->current(), pages->modePages(2)->advanced());
  SetTab(6);
  EXPECT_EQ(pages->modePages(6)->current(), pages->modePages(6)->advanced());
  EXPECT_EQ(pages->PageForTab(8), pages->extraPage());
  EXPECT_EQ(pages->PageForTab(7), nullptr);
  EXPECT_EQ(pages->PageForTab(1), nullptr);
}

TEST_F(PagesFixture, EditsWriteTheModelRefreshThePreviewsAndSendOneNotice) {
  ShowPicture(640, 480);
  QSignalSpy changed(pages.get(), &CSettingsPages::changed);
  CPreviewPanel& preview = pages->preview();
  int refreshes = preview.refreshCount();
  CBalancePage* basic = pages->balancePage(false);
  basic->balanceSwitch()->click();
  EXPECT_EQ(engine.settings().Balance.SimEnabled, 0);
  EXPECT_FALSE(engine.settings().Balance.Basic.Enabled());  // the curve greys with its switch
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(preview.refreshCount(), refreshes + 1);

  // A curve drag refreshes once, at the release.
  CCurveControl* midtones = basic->midtonesCurve();
  midtones->resize(400, midtones->sizeHint().height());
  QPoint at(midtones->ValueX(200), midtones->RowCentre(0));
  QTest::mousePress(midtones, Qt::LeftButton, {}, at);
  EXPECT_EQ(engine.settings().Midtones.Basic.GetPoint(0), 200);
  EXPECT_EQ(preview.refreshCount(), refreshes + 1);
  QTest::mouseRelease(midtones, Qt::LeftButton, {}, at);
  EXPECT_EQ(preview.refreshCount(), refreshes + 2);
  EXPECT_EQ(changed.count(), 2);

  // The processed picture follows the setting: midtones raised brighten the preview.
  SetTab(2);
  QImage brighter = preview.after();
  engine.settings().Midtones.Basic.SetPoint(0, 128);
  pages->RefreshPreviews();
  EXPECT_NE(preview.after(), brighter);
  EXPECT_GT(qGray(brighter.pixel(100, 100)), qGray(preview.after().pixel(100, 100)));

  // Loading the model sends nothing.
  pages->LoadFromSettings();
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(PagesFixture, DetailTabsRerunThePreviewOthersDoNot) {
  ShowPicture(800, 600);
  CPreviewPanel& preview = pages->preview();
  int n = preview.refreshCount();
  SetTab(4);
  EXPECT_EQ(preview.refreshCount(), n + 1);
  EXPECT_TRUE(preview.detailProcessed());
  SetTab(5);
  SetTab(6);
  EXPECT_EQ(preview.refreshCount(), n + 3);
  SetTab(7);
  SetTab(2);
  SetTab(8);
  EXPECT_EQ(preview.refreshCount(), n + 3);
}

TEST_F(PagesFixture, PreviewIsFittedToThePaneAndTheCropCentred) {
  pages->preview().SetPaneSize({360, 270});
  pages->preview().SetDetailSize({300, 225});
  ShowPicture(1200, 600);
  EXPECT_EQ(pages->preview().before().size(), QSize(360, 180));
  EXPECT_EQ(pages->preview().after().size(), QSize(360, 180));
  EXPECT_EQ(pages->preview().detailOffset(), QPoint((1200 - 300) / 2, (600 - 225) / 2));
  EXPECT_EQ(pages->preview().detail().size(), QSize(300, 225));
  // A picture smaller than the pane is shown as it is; the crop is the whole picture.
  ShowPicture(200, 100);
  EXPECT_EQ(pages->preview().before().size(), QSize(200, 100));
  EXPECT_EQ(pages->preview().detailOffset(), QPoint(0, 0));
  EXPECT_EQ(pages->preview().detailCropSize(), QSize(200, 100));
}

TEST_F(PagesFixture, DetailViewDragStopsAtThePictureEdges) {
  const int W = 1000, H = 700;
  pages->preview().SetDetailSize({300, 225});
  SetTab(4);
  ShowPicture(W, H);
  CDetailsPage* page = pages->detailsPage(false);
  auto* view = page->findChild<CImageAfterView*>("detailView");
  ASSERT_NE(view, nullptr);
  view->resize(300, 225);
  QSignalSpy moved(&pages->preview(), &CPreviewPanel::detailMoved);
  int refreshes = pages->preview().refreshCount();
  // Dragging the picture to the left moves the crop towards the right edge, and no further.
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(290, 100));
  QMouseEvent move(QEvent::MouseMove, QPointF(-2000, 100), view->mapToGlobal(QPointF(-2000, 100)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  EXPECT_EQ(pages->preview().detailOffset().x(), W - 300);
  EXPECT_EQ(pages->preview().detailOffset().y(), (H - 225) / 2);
  EXPECT_FALSE(pages->preview().detailProcessed());  // shown plain while it moves
  // The crop shows the picture's pixels at the new place.
  QImage plain = pages->preview().detail();
  Image source = test::GradientImage(W, H);
  const uint8_t* px = source.row((H - 225) / 2) + 3 * (W - 300);
  EXPECT_EQ(QColor(plain.pixel(0, 0)), QColor(px[0], px[1], px[2]));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(-2000, 100));
  EXPECT_EQ(moved.count(), 1);
  EXPECT_EQ(pages->preview().refreshCount(), refreshes + 1);  // processed once it rests
  EXPECT_TRUE(pages->preview().detailProcessed());

  // Up and left past the corner stop at 0; a move that changes nothing cuts nothing.
  EXPECT_TRUE(pages->preview().MoveDetail({-50, -80}));
  EXPECT_EQ(pages->preview().detailOffset(), QPoint(0, 0));
  EXPECT_FALSE(pages->preview().MoveDetail({-1, -1}));
  EXPECT_EQ(moved.count(), 2);
}

TEST_F(PagesFixture, ResetOnAnyPageReachesTheMainWindow) {
  QSignalSpy reset(pages.get(), &CSettingsPages::resetRequested);
  for (int tab : {2, 3, 4, 5, 6, 8}) {
    QWidget* page = pages->PageForTab(tab);
    for (QPushButton* b : page->findChildren<QPushButton*>("resetButton")) b->click();
  }
  EXPECT_EQ(reset.count(), 11);  // two pages on each of tabs 2 to 6, one on tab 8
  EXPECT_TRUE(asked.empty());    // the question is the main window's
}

TEST_F(PagesFixture, CommitTakesThePagesOfTheModeEvenWhenNotShown) {
  // Both hot-pixel pages show the one HotPixels.BF; only the current mode's page is committed.
  Settings& s = engine.settings();
  s.HotPixels.BF = 0;
  pages->LoadFromSettings();
  pages->hotPixelsPage(true)->subtraction()->setChecked(true);  // stale page of the other mode
  s.HotPixels.BF = 0;
  pages->CommitToSettings();
  EXPECT_EQ(s.HotPixels.BF, 0);
  s.Mode.Advanced = 1;  // tab 5 not visited since the switch
  pages->CommitToSettings();
  EXPECT_EQ(s.HotPixels.BF, 1);
}

TEST_F(PagesFixture, ColorCastPageListsTheFiltersLightFirst) {
  Settings& s = engine.settings();
  s.FilterSim.SimEnabled = 1;
  s.FilterSim.SimFilterNo = 2;
  pages->LoadFromSettings();
  CColorCastPage* page = pages->colorCastPage(false);
  QComboBox* list = page->filterList();
  ASSERT_EQ(list->count(), 65);
  EXPECT_EQ(list->itemText(31), "#102 Filter");
  EXPECT_EQ(list->itemText(32), "#11 Filter");
  EXPECT_EQ(list->currentIndex(), 2);
  list->setCurrentIndex(list->findText("#25 Filter"));
  EXPECT_EQ(s.FilterSim.SimFilterNo, list->findText("#25 Filter"));
  EXPECT_EQ(page->shortName()->text(), "Red 1");
  EXPECT_FALSE(page->description()->text().isEmpty());
  // The Advanced page keeps its own choice.
  EXPECT_EQ(s.FilterSim.FilterNo, 0);
  // A position outside the list selects nothing and is kept.
  s.FilterSim.SimFilterNo = 99;
  pages->LoadFromSettings();
  EXPECT_EQ(list->currentIndex(), -1);
  EXPECT_EQ(page->shortName()->text(), "");
  page->CommitToSettings();
  EXPECT_EQ(s.FilterSim.SimFilterNo, 99);
  // The list and "Black && White" follow the simulator's switch.
  page->filterSwitch()->click();
  EXPECT_EQ(s.FilterSim.SimEnabled, 0);
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(page->blackWhite()->isEnabled());
}

TEST_F(PagesFixture, DetailsAndDenoiserSwitchTheirCurves) {
  Settings& s = engine.settings();
  s.Sharpen.Enabled = 1;
  s.Sharpen.Type = 0;
  s.Denoise.Enabled = 1;
  s.CleanSkin.Enabled = 0;
  pages->LoadFromSettings();
  CDetailsPage* details = pages->detailsPage(true);
  EXPECT_TRUE(s.Sharpen.Advanced.Enabled());
  EXPECT_FALSE(s.Radius.Advanced.Enabled());  // the radius only serves the unsharp mask
  details->gaussian()->click();
  EXPECT_EQ(s.Sharpen.Type, 1);
  EXPECT_TRUE(s.Radius.Advanced.Enabled());
  details->sharpenSwitch()->click();
  EXPECT_FALSE(s.Sharpen.Advanced.Enabled());
  EXPECT_FALSE(s.Radius.Advanced.Enabled());
  EXPECT_FALSE(details->gaussian()->isEnabled());

  CDenoiserPage* denoiser = pages->denoiserPage(true);
  EXPECT_TRUE(s.Denoise.Advanced.Enabled());
  EXPECT_TRUE(s.Distance.Advanced.Enabled());
  EXPECT_FALSE(s.CleanSkin.Advanced.Enabled());
  EXPECT_FALSE(denoiser->pinkTones()->isEnabled());
  denoiser->portrait()->click();
  EXPECT_EQ(s.CleanSkin.Enabled, 1);
  EXPECT_FALSE(s.Denoise.Advanced.Enabled());
  EXPECT_FALSE(s.Distance.Advanced.Enabled());
  EXPECT_TRUE(s.CleanSkin.Advanced.Enabled());
  EXPECT_TRUE(denoiser->pinkTones()->isEnabled());
  denoiser->denoiserSwitch()->click();
  EXPECT_EQ(s.Denoise.Enabled, 0);
  EXPECT_FALSE(s.CleanSkin.Advanced.Enabled());
  EXPECT_FALSE(denoiser->portrait()->isEnabled());
  // The Basic page works on the Basic fields only.
  pages->denoiserPage(false)->denoiserSwitch()->click();
  EXPECT_EQ(s.Denoise.SimEnabled, 1);
  pages->denoiserPage(false)->portrait()->click();
  EXPECT_EQ(s.CleanSkin.SimEnabled, 1);
  EXPECT_EQ(s.CleanSkin.Enabled, 1);
  EXPECT_EQ(s.Denoise.Enabled, 0);
}

TEST_F(PagesFixture, HotPixelModelListKeepsCrLfAndGatesItsOptions) {
  Settings& s = engine.settings();
  s.HotPixels.Enabled = 1;
  s.HotPixels.Exclude = 1;
  s.HotPixels.ExcludeType = 1;
  s.HotPixels.ExList = "dsc-f707\r\nCoolpix";
  pages->LoadFromSettings();
  CHotPixelsPage* page = pages->hotPixelsPage(true);
  EXPECT_EQ(page->modelList()->toPlainText(), "dsc-f707\nCoolpix");
  EXPECT_TRUE(page->noExifForListed()->isChecked());
  page->modelList()->setPlainText("dsc-f707\nCoolpix\nE-10");
  EXPECT_EQ(s.HotPixels.ExList, "dsc-f707\r\nCoolpix\r\nE-10");
  page->ignoreListed()->click();
  EXPECT_EQ(s.HotPixels.ExcludeType, 0);
  page->ShowListedCamera(true);
  EXPECT_FALSE(page->listedCamera()->isHidden());
  page->excludeSwitch()->click();
  EXPECT_EQ(s.HotPixels.Exclude, 0);
  EXPECT_FALSE(page->modelList()->isEnabled());
  EXPECT_FALSE(page->ignoreListed()->isEnabled());
  EXPECT_TRUE(page->listedCamera()->isHidden());  // hidden while the exclusion is off
}

TEST_F(PagesFixture, BlackFrameLoadedThroughTheDialogIsUsedByARun) {
  std::filesystem::create_directories(dir / "frames");
  std::filesystem::create_directories(dir / "in");
  // A uniform photograph without EXIF (a 2 s exposure for the black frame) and a frame of its
  // size; everything else off, so the run's output is the difference.
  Image photo, frame;
  ASSERT_TRUE(photo.Allocate(40, 30));
  ASSERT_TRUE(frame.Allocate(40, 30));
  std::fill_n(photo.pixels(), photo.byteSize(), uint8_t(200));
  std::fill_n(frame.pixels(), frame.byteSize(), uint8_t(50));
  ASSERT_TRUE(test::WritePicture(dir / "in/photo.png", photo, kFormatPng));
  ASSERT_TRUE(test::WritePicture(dir / "frames/frame.bmp", frame, kFormatBmp));

  Settings& s = engine.settings();
  test::TurnCorrectionsOff(s);
  s.Output.FileType = 2;  // PNG: lossless, so the output shows the exact difference
  pages->LoadFromSettings();

  CHotPixelsPage* page = pages->hotPixelsPage(false);
  EXPECT_EQ(page->frameLabel()->text(), "No Black Frame Loaded");
  // Cancelled dialog: nothing happens.
  fileToOpen.clear();
  EXPECT_FALSE(page->LoadBlackFrame());
  // A file that does not decode keeps the previous (empty) frame.
  fileToOpen = QString::fromStdString(dir / "in/photo.txt");
  test::WriteText(dir / "in/photo.txt", "not a picture");
  EXPECT_FALSE(page->LoadBlackFrame());
  EXPECT_TRUE(engine.blackFrame().empty());

  fileToOpen = QString::fromStdString(dir / "frames/frame.bmp");
  page->findChild<QPushButton*>("loadBlackFrame")->click();
  EXPECT_EQ(page->frameLabel()->text(), "40 x 30");
  EXPECT_EQ(pages->hotPixelsPage(true)->frameLabel()->text(), "40 x 30");
  EXPECT_EQ(engine.blackFrame().width(), 40);
  // The next dialog starts in the folder of the last frame.
  fileToOpen.clear();
  page->LoadBlackFrame();
  EXPECT_EQ(openedFolder.toStdString(), dir / "frames");

  page->subtraction()->click();
  EXPECT_EQ(s.HotPixels.BF, 1);
  engine.queue().AddFile(dir / "in/photo.png");
  RunReport r = engine.RunAll();
  ASSERT_EQ(r.saved, 1);
  CImageFile out;
  ASSERT_EQ(out.Load((dir / "in/ORV/photo_ORV.png").c_str()), 0u);
  EXPECT_EQ(out.image().pixels()[0], 150);
  EXPECT_EQ(out.image().pixels()[out.image().byteSize() - 1], 150);
}

}  // namespace
}  // namespace orv::ui
