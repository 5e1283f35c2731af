// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Watch this folder" switch, driven offscreen on real temporary folders: arrivals appear in
// the Cue List and are saved once while the window keeps handling its events; failures keep
// their check mark; switching off or closing the window ends after the photos in work.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "engine/RunObserver.h"
#include "imageio/ImageFile.h"
#include "support/TestPictures.h"
#include "ui/UiTestSupport.h"
#include "ui/WatchSwitch.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class WatchSwitchTest : public UiFixture {
 protected:
  ui::CMainWindow& OpenWatching(const std::string& folder) {
    ui::CMainWindow& w = Open();
    w.watchSwitch()->SetSettleTime(300ms);
    if (!folder.empty()) w.AddDroppedPaths({QString::fromStdString(folder)});
    return w;
  }
  // The Cue List entry of a path; null when it is not listed.
  QListWidgetItem* Entry(const std::string& path) const {
    const QList<QListWidgetItem*> found =
        window_->cueList()->findItems(QString::fromStdString(path), Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
  }
  int State(const std::string& path) const {
    QListWidgetItem* item = Entry(path);
    return item && item->data(ui::kWatchStateRole).isValid()
               ? item->data(ui::kWatchStateRole).toInt()
               : -100;
  }
  bool Done(const std::string& path) const {
    return State(path) == int(ItemResult::Status::Saved);
  }
  // The names in a folder, sorted.
  static std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
      for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(WatchSwitchTest, ArrivalsJoinTheQueueAndAreSavedOnceWhileTheWindowStaysLive) {
  const std::string in = Data("in");
  Photo("in/a.jpg");
  ui::CMainWindow& w = OpenWatching(in);
  ASSERT_EQ(CueTexts().size(), 1);
  auto* box = Find<QCheckBox>("watchBox");
  ASSERT_NE(box, nullptr);

  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(10);
  Click("watchBox");
  ASSERT_TRUE(w.watchSwitch()->running());
  EXPECT_TRUE(Find<QLabel>("watchStatus")->text().contains(QString::fromStdString(in)));
  // What was there without an output is taken at once, and marked done.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Done(in + "/a.jpg"); }, 60000));
  EXPECT_EQ(w.cueList()->item(0)->checkState(), Qt::Unchecked);

  // A photo copied in appears in the queue and is saved.
  fs::copy_file(ORV_SOURCE_DIR "/samples/test1.jpg", in + "/test1.jpg");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Done(in + "/test1.jpg"); }, 60000))
      << CueTexts().join(' ').toStdString();
  EXPECT_EQ(Entry(in + "/test1.jpg")->checkState(), Qt::Unchecked);
  EXPECT_TRUE(Entry(in + "/test1.jpg")->toolTip().contains(QStringLiteral("test1_ORV.jpg")));
  EXPECT_GT(ticks, 20);  // the window handled its timers while the watch worked
  EXPECT_TRUE(Find<QLabel>("watchStatus")->text().contains(QStringLiteral("2 saved, 0 failed")));

  // Once each: a while later nothing was saved again, and the Cue List holds each photo once.
  QTest::qWait(1200);
  EXPECT_EQ(Names(in + "/ORV"),
            (std::vector<std::string>{"a_ORV.jpg", "orvoutput.dir", "test1_ORV.jpg"}));
  EXPECT_EQ(CueTexts().size(), 2);
  CImageFile saved;
  EXPECT_EQ(saved.Load((in + "/ORV/test1_ORV.jpg").c_str()), 0u);

  // Off: nothing more is taken.
  Click("watchBox");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.watchSwitch()->running(); }, 60000));
  EXPECT_FALSE(box->isChecked());
  Photo("in/late.jpg");
  QTest::qWait(1000);
  EXPECT_FALSE(fs::exists(in + "/ORV/late_ORV.jpg"));
  EXPECT_EQ(Entry(in + "/late.jpg"), nullptr);
}

TEST_F(WatchSwitchTest, FailuresKeepTheirMarkAndClosingWaitsForThePhotosInWork) {
  const std::string in = Data("in");
  fs::create_directories(in);
  ui::CMainWindow& w = OpenWatching("");
  // With no folder queued, the switch asks for one and queues it.
  prompts_->files = {QString::fromStdString(in)};
  Click("watchBox");
  ASSERT_TRUE(w.watchSwitch()->running());
  EXPECT_TRUE(prompts_->Saw("folder Select the folder to watch"));
  ASSERT_EQ(w.engine().queue().Folders(), std::vector<std::string>{in + "/"});

  WriteText(in + "/bad.jpg", "not a photo at all");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return State(in + "/bad.jpg") == int(ItemResult::Status::Failed); }, 60000));
  // As after a run: checked for a later try, the reason shown; no message box.
  EXPECT_EQ(Entry(in + "/bad.jpg")->checkState(), Qt::Checked);
  EXPECT_TRUE(Entry(in + "/bad.jpg")->toolTip().contains(QStringLiteral("Failed")));
  EXPECT_TRUE(Find<QLabel>("watchStatus")->text().contains(QStringLiteral("0 saved, 1 failed")));
  EXPECT_TRUE(prompts_->events.filter(QStringLiteral("message")).isEmpty());

  // A large photo in work when the window is closed: the window stays until it is saved.
  ASSERT_TRUE(WritePicture(Data("big.png"), 2400, 1600, kFormatPng));
  fs::rename(Data("big.png"), in + "/big.png");
  ASSERT_TRUE(QTest::qWaitFor([&] { return State(in + "/big.png") == ui::kWatchWorking; }, 60000));
  QTest::qWait(300);
  w.close();
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.watchSwitch()->running());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 120000));
  EXPECT_FALSE(w.watchSwitch()->running());
  // Saved whole under its name, nothing half-written beside it.
  EXPECT_EQ(Names(in + "/ORV"), (std::vector<std::string>{"big_ORV.png", "orvoutput.dir"}));
  CImageFile saved;
  EXPECT_EQ(saved.Load((in + "/ORV/big_ORV.png").c_str()), 0u);
}

TEST_F(WatchSwitchTest, ClosingWhileTheWatchTurnsToNewFoldersEndsIt) {
  const std::string in = Data("in");
  const std::string more = Data("more");
  fs::create_directories(in);
  fs::create_directories(more);
  ui::CMainWindow& w = OpenWatching(in);
  Click("watchBox");
  ASSERT_TRUE(w.watchSwitch()->running());
  // Another folder queued: the watch ends, to start again over both folders...
  w.AddDroppedPaths({QString::fromStdString(more)});
  ASSERT_TRUE(w.watchSwitch()->running());
  // ...but the window is closed first: no watch starts again, and the window goes.
  w.close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 60000));
  EXPECT_FALSE(w.watchSwitch()->running());
}

}  // namespace
}  // namespace orv::test
