// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop program's tests share: one QApplication for the process (offscreen), a
// prompts object that answers dialogs from a script and records them, and a fixture with a
// temporary app folder and per-user store.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>

#include "imageio/ImageFormat.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/MainWindow.h"
#include "ui/Prompts.h"

namespace orv::test {

// The process's QApplication, created on first use and deleted after the last test.
QApplication& UiApp();

class ScriptedPrompts : public ui::CPrompts {
 public:
  QStringList events;         // "ask ...", "message ...", "open <title>", "browser <file>" ...
  std::deque<bool> answers;   // Yes/No answers in order; No when none is left
  std::deque<QString> files;  // what the next file or folder dialogs return; cancel when none

  bool AskYesNo(QWidget*, const QString& question) override {
    events << QStringLiteral("ask ") + question;
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void ShowMessage(QWidget*, const QString& message) override {
    events << QStringLiteral("message ") + message;
  }
  QString OpenFile(QWidget*, const ui::FileDialogRequest& request) override {
    return Next("open", request.title, request.folder);
  }
  QString SaveFile(QWidget*, const ui::FileDialogRequest& request) override {
    return Next("save", request.title, request.folder);
  }
  QString SelectFolder(QWidget*, const QString& title, const QString& start) override {
    return Next("folder", title, start);
  }
  bool OpenInBrowser(const QString& file) override {
    events << QStringLiteral("browser ") + file;
    return true;
  }

  bool Saw(const QString& prefix) const {
    for (const QString& e : events)
      if (e.startsWith(prefix)) return true;
    return false;
  }

 private:
  QString Next(const char* kind, const QString& title, const QString& start) {
    events << QLatin1String(kind) + QLatin1Char(' ') + title + QStringLiteral(" @") + start;
    if (files.empty()) return {};
    QString f = files.front();
    files.pop_front();
    return f;
  }
};

class UiFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the main window over the app folder (after the test prepared it).
  ui::CMainWindow& Open();
  // Closes the window the way the user does, then destroys it (profile and LastProfile saved).
  void Close();

  std::string App(const std::string& name = "") const {
    return name.empty() ? home_ : home_ + "/" + name;
  }
  std::string Data(const std::string& name) const { return dir_ / name; }
  template <typename T>
  T* Find(const char* name) const {
    return window_->findChild<T*>(QLatin1String(name));
  }
  // Clicks a button of the window by its object name.
  void Click(const char* name);
  // Writes a picture under the test's data folder, making its folders; its path.
  std::string Photo(const std::string& name, ImageFormat format = kFormatJpeg, int w = 64,
                    int h = 48);
  // The Cue List's texts, top to bottom.
  QStringList CueTexts() const;

  TempDir dir_;
  std::optional<ScopedEnv> configHome_;  // the per-user store, in the test's own folder
  std::string home_;
  ScriptedPrompts* prompts_ = nullptr;  // owned by the window
  std::unique_ptr<ui::CMainWindow> window_;
};

}  // namespace orv::test
