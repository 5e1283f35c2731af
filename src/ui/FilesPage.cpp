#include "ui/FilesPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "imageio/ImageFormat.h"
#include "platform/AppFolder.h"
#include "platform/UserStore.h"

namespace orv::ui {
namespace {

// The "Add Single Image" filter. It offers GIF, which the queue does not take, and leaves out
// PSD and TGA, which it does; a GIF chosen here is silently not added. Both letter cases are
// listed because the file system here tells them apart. Phone photos (HEIC, AVIF) are offered
// with the rest, and so are the camera RAW kinds of the format table.
QString AddImageFilter() {
  QString raw;
  size_t count = 0;
  const FormatRow* rows = FormatRows(count);
  for (size_t i = 0; i < count; ++i) {
    if (!rows[i].cameraRaw) continue;
    const QString ext = QString::fromUtf8(rows[i].extensions[0].text);
    raw += QStringLiteral(" *") + ext + QStringLiteral(" *") + ext.toLower();
  }
  return QStringLiteral(
             "Image Files (*.BMP *.JPG *.PCX *.PNG *.TIF *.GIF *.bmp *.jpg *.pcx *.png *.tif *.gif "
             "*.HEIC *.HEIF *.HIF *.AVIF *.heic *.heif *.hif *.avif") +
         raw +
         QStringLiteral(
             ");;"
             "JPG Files (*.JPG *.jpg);;GIF Files (*.GIF *.gif);;PNG Files (*.PNG *.png);;"
             "HEIC and AVIF Files (*.HEIC *.HEIF *.HIF *.AVIF *.heic *.heif *.hif *.avif);;"
             "Camera RAW Files (") +
         raw.trimmed() +
         QStringLiteral(
             ");;"
             "TIFF Files (*.TIF *.tif);;BMP Files (*.BMP *.bmp);;PCX Files (*.PCX *.pcx);;"
             "All files (*)");
}

// Replaces a list widget's entries when they differ from the queue's, keeping the selection.
void ShowList(QListWidget* list, const std::vector<std::string>& entries) {
  bool same = list->count() == int(entries.size());
  for (int i = 0; same && i < list->count(); ++i)
    same = list->item(i)->text() == QString::fromStdString(entries[size_t(i)]);
  if (same) return;
  QSignalBlocker block(list);
  int row = list->currentRow();
  list->clear();
  for (const std::string& e : entries) list->addItem(QString::fromStdString(e));
  if (row >= 0 && row < list->count()) list->setCurrentRow(row);
}

int SelectedRow(const QListWidget* list) {
  QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? -1 : list->row(items.front());
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

}  // namespace

CFilesPage::CFilesPage(PageContext& ctx, QWidget* parent) : CSettingsPage(ctx, parent) {
  auto* foldersBox = new QGroupBox(tr("Folders"), this);
  folderList_ = new QListWidget(foldersBox);
  folderList_->setObjectName(QStringLiteral("folderList"));
  addFolder_ = Button(tr("Add Folder"), "addFolderButton", foldersBox);
  removeFolder_ = Button(tr("Remove Folder"), "removeFolderButton", foldersBox);
  recursive_ = new QCheckBox(tr("Include Sub-Folders"), foldersBox);
  recursive_->setObjectName(QStringLiteral("recursiveBox"));
  excludeOrv_ = new QCheckBox(tr("Exclude already processed files"), foldersBox);
  excludeOrv_->setObjectName(QStringLiteral("excludeOrvBox"));
  folderCount_ = new QLabel(QStringLiteral("0"), foldersBox);
  folderCount_->setObjectName(QStringLiteral("folderCount"));

  auto* folderButtons = new QHBoxLayout;
  folderButtons->addWidget(addFolder_);
  folderButtons->addWidget(removeFolder_);
  folderButtons->addStretch(1);
  auto* folderCountRow = new QHBoxLayout;
  folderCountRow->addWidget(new QLabel(tr("Files:"), foldersBox));
  folderCountRow->addWidget(folderCount_);
  folderCountRow->addStretch(1);
  auto* foldersLayout = new QVBoxLayout(foldersBox);
  foldersLayout->addWidget(folderList_, 1);
  foldersLayout->addLayout(folderButtons);
  foldersLayout->addWidget(recursive_);
  foldersLayout->addWidget(excludeOrv_);
  foldersLayout->addLayout(folderCountRow);

  auto* filesBox = new QGroupBox(tr("Files (Add or Drag && Drop additional files)"), this);
  fileList_ = new QListWidget(filesBox);
  fileList_->setObjectName(QStringLiteral("fileList"));
  addFiles_ = Button(tr("Add Files"), "addFilesButton", filesBox);
  removeFiles_ = Button(tr("Remove Files"), "removeFilesButton", filesBox);
  removeAll_ = Button(tr("Remove All Files"), "removeAllFilesButton", filesBox);
  totalCount_ = new QLabel(QStringLiteral("0"), filesBox);
  totalCount_->setObjectName(QStringLiteral("totalCount"));

  auto* fileButtons = new QHBoxLayout;
  fileButtons->addWidget(addFiles_);
  fileButtons->addWidget(removeFiles_);
  fileButtons->addWidget(removeAll_);
  fileButtons->addStretch(1);
  auto* totalRow = new QHBoxLayout;
  totalRow->addWidget(new QLabel(tr("Total Files:"), filesBox));
  totalRow->addWidget(totalCount_);
  totalRow->addStretch(1);
  auto* filesLayout = new QVBoxLayout(filesBox);
  filesLayout->addWidget(fileList_, 1);
  filesLayout->addLayout(fileButtons);
  filesLayout->addLayout(totalRow);

  auto* warningsLabel = new QLabel(tr("Warrnings:"), this);
  warnings_ = new QPlainTextEdit(this);
  warnings_->setObjectName(QStringLiteral("warningsBox"));
  warnings_->setReadOnly(true);
  warnings_->setLineWrapMode(QPlainTextEdit::NoWrap);
  warningsLabel->setBuddy(warnings_);

  auto* lists = new QHBoxLayout;
  lists->addWidget(foldersBox, 1);
  lists->addWidget(filesBox, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 3);
  layout->addWidget(warningsLabel);
  layout->addWidget(warnings_, 1);

  connect(addFolder_, &QPushButton::clicked, this, &CFilesPage::AddFolder);
  connect(removeFolder_, &QPushButton::clicked, this, &CFilesPage::RemoveFolder);
  connect(addFiles_, &QPushButton::clicked, this, &CFilesPage::AddFiles);
  connect(removeFiles_, &QPushButton::clicked, this, &CFilesPage::RemoveFiles);
  connect(removeAll_, &QPushButton::clicked, this, &CFilesPage::RemoveAllFiles);
  connect(recursive_, &QCheckBox::clicked, this, &CFilesPage::IncludeSubFoldersClicked);
  connect(excludeOrv_, &QCheckBox::clicked, this, &CFilesPage::ExcludeProcessedClicked);
  connect(folderList_, &QListWidget::itemSelectionChanged, this, &CFilesPage::UpdateEnabling);
  connect(fileList_, &QListWidget::itemSelectionChanged, this, &CFilesPage::UpdateEnabling);
}

void CFilesPage::LoadFromModel() {
  QSignalBlocker b1(recursive_), b2(excludeOrv_);
  recursive_->setChecked(settings().Files.Recursive == 1);
  excludeOrv_->setChecked(settings().Files.ExcludeORV == 1);
  UpdateEnabling();
}

void CFilesPage::UpdateEnabling() {
  removeFolder_->setEnabled(SelectedRow(folderList_) >= 0);
  removeFiles_->setEnabled(SelectedRow(fileList_) >= 0);
  removeAll_->setEnabled(fileList_->count() > 0);
}

void CFilesPage::ShowQueue() {
  BatchQueue& q = ctx_.engine.queue();
  ShowList(folderList_, q.Folders());
  ShowList(fileList_, q.Files());
  QString warnings = QString::fromStdString(q.Warnings());
  warnings.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (warnings_->toPlainText() != warnings) {
    warnings_->setPlainText(warnings);
    warnings_->moveCursor(QTextCursor::End);
  }
  folderCount_->setText(QString::number(q.FolderCount()));
  totalCount_->setText(QString::number(q.TotalCount()));
  // A scan reports its running count; paint it now, the scan keeps the thread busy.
  folderCount_->repaint();
  LoadFromModel();
}

void CFilesPage::AddFiles() {
  ctx_.engine.queue().ClearWarnings();
  FileDialogRequest request;
  request.title = tr("Add Single Image");
  request.folder = QString::fromStdString(ReadUserValue("Settings", "PathIn"));
  request.filter = AddImageFilter();
  QString path = ctx_.prompts.OpenFile(ctx_.dialogParent, request);
  if (path.isEmpty()) return;
  ctx_.engine.queue().AddFile(AbsolutePath(path.toStdString()));
}

void CFilesPage::AddFolder() {
  ctx_.engine.queue().ClearWarnings();
  QString start = QString::fromStdString(ReadUserValue("Settings", "PathIn"));
  QString folder = ctx_.prompts.SelectFolder(ctx_.dialogParent, tr("Select Directory"), start);
  if (folder.isEmpty()) return;
  std::string absolute = AbsolutePath(folder.toStdString());
  WriteUserValue("Settings", "PathIn", absolute);
  ctx_.engine.queue().AddFolder(absolute);
}

void CFilesPage::RemoveFolder() {
  ctx_.engine.queue().RemoveFolder(SelectedRow(folderList_));
}

void CFilesPage::RemoveFiles() {
  ctx_.engine.queue().RemoveFile(SelectedRow(fileList_));
}

void CFilesPage::RemoveAllFiles() {
  ctx_.engine.queue().RemoveAllFiles();
}

void CFilesPage::IncludeSubFoldersClicked(bool on) {
  settings().Files.Recursive = on ? 1 : 0;
  ctx_.engine.queue().RecursiveToggled();
}

void CFilesPage::ExcludeProcessedClicked(bool on) {
  // The queue asks before letting processed files in, and turns the box back on for No.
  ctx_.engine.queue().ExcludeProcessedToggled(on);
}

}  // namespace orv::ui
