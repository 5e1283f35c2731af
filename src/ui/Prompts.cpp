// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace orv::ui {
namespace {

const QString kCaption = QStringLiteral("ORV Lumitra");

QString RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                      QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, request.title, request.folder, request.filter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
  if (dialog.exec() != QDialog::Accepted) return {};
  QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace

bool CQtPrompts::AskYesNo(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, kCaption, question, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void CQtPrompts::ShowMessage(QWidget* parent, const QString& message) {
  QMessageBox::information(parent, kCaption, message);
}

QString CQtPrompts::OpenFile(QWidget* parent, const FileDialogRequest& request) {
  return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString CQtPrompts::SaveFile(QWidget* parent, const FileDialogRequest& request) {
  return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

QString CQtPrompts::SelectFolder(QWidget* parent, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, title, start);
}

bool CQtPrompts::OpenInBrowser(const QString& file) {
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(file))) return true;
  // Without a desktop integration, hand the file to the freedesktop opener directly.
  return QProcess::startDetached(QStringLiteral("xdg-open"), {file});
}

}  // namespace orv::ui
