// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven offscreen: start-up, the mode switch, the help view's links, profiles
// and the title, the command buttons.
#include <QCommandLinkButton>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "imageio/ImageFile.h"
#include "platform/UserStore.h"
#include "settings/Profile.h"
#include "support/TestPictures.h"
#include "ui/HelpView.h"
#include "ui/UiTestSupport.h"
#include "ui/pages/BalancePage.h"
#include "ui/pages/ColorCastPage.h"
#include "ui/pages/ModePages.h"
#include "ui/pages/PreviewPanel.h"
#include "ui/pages/SettingsPages.h"

namespace orv::test {
namespace {

using ui::CMainWindow;
using ui::CPreviewPanel;
using ui::CSettingsPages;

class MainWindowTest : public UiFixture {};

TEST_F(MainWindowTest, StartsOnTabZeroWithTheStartPageAndTheLastProfileInTheTitle) {
  {
    CMainWindow& w = Open();
    EXPECT_EQ(w.tabs()->currentIndex(), 0);
    EXPECT_EQ(w.tabs()->count(), 10);
    EXPECT_EQ(w.tabs()->tabText(7), QStringLiteral("Size && Quality"));
    EXPECT_EQ(w.tabs()->tabText(9), QStringLiteral("GO!"));
    EXPECT_EQ(w.helpView()->shownFile(), QString::fromStdString(App("help/orv1.html")));
    EXPECT_NE(w.helpView()->toPlainText().indexOf(QStringLiteral("Welcome")), -1);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0"));
    EXPECT_FALSE(w.advMarker()->isVisibleTo(&w));
    EXPECT_TRUE(Find<QLabel>("basicModeLabel")->isVisibleTo(&w));
    EXPECT_FALSE(Find<QLabel>("advancedModeLabel")->isVisibleTo(&w));
  }
  // An Advanced current profile and a remembered profile name.
  window_.reset();
  WriteText(App("current.orv"), "[Mode]\r\nAdvanced=1\r\n");
  ASSERT_TRUE(WriteUserValue("Settings", "LastProfile", "portraits.orv *"));
  CMainWindow& w = Open();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - portraits.orv *"));
  EXPECT_TRUE(w.advMarker()->isVisibleTo(&w));
  EXPECT_TRUE(Find<QLabel>("advancedModeLabel")->isVisibleTo(&w));
}

TEST_F(MainWindowTest, ModeSwitchMovesTheMarkerAndTheNextSelectedTabFollows) {
  CMainWindow& w = Open();
  CSettingsPages& pages = w.settingsPages();
  w.SelectTab(2);
  EXPECT_EQ(pages.modePages(2)->currentWidget(), static_cast<QWidget*>(pages.balancePage(false)));
  w.SelectTab(0);
  Click("advancedModeButton");
  EXPECT_EQ(w.engine().settings().Mode.Advanced, 1);
  EXPECT_TRUE(w.advMarker()->isVisibleTo(&w));
  EXPECT_TRUE(Find<QLabel>("advancedModeLabel")->isVisibleTo(&w));
  EXPECT_FALSE(Find<QLabel>("basicModeLabel")->isVisibleTo(&w));
  // Tab 3 was not selected since: it still shows its Basic page until it is.
  EXPECT_EQ(pages.modePages(3)->currentWidget(), static_cast<QWidget*>(pages.colorCastPage(false)));
  w.SelectTab(2);
  EXPECT_EQ(pages.modePages(2)->currentWidget(), static_cast<QWidget*>(pages.balancePage(true)));
  w.SelectTab(0);
  Click("basicModeButton");
  EXPECT_EQ(w.engine().settings().Mode.Advanced, 0);
  EXPECT_FALSE(w.advMarker()->isVisibleTo(&w));
  // The mode is not a change of the profile's values: no mark.
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0"));
}

TEST_F(MainWindowTest, HelpLinksAreRoutedByTarget) {
  CMainWindow& w = Open();
  ui::CHelpView* view = w.helpView();
  QString help = QString::fromStdString(App("help"));
  QUrl base = QUrl::fromLocalFile(help + "/orv1.html");

  emit view->anchorClicked(base.resolved(QUrl(QStringLiteral("index.htm"))));
  emit view->anchorClicked(base.resolved(QUrl(QStringLiteral("log.html"))));
  EXPECT_EQ(prompts_->events,
            (QStringList{"browser " + help + "/index.htm", "browser " + help + "/log.html"}));
  EXPECT_EQ(view->shownFile(), help + "/orv1.html");

  emit view->anchorClicked(base.resolved(QUrl(QStringLiteral("print"))));
  EXPECT_EQ(view->shownFile(), help + "/orv1.html");

  // A file outside the help folder is never shown, whatever the link says.
  WriteText(Data("secret.html"), "<p>secret</p>");
  emit view->anchorClicked(QUrl(QStringLiteral("../../secret.html")));
  emit view->anchorClicked(QUrl::fromLocalFile(QString::fromStdString(Data("secret.html"))));
  EXPECT_EQ(view->shownFile(), help + "/orv1.html");

  emit view->anchorClicked(base.resolved(QUrl(QStringLiteral("tip_queue.html"))));
  EXPECT_EQ(view->shownFile(), help + "/tip_queue.html");

  prompts_->events.clear();
  Click("helpButton");
  EXPECT_EQ(prompts_->events, QStringList{"browser " + help + "/index.htm"});
}

TEST_F(MainWindowTest, ResetToDefaultAnsweredNoChangesNothingAndYesReloadsEveryPage) {
  CMainWindow& w = Open();
  w.SelectTab(7);
  Click("sizeResize");
  w.SelectTab(9);
  Click("outputSameFolder");
  ASSERT_EQ(w.engine().settings().Size.Type, 1);

  QUrl defaultLink = QUrl::fromLocalFile(QString::fromStdString(App("help/default")));
  emit w.helpView()->anchorClicked(defaultLink);
  EXPECT_EQ(prompts_->events,
            QStringList{"ask Do you want to load default settings for all parameters?"});
  EXPECT_EQ(w.engine().settings().Size.Type, 1);
  EXPECT_TRUE(Find<QRadioButton>("sizeResize")->isChecked());

  prompts_->answers = {true};
  emit w.helpView()->anchorClicked(defaultLink);
  EXPECT_EQ(w.engine().settings().Size.Type, 0);
  EXPECT_EQ(w.engine().settings().Output.Type, 0);
  EXPECT_TRUE(Find<QRadioButton>("sizeKeep")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("outputSubfolder")->isChecked());
  // default.orv holds the key-table defaults, not the creation values.
  EXPECT_EQ(w.engine().settings().Quality.MaxKB, 150.0);
}

TEST_F(MainWindowTest, SaveAndLoadNameTheProfileAndAChangeMarksIt) {
  CMainWindow& w = Open();
  std::string profiles = ProfilesFolder(App());
  prompts_->files = {QString::fromStdString(profiles + "/mine.orv")};
  w.SelectTab(7);
  Click("sizeFit");
  Click("saveSettingsButton");
  EXPECT_EQ(prompts_->events.back(), QString::fromStdString("save Save Settings @" + profiles));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - mine.orv"));
  Settings saved;
  ASSERT_TRUE(LoadProfile(saved, profiles + "/mine.orv"));
  EXPECT_EQ(saved.Size.Type, 2);

  Click("sizeResize");
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - mine.orv *"));
  Click("sizeKeep");
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - mine.orv *"));

  // Loading another profile replaces the name (the mark goes) and every page follows it.
  WriteText(profiles + "/night.orv", "[Mode]\r\nAdvanced=1\r\n[Size]\r\nType=2\r\nWidth=640\r\n");
  prompts_->files = {QString::fromStdString(profiles + "/night.orv")};
  Click("loadSettingsButton");
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - night.orv"));
  EXPECT_TRUE(w.advMarker()->isVisibleTo(&w));
  EXPECT_TRUE(Find<QRadioButton>("sizeFit")->isChecked());
  EXPECT_EQ(w.engine().settings().Size.Width, 640);

  // A file that cannot be read changes nothing, the title included.
  WriteText(profiles + "/locked.orv", "[Mode]\r\nAdvanced=0\r\n");
  std::filesystem::permissions(profiles + "/locked.orv", std::filesystem::perms::none);
  bool readable = bool(std::ifstream(profiles + "/locked.orv"));  // root reads anything
  prompts_->files = {QString::fromStdString(profiles + "/locked.orv")};
  Click("loadSettingsButton");
  if (!readable) {
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0 - night.orv"));
    EXPECT_EQ(w.engine().settings().Mode.Advanced, 1);
  }

  // Cancelled dialogs change nothing.
  QString title = w.windowTitle();
  Click("loadSettingsButton");
  Click("saveSettingsButton");
  EXPECT_EQ(w.windowTitle(), title);

  // Exit saves the current profile and the name.
  Close();
  Settings current;
  ASSERT_TRUE(LoadProfile(current, CurrentProfilePath(App())));
  EXPECT_EQ(current.Size.Width, readable ? 600 : 640);
  EXPECT_EQ(ReadUserValue("Settings", "LastProfile"),
            title.mid(int(std::string("ORV Lumitra 2.0 - ").size())).toStdString());
}

TEST_F(MainWindowTest, SavingToAnUnwritablePlaceIsReportedAndKeepsTheTitle) {
  CMainWindow& w = Open();
  prompts_->files = {QString::fromStdString(Data("no/such/folder/x.orv"))};
  Click("saveSettingsButton");
  EXPECT_TRUE(prompts_->Saw("message Can't save the settings to "));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ORV Lumitra 2.0"));
}

TEST_F(MainWindowTest, RotationButtonsTurnTheSelectedFileAndReportWhatCannotBeOpened) {
  std::filesystem::create_directories(Data("in"));
  ASSERT_TRUE(WritePicture(Data("in/wide.jpg"), 64, 32, kFormatJpeg));
  CMainWindow& w = Open();
  Click("rotateCwButton");  // nothing selected: nothing happens
  EXPECT_TRUE(prompts_->events.isEmpty());

  w.AddDroppedPaths({QString::fromStdString(Data("in/wide.jpg"))});
  w.SelectCueIndex(0);
  EXPECT_EQ(Find<QLabel>("infoSize")->text(), QStringLiteral("64 x 32"));
  Click("rotateCwButton");
  EXPECT_EQ(Find<QLabel>("infoSize")->text(), QStringLiteral("32 x 64"));
  Click("rotate180Button");
  EXPECT_EQ(Find<QLabel>("infoSize")->text(), QStringLiteral("32 x 64"));
  Click("rotateCcwButton");
  EXPECT_EQ(Find<QLabel>("infoSize")->text(), QStringLiteral("64 x 32"));
  EXPECT_TRUE(prompts_->events.isEmpty());

  std::filesystem::remove(Data("in/wide.jpg"));
  Click("rotateCwButton");
  EXPECT_EQ(prompts_->events, QStringList{"message Can't open source"});
}

TEST_F(MainWindowTest, PreviewsFollowTheImageTheDetailTabsAndTheCropStaysInside) {
  std::filesystem::create_directories(Data("in"));
  ASSERT_TRUE(WritePicture(Data("in/big.png"), 900, 600, kFormatPng));
  WriteText(Data("in/bad.jpg"), "not a picture");
  CMainWindow& w = Open();
  w.AddDroppedPaths(
      {QString::fromStdString(Data("in/big.png")), QString::fromStdString(Data("in/bad.jpg"))});
  w.SelectCueIndex(0);
  CPreviewPanel& preview = w.settingsPages().preview();
  int runs = preview.refreshCount();
  EXPECT_GT(runs, 0);
  QImage before = preview.before();
  EXPECT_LE(before.width(), 288 * w.devicePixelRatioF());
  EXPECT_EQ(before.width() * 600 / 900, before.height());

  // The crop starts centred and stops at the picture's edges.
  QSize crop = preview.detailCropSize();
  EXPECT_EQ(preview.detailOffset(), QPoint((900 - crop.width()) / 2, (600 - crop.height()) / 2));
  preview.MoveDetail(QPoint(5000, -40));
  EXPECT_EQ(preview.detailOffset(), QPoint(900 - crop.width(), 0));

  int moved = preview.refreshCount();
  w.SelectTab(4);
  EXPECT_EQ(preview.refreshCount(), moved + 1);
  w.SelectTab(7);
  EXPECT_EQ(preview.refreshCount(), moved + 1);
  w.SelectTab(5);
  EXPECT_EQ(preview.refreshCount(), moved + 2);

  // A photograph that cannot be loaded leaves no trace of the previous one in the panes.
  w.SelectCueIndex(1);
  EXPECT_FALSE(preview.hasPicture());
  EXPECT_FALSE(Find<QLabel>("infoSize")->isVisibleTo(&w));
  w.SelectTab(6);
  EXPECT_EQ(preview.refreshCount(), moved + 2);
}

}  // namespace
}  // namespace orv::test
