#include "ui/Prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace orv::ui {
namespace {

const QString kCaption = QStringLiteral("ORV Lumitra");

QString RunFileDialog(QWidget* parent, const FileDialogSpec& spec, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, spec.title, spec.folder, spec.filter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!spec.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(spec.defaultSuffix);
  if (!spec.initialName.isEmpty()) dialog.selectFile(spec.initialName);
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

QString CQtPrompts::OpenFile(QWidget* parent, const FileDialogSpec& spec) {
  return RunFileDialog(parent, spec, QFileDialog::AcceptOpen);
}

QString CQtPrompts::SaveFile(QWidget* parent, const FileDialogSpec& spec) {
  return RunFileDialog(parent, spec, QFileDialog::AcceptSave);
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
