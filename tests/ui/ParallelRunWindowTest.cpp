// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// "All Files" on several workers, watched through the real progress window offscreen: photos done
// of all, the names being worked on, the time, a window that keeps handling events, and the
// worker preference kept in the per-user store.
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include <filesystem>
#include <set>

#include "platform/UserStore.h"
#include "support/TestPictures.h"
#include "ui/HelpView.h"
#include "ui/MainWindow.h"
#include "ui/UiTestSupport.h"

namespace orv::test {
namespace {

class ParallelRunWindowTest : public UiFixture {};

TEST_F(ParallelRunWindowTest, ProgressWindowShowsThePoolAndStaysResponsive) {
  std::string in = Data("in");
  std::filesystem::create_directories(in);
  const int kPhotos = 8;
  for (int i = 0; i < kPhotos; ++i)
    ASSERT_TRUE(WritePicture(in + "/p" + std::to_string(i) + ".jpg", 1600, 1200, kFormatJpeg));
  ui::CMainWindow& w = Open();
  w.AddDroppedPaths({QString::fromStdString(in)});

  auto* workers = Find<QSpinBox>("workersSpin");
  ASSERT_NE(workers, nullptr);
  EXPECT_EQ(workers->value(), 0);
  EXPECT_EQ(workers->text(), QStringLiteral("Automatic"));
  workers->setValue(2);
  EXPECT_EQ(ReadUserValue("Settings", "Workers"), "2");

  int ticks = 0;
  bool sawPicture = false;
  std::set<QString> counters, names, percentsBeforeStart;
  QString time;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    ui::CProgressWindow* p = w.progressWindow();
    if (!p || !p->isVisible()) return;
    ++ticks;
    if (!p->picture()->pixmap().isNull()) sawPicture = true;
    if (p->StageText().empty() && p->BatchFinished() == 0)
      percentsBeforeStart.insert(p->percentLabel()->text());
    if (p->CounterText().find('/') != std::string::npos)
      counters.insert(QString::fromStdString(p->CounterText()));
    if (!p->StageText().empty()) names.insert(QString::fromStdString(p->StageText()));
    if (auto* t = p->findChild<QLabel*>(QStringLiteral("timeText")); t && !t->text().isEmpty())
      time = t->text();
  });
  watch.start(0);
  w.SelectTab(9);
  Click("allFilesButton");
  watch.stop();

  EXPECT_EQ(w.engine().lastWorkerCount(), 2);
  for (int i = 0; i < kPhotos; ++i)
    EXPECT_TRUE(std::filesystem::exists(in + "/ORV/p" + std::to_string(i) + "_ORV.jpg")) << i;
  EXPECT_GT(ticks, 1);  // the window handled its timers while the workers ran
  EXPECT_TRUE(time.startsWith(QStringLiteral("elapsed "))) << time.toStdString();
  // The counter counts finished photos of all; the stage line names photos being worked on.
  EXPECT_FALSE(counters.empty());
  for (const QString& c : counters) EXPECT_TRUE(c.endsWith(QStringLiteral("/8"))) << c.toStdString();
  bool named = false;
  for (const QString& n : names) named = named || n.contains(QStringLiteral(".jpg"));
  EXPECT_TRUE(named);
  // Nothing reads as done before a photo was taken up; the finished photos are shown.
  for (const QString& percent : percentsBeforeStart) EXPECT_EQ(percent, QStringLiteral("0%"));
  EXPECT_TRUE(sawPicture);
  EXPECT_TRUE(w.helpView()->toPlainText().contains(QStringLiteral("8 saved, 0 failed, 0 skipped")))
      << w.helpView()->toPlainText().toStdString();
  EXPECT_FALSE(w.runInProgress());
  EXPECT_TRUE(w.centralWidget()->isEnabled());
}

}  // namespace
}  // namespace orv::test
