// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Files page, drops, the Size & Quality and GO! pages, and runs through the real progress
// window, driven offscreen.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "platform/UserStore.h"
#include "support/TestPictures.h"
#include "ui/HelpView.h"
#include "ui/ProgressWindow.h"
#include "ui/UiTestSupport.h"

namespace orv::test {
namespace {

using ui::CMainWindow;

class QueueAndRunTest : public UiFixture {
 protected:
  std::vector<bool> CueChecks() const {
    std::vector<bool> checks;
    for (int i = 0; i < window_->cueList()->count(); ++i)
      checks.push_back(window_->cueList()->item(i)->checkState() == Qt::Checked);
    return checks;
  }
  QString Warnings() const { return Find<QPlainTextEdit>("warningsBox")->toPlainText(); }
  void Drop(const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &drop);
  }
};

TEST_F(QueueAndRunTest, FilesPageBuildsTheCueListAndReportsWhatItRefuses) {
  std::string in = Data("in");
  Photo("in/a.jpg");
  Photo("in/b_ORV.jpg");
  Photo("in/sub/c.png", kFormatPng);
  WriteText(Data("in/notes.txt"), "x");
  CMainWindow& w = Open();
  w.SelectTab(1);
  EXPECT_FALSE(Find<QPushButton>("removeFolderButton")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("removeAllFilesButton")->isEnabled());

  prompts_->files = {QString::fromStdString(in)};
  Click("addFolderButton");
  EXPECT_EQ(ReadUserValue("Settings", "PathIn"), in);
  // The first start uses the default profile, so sub-folders are scanned; the processed file
  // is refused with a warning.
  EXPECT_EQ(CueTexts(), (QStringList{QString::fromStdString(in + "/a.jpg"),
                                     QString::fromStdString(in + "/sub/c.png")}));
  EXPECT_EQ(Warnings(),
            QString::fromStdString(
                in + "/b_ORV.jpg Excluded! This files was already processed (*_ORV.*)!\n"));
  EXPECT_EQ(Find<QLabel>("folderCount")->text(), "2");

  Click("recursiveBox");
  EXPECT_EQ(CueTexts(), QStringList{QString::fromStdString(in + "/a.jpg")});
  EXPECT_EQ(Find<QLabel>("totalCount")->text(), "1");
  Click("recursiveBox");
  EXPECT_EQ(Find<QLabel>("totalCount")->text(), "2");

  // Letting processed files in is asked first; No keeps the box on and the lists as they were.
  Click("excludeOrvBox");
  EXPECT_TRUE(prompts_->Saw("ask Processing already treated images degrades their quality."));
  EXPECT_TRUE(Find<QCheckBox>("excludeOrvBox")->isChecked());
  EXPECT_EQ(w.engine().settings().Files.ExcludeORV, 1);
  EXPECT_EQ(CueTexts().size(), 2);
  prompts_->answers = {true};
  Click("excludeOrvBox");
  EXPECT_FALSE(Find<QCheckBox>("excludeOrvBox")->isChecked());
  EXPECT_EQ(CueTexts().size(), 3);
  EXPECT_TRUE(Warnings().isEmpty());

  // A GIF chosen in "Add Single Image" is left out without a word; a PNG joins at the end.
  std::string gif = Data("pic.gif");
  WriteText(gif, "GIF89a");
  std::string single = Photo("single.png", kFormatPng);
  prompts_->files = {QString::fromStdString(gif), QString::fromStdString(single)};
  Click("addFilesButton");
  EXPECT_TRUE(prompts_->Saw("open Add Single Image @" + QString::fromStdString(in)));
  EXPECT_EQ(CueTexts().size(), 3);
  EXPECT_TRUE(Warnings().isEmpty());
  w.cueList()->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(w.engine().queue().Cue()[0].checked);
  Click("addFilesButton");
  EXPECT_EQ(CueTexts().back(), QString::fromStdString(single));
  EXPECT_EQ(CueChecks(),
            (std::vector<bool>{false, true, true, true}));  // an append keeps the marks
  EXPECT_TRUE(Find<QPushButton>("removeAllFilesButton")->isEnabled());

  Find<QListWidget>("folderList")->setCurrentRow(0);
  Click("removeFolderButton");
  EXPECT_EQ(CueTexts(), QStringList{QString::fromStdString(single)});
  EXPECT_EQ(Find<QListWidget>("folderList")->count(), 0);
  Click("removeAllFilesButton");
  EXPECT_TRUE(CueTexts().isEmpty());
  EXPECT_EQ(Find<QLabel>("totalCount")->text(), "0");
}

TEST_F(QueueAndRunTest, DroppedPathsAreAddedInDropOrder) {
  std::string c = Photo("c.jpg"), a = Photo("a.jpg"), b = Photo("b.png", kFormatPng);
  WriteText(Data("readme.txt"), "x");
  Photo("folder/d.bmp", kFormatBmp);
  Open();
  Drop({QString::fromStdString(c), QString::fromStdString(a),
        QString::fromStdString(Data("readme.txt")), QString::fromStdString(b)});
  EXPECT_EQ(CueTexts(), (QStringList{QString::fromStdString(c), QString::fromStdString(a),
                                     QString::fromStdString(b)}));
  EXPECT_EQ(Warnings(),
            QString::fromStdString(Data("readme.txt") + " Excluded! Not Supported file.\n"));
  // A dropped folder is scanned; the Cue List is rebuilt with its files first. Drops never
  // clear the warnings.
  Drop({QString::fromStdString(Data("folder"))});
  EXPECT_EQ(CueTexts().front(), QString::fromStdString(Data("folder/d.bmp")));
  EXPECT_EQ(CueTexts().size(), 4);
  EXPECT_FALSE(Warnings().isEmpty());
}

TEST_F(QueueAndRunTest, SizeAndQualityEnablingAndTheFallBackOfTheSourceSizeSearch) {
  CMainWindow& w = Open();
  w.SelectTab(7);
  const Settings& s = w.engine().settings();
  auto enabled = [&](const char* name) { return Find<QWidget>(name)->isEnabled(); };
  Click("sizeKeep");
  EXPECT_FALSE(enabled("percentField"));
  EXPECT_FALSE(enabled("widthField"));
  EXPECT_FALSE(enabled("interpolationList"));
  EXPECT_TRUE(enabled("qualityMatch"));
  Click("qualityMatch");
  EXPECT_EQ(s.Quality.Type, 2);
  EXPECT_TRUE(enabled("minQField"));
  EXPECT_FALSE(enabled("maxKbField"));
  EXPECT_FALSE(Find<QLabel>("qualityMarker")->pixmap().isNull());

  Click("sizeResize");
  EXPECT_EQ(s.Size.Type, 1);
  EXPECT_EQ(s.Quality.Type, 0);
  EXPECT_TRUE(Find<QRadioButton>("qualityFixed")->isChecked());
  EXPECT_FALSE(enabled("qualityMatch"));
  EXPECT_TRUE(enabled("percentField"));
  EXPECT_FALSE(enabled("heightField"));
  EXPECT_TRUE(enabled("interpolationList"));
  EXPECT_FALSE(enabled("minQField"));
  EXPECT_TRUE(Find<QLabel>("qualityMarker")->pixmap().isNull());

  Click("sizeFit");
  EXPECT_FALSE(enabled("percentField"));
  EXPECT_TRUE(enabled("widthField"));
  EXPECT_TRUE(enabled("heightField"));
  Click("qualityLimit");
  EXPECT_TRUE(enabled("maxKbField"));
  EXPECT_TRUE(enabled("minQField"));
  Find<QSpinBox>("widthField")->setValue(321);
  EXPECT_EQ(s.Size.Width, 321);

  // The GO! page: the folder controls only for "one folder"; "..." fills the box and PathOut.
  w.SelectTab(9);
  EXPECT_FALSE(enabled("outputFolderBox"));
  EXPECT_FALSE(enabled("mirrorBox"));
  EXPECT_FALSE(enabled("mirrorTreeBox"));
  Click("outputOneFolder");
  EXPECT_TRUE(enabled("outputFolderButton"));
  // Whole-tree mirroring is the third choice; the one-level switch has no say while it is on.
  Click("mirrorTreeBox");
  EXPECT_EQ(s.Output.MirrorTree, 1);
  EXPECT_FALSE(enabled("mirrorBox"));
  Click("mirrorTreeBox");
  EXPECT_EQ(s.Output.MirrorTree, 0);
  EXPECT_TRUE(enabled("mirrorBox"));
  ASSERT_TRUE(WriteUserValue("Settings", "PathOut", "/tmp"));
  prompts_->files = {QString::fromStdString(Data("out"))};
  Click("outputFolderButton");
  EXPECT_TRUE(prompts_->Saw("folder Select Directory @/tmp"));
  EXPECT_EQ(s.Output.SimDir, Data("out") + "/");
  EXPECT_EQ(Find<QLineEdit>("outputFolderBox")->text(), QString::fromStdString(Data("out") + "/"));
  EXPECT_EQ(ReadUserValue("Settings", "PathOut"), Data("out"));
}

TEST_F(QueueAndRunTest, AllFilesRunsThroughTheProgressWindowAndShowsTheLog) {
  std::string in = Data("in");
  Photo("in/a.jpg");
  Photo("in/b.png", kFormatPng);
  Photo("in/c.bmp", kFormatBmp);
  CMainWindow& w = Open();
  prompts_->files = {QString::fromStdString(in)};
  w.SelectTab(1);
  Click("addFolderButton");
  ASSERT_EQ(CueTexts().size(), 3);
  w.cueList()->item(1)->setCheckState(Qt::Unchecked);
  w.SelectCueIndex(0);

  // Watch the run from inside: the progress window is up and the window's controls are off.
  bool sawProgress = false, mainDisabled = false;
  QString counter;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (ui::CProgressWindow* p = w.progressWindow(); p && p->isVisible()) {
      sawProgress = true;
      mainDisabled = !w.centralWidget()->isEnabled();
    }
  });
  watch.start(0);
  w.SelectTab(9);
  Click("allFilesButton");
  watch.stop();

  EXPECT_TRUE(sawProgress);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(w.centralWidget()->isEnabled());
  EXPECT_FALSE(w.runInProgress());
  EXPECT_TRUE(std::filesystem::exists(in + "/ORV/a_ORV.jpg"));
  EXPECT_FALSE(std::filesystem::exists(in + "/ORV/b_ORV.png"));
  EXPECT_TRUE(std::filesystem::exists(in + "/ORV/c_ORV.bmp"));
  EXPECT_EQ(CueChecks(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(w.tabs()->currentIndex(), 0);
  EXPECT_EQ(w.helpView()->shownFile(), QString::fromStdString(App("help/log2.html")));
  EXPECT_NE(ReadText(App("help/log.html")).find("a_ORV.jpg"), std::string::npos);
  // The page the run ends on counts what happened and leads to the log.
  const QString page = w.helpView()->toPlainText();
  EXPECT_TRUE(page.contains(QStringLiteral("2 saved, 0 failed, 0 skipped of 2 photos")))
      << page.toStdString();
  EXPECT_TRUE(w.helpView()->toHtml().contains(QStringLiteral("log.html")));
  // The photograph shown before the run is shown again, with its own camera data.
  EXPECT_EQ(w.shownPath(), in + "/a.jpg");
  EXPECT_EQ(Find<QLabel>("infoSize")->text(), QStringLiteral("64 x 48"));

  // "Current Image Only" takes the selected item even unchecked, shows the log itself and
  // leaves the tab and the check mark alone.
  w.SelectTab(9);
  w.SelectCueIndex(1);
  Click("currentImageButton");
  EXPECT_TRUE(std::filesystem::exists(in + "/ORV/b_ORV.png"));
  EXPECT_EQ(w.tabs()->currentIndex(), 9);
  EXPECT_EQ(w.helpView()->shownFile(), QString::fromStdString(App("help/log.html")));
  EXPECT_FALSE(CueChecks()[1]);
  EXPECT_TRUE(prompts_->events.filter(QStringLiteral("message")).isEmpty());
}

TEST_F(QueueAndRunTest, CancelStopsTheRunAndKeepsTheRestChecked) {
  std::string in = Data("in");
  Photo("in/a.jpg");
  Photo("in/b.jpg");
  CMainWindow& w = Open();
  w.AddDroppedPaths({QString::fromStdString(in)});
  ASSERT_EQ(CueTexts().size(), 2);

  // Escape and closing the progress window act as Cancel without closing it; the main window
  // cannot be closed during the run.
  bool stillShown = false, mainStayed = false;
  QTimer::singleShot(0, [&] {
    ui::CProgressWindow* p = w.progressWindow();
    ASSERT_NE(p, nullptr);
    QTest::keyClick(p, Qt::Key_Escape);
    p->close();
    stillShown = p->isVisible();
    w.close();
    mainStayed = w.isVisible();
  });
  w.SelectTab(9);
  Click("allFilesButton");
  EXPECT_TRUE(stillShown);
  EXPECT_TRUE(mainStayed);
  EXPECT_TRUE(prompts_->Saw("message Process Cancelled by user"));
  EXPECT_FALSE(std::filesystem::exists(in + "/ORV/a_ORV.jpg"));
  EXPECT_EQ(CueChecks(), (std::vector<bool>{true, true}));
  EXPECT_NE(ReadText(App("help/log.html")).find("Process Cancelled by User"), std::string::npos);
  EXPECT_TRUE(w.centralWidget()->isEnabled());

  // Pressing All Files again continues with the items left.
  Click("allFilesButton");
  EXPECT_TRUE(std::filesystem::exists(in + "/ORV/a_ORV.jpg"));
  EXPECT_TRUE(std::filesystem::exists(in + "/ORV/b_ORV.jpg"));
}

TEST_F(QueueAndRunTest, RunsThatCannotStartSayWhyAndLeaveTheLogAlone) {
  WriteText(App("help/log.html"), "previous");
  CMainWindow& w = Open();
  w.SelectTab(9);
  Click("allFilesButton");
  Click("currentImageButton");
  EXPECT_EQ(prompts_->events,
            (QStringList{
                "message No files to porcess",
                "message There is no file selected.\nPlease select any Image in the Cue List."}));

  // The size-limit question answered No shows the Size & Quality tab and runs nothing.
  w.engine().settings().Quality.Type = 1;
  w.AddDroppedPaths({QString::fromStdString(Photo("x.jpg"))});
  prompts_->events.clear();
  Click("allFilesButton");
  ASSERT_EQ(prompts_->events.size(), 1);
  EXPECT_TRUE(prompts_->events[0].startsWith("ask The settings in Size & Quality Tab"));
  EXPECT_EQ(w.tabs()->currentIndex(), 7);
  EXPECT_EQ(ReadText(App("help/log.html")), "previous");
}

}  // namespace
}  // namespace orv::test
