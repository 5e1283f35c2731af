// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The questions, messages and file dialogs of the desktop program, behind one interface: the
// program answers them with Qt dialogs, the tests from a script, so a test never waits on a
// modal window.
#pragma once

#include <QString>

class QWidget;

namespace orv::ui {

// What a file dialog offers: title, start folder, name filter, and the name proposed.
struct FileDialogRequest {
  QString title;
  QString folder;
  QString filter;       // Qt filter list, entries separated by ";;"
  QString initialName;  // empty for none
  QString defaultSuffix;
};

class CPrompts {
 public:
  virtual ~CPrompts() = default;

  // Yes/No question; true only for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& question) = 0;
  virtual void ShowMessage(QWidget* parent, const QString& message) = 0;
  // One existing file; empty when cancelled.
  virtual QString OpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
  // A file to write (no overwrite question); empty when cancelled.
  virtual QString SaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
  // A folder; empty when cancelled.
  virtual QString SelectFolder(QWidget* parent, const QString& title, const QString& start) = 0;
  // Opens a file with the desktop's default program; false when that could not be started.
  virtual bool OpenInBrowser(const QString& file) = 0;
};

// The real dialogs.
class CQtPrompts : public CPrompts {
 public:
  bool AskYesNo(QWidget* parent, const QString& question) override;
  void ShowMessage(QWidget* parent, const QString& message) override;
  QString OpenFile(QWidget* parent, const FileDialogRequest& request) override;
  QString SaveFile(QWidget* parent, const FileDialogRequest& request) override;
  QString SelectFolder(QWidget* parent, const QString& title, const QString& start) override;
  bool OpenInBrowser(const QString& file) override;
};

}  // namespace orv::ui
