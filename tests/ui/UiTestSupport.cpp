// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/UiTestSupport.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QTest>
#include <cstdlib>

#include "support/TestPictures.h"

namespace orv::test {
namespace {

QApplication* gApp = nullptr;

// Deletes the application after the last test, so that nothing of Qt outlives main.
class UiAppEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    delete gApp;
    gApp = nullptr;
  }
};

const bool kRegistered = [] {
  ::testing::AddGlobalTestEnvironment(new UiAppEnvironment);
  return true;
}();

}  // namespace

QApplication& UiApp() {
  if (!gApp) {
    (void)kRegistered;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "orv_tests";
    static char* argv[] = {name, nullptr};
    gApp = new QApplication(argc, argv);
  }
  return *gApp;
}

void UiFixture::SetUp() {
  UiApp();
  ASSERT_FALSE(dir_.path().empty());
  // Every per-user value goes to the test's own folder.
  configHome_.emplace("XDG_CONFIG_HOME", (dir_ / "config").c_str());
  home_ = dir_ / "app";
  std::filesystem::create_directories(home_ + "/help");
  std::filesystem::copy_file(ORV_SOURCE_DIR "/data/default.orv", home_ + "/default.orv");
  for (const auto& e : std::filesystem::directory_iterator(ORV_SOURCE_DIR "/data/help"))
    std::filesystem::copy_file(e.path(), home_ + "/help/" + e.path().filename().string());
}

void UiFixture::TearDown() {
  window_.reset();
  configHome_.reset();
}

ui::CMainWindow& UiFixture::Open() {
  auto prompts = std::make_unique<ScriptedPrompts>();
  prompts_ = prompts.get();
  window_ = std::make_unique<ui::CMainWindow>(home_, std::move(prompts));
  window_->show();
  return *window_;
}

void UiFixture::Close() {
  window_->close();
  window_.reset();
  prompts_ = nullptr;
}

void UiFixture::Click(const char* name) {
  auto* b = Find<QAbstractButton>(name);
  ASSERT_NE(b, nullptr) << name;
  ASSERT_TRUE(b->isEnabled()) << name;
  // Near the left edge: a check box or radio button stretched by its layout only reacts over its
  // indicator and text.
  QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier,
                    QPoint(qMin(8, b->width() / 2), b->height() / 2));
}

std::string UiFixture::Photo(const std::string& name, ImageFormat format, int w, int h) {
  std::string path = Data(name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  EXPECT_TRUE(WritePicture(path, w, h, format));
  return path;
}

QStringList UiFixture::CueTexts() const {
  QStringList texts;
  for (int i = 0; i < window_->cueList()->count(); ++i)
    texts << window_->cueList()->item(i)->text();
  return texts;
}

}  // namespace orv::test
