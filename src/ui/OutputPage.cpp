// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OutputPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <charconv>

#include "platform/AppFolder.h"
#include "platform/UserStore.h"
#include "ui/PaintedIcons.h"
#include "settings/SettingValues.h"

namespace orv::ui {

int StoredWorkerCount() {
  std::string text = ReadUserValue("Settings", "Workers", "0");
  int n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size() && n >= 0 && n <= 64 ? n : 0;
}


COutputPage::COutputPage(PageContext& ctx, QWidget* parent) : CSettingsPage(ctx, parent) {
  auto* placeBox = new QGroupBox(tr("Output"), this);
  outputType_ = new QButtonGroup(this);
  auto radio = [&](const QString& text, const char* name, int id) {
    auto* r = new QRadioButton(text, placeBox);
    r->setObjectName(QLatin1String(name));
    outputType_->addButton(r, id);
    return r;
  };
  auto* sub =
      radio(tr("Put files in the ORV subfolder of the original folders"), "outputSubfolder", 0);
  auto* one = radio(tr("Put all files in one folder:"), "outputOneFolder", 1);
  auto* same = radio(tr("Put output files in the same folder as source"), "outputSameFolder", 2);
  folder_ = new QLineEdit(placeBox);
  folder_->setObjectName(QStringLiteral("outputFolderBox"));
  browse_ = new QPushButton(QStringLiteral("..."), placeBox);
  browse_->setObjectName(QStringLiteral("outputFolderButton"));
  browse_->setToolTip(tr("Select Directory"));
  browse_->setFixedWidth(browse_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 32);
  mirror_ = new QCheckBox(tr("Mirror folder structure of source images"), placeBox);
  mirror_->setObjectName(QStringLiteral("mirrorBox"));
  // The one-level mirror keeps only the photo's own folder name, so lib/2021/01 and lib/2022/01
  // meet in one folder; the whole tree keeps them apart.
  mirrorTree_ = new QCheckBox(tr("Mirror the whole folder tree below each added folder"), placeBox);
  mirrorTree_->setObjectName(QStringLiteral("mirrorTreeBox"));

  auto* placeGrid = new QGridLayout(placeBox);
  placeGrid->addWidget(sub, 0, 0, 1, 3);
  placeGrid->addWidget(one, 1, 0, 1, 3);
  // The folder controls sit indented under their choice.
  placeGrid->addWidget(folder_, 2, 1);
  placeGrid->addWidget(browse_, 2, 2);
  placeGrid->addWidget(mirror_, 3, 1, 1, 2);
  placeGrid->addWidget(mirrorTree_, 4, 1, 1, 2);
  placeGrid->addWidget(same, 5, 0, 1, 3);
  placeGrid->setColumnMinimumWidth(0, 20);
  placeGrid->setColumnStretch(1, 1);

  auto* optionsBox = new QGroupBox(tr("Options"), this);
  replace_ = new QCheckBox(tr("Replace already existing files (except source files)"), optionsBox);
  replace_->setObjectName(QStringLiteral("replaceBox"));
  fileType_ = new QComboBox(optionsBox);
  fileType_->setObjectName(QStringLiteral("fileTypeList"));
  fileType_->addItems({tr("Same as Source"), tr("Jpeg Image (*.JPG)"), tr("PNG Image (*.PNG)"),
                       tr("Windows Bitmap (*.BMP)")});
  detailedLog_ = new QCheckBox(tr("Create Detailed Log"), optionsBox);
  detailedLog_->setObjectName(QStringLiteral("detailedLogBox"));
  fileType_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* optionsLayout = new QFormLayout(optionsBox);
  optionsLayout->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  optionsLayout->addRow(replace_);
  optionsLayout->addRow(tr("File type:"), fileType_);
  optionsLayout->addRow(detailedLog_);
  keepTime_ = new QCheckBox(tr("Give output files the date and time of their source"), optionsBox);
  keepTime_->setObjectName(QStringLiteral("keepTimeBox"));
  optionsLayout->addRow(keepTime_);
  // Kept per user, like the last folders: it is about the user's photo library, not a profile.
  const bool keepTime = ReadUserValue("Settings", "KeepTime") == "1";
  keepTime_->setChecked(keepTime);
  ctx_.engine.SetKeepFileTime(keepTime);

  auto* processBox = new QGroupBox(tr("PROCESS"), this);
  auto* all = new QPushButton(tr("All Files"), processBox);
  all->setObjectName(QStringLiteral("allFilesButton"));
  auto* current = new QPushButton(tr("Current Image Only"), processBox);
  current->setObjectName(QStringLiteral("currentImageButton"));
  for (QPushButton* b : {all, current}) {
    b->setMinimumHeight(40);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
  }
  all->setDefault(true);
  // How many photos "All Files" works on at once: a preference of this user, not of a profile.
  workers_ = new QSpinBox(processBox);
  workers_->setObjectName(QStringLiteral("workersSpin"));
  workers_->setRange(0, 64);
  workers_->setSpecialValueText(tr("Automatic"));
  workers_->setToolTip(tr("Photos worked on at once by All Files (Automatic: one per core, "
                          "fewer when memory is short)"));
  workers_->setValue(StoredWorkerCount());
  auto* processLayout = new QHBoxLayout(processBox);
  processLayout->addWidget(all, 1);
  processLayout->addWidget(current, 1);
  auto* workersLabel = new QLabel(tr("Workers:"), processBox);
  workersLabel->setBuddy(workers_);
  processLayout->addWidget(workersLabel);
  processLayout->addWidget(workers_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(placeBox);
  layout->addWidget(optionsBox);
  layout->addStretch(1);
  layout->addWidget(processBox);

  connect(outputType_, &QButtonGroup::idClicked, this, [this](int id) {
    settings().Output.Type = id;
    UpdateEnabling();
    SettingChanged();
  });
  connect(folder_, &QLineEdit::textEdited, this, [this] { Commit(); });
  connect(folder_, &QLineEdit::editingFinished, this, [this] {
    if (folder_->isModified()) {
      folder_->setModified(false);
      SettingChanged();
    }
  });
  connect(browse_, &QPushButton::clicked, this, &COutputPage::BrowseFolder);
  connect(mirror_, &QCheckBox::toggled, this, [this](bool on) {
    settings().Output.MirrorFolders = on ? 1 : 0;
    SettingChanged();
  });
  connect(mirrorTree_, &QCheckBox::toggled, this, [this](bool on) {
    settings().Output.MirrorTree = on ? mirror_tree::kWholeTree : mirror_tree::kOff;
    UpdateEnabling();
    SettingChanged();
  });
  connect(replace_, &QCheckBox::toggled, this, [this](bool on) {
    settings().Output.Replace = on ? 1 : 0;
    SettingChanged();
  });
  connect(fileType_, &QComboBox::currentIndexChanged, this, [this](int i) {
    settings().Output.FileType = i;
    SettingChanged();
  });
  connect(detailedLog_, &QCheckBox::toggled, this, [this](bool on) {
    settings().Output.DetailedLog = on ? 1 : 0;
    SettingChanged();
  });
  connect(keepTime_, &QCheckBox::toggled, this, [this](bool on) {
    ctx_.engine.SetKeepFileTime(on);
    WriteUserValue("Settings", "KeepTime", on ? "1" : "0");
  });
  connect(workers_, &QSpinBox::valueChanged, this,
          [](int n) { WriteUserValue("Settings", "Workers", std::to_string(n)); });
  connect(all, &QPushButton::clicked, this, [this] { ctx_.notice(kNoticeRunAll); });
  connect(current, &QPushButton::clicked, this, [this] { ctx_.notice(kNoticeRunCurrent); });
}

void COutputPage::LoadFromModel() {
  const Settings& s = settings();
  QSignalBlocker b1(outputType_), b2(folder_), b3(mirror_), b4(replace_), b5(fileType_),
      b6(detailedLog_), b7(mirrorTree_);
  if (QAbstractButton* b = outputType_->button(s.Output.Type)) b->setChecked(true);
  folder_->setText(QString::fromStdString(s.Output.SimDir));
  folder_->setModified(false);
  mirror_->setChecked(s.Output.MirrorFolders == 1);
  mirrorTree_->setChecked(s.Output.MirrorTree == mirror_tree::kWholeTree);
  replace_->setChecked(s.Output.Replace == 1);
  fileType_->setCurrentIndex(s.Output.FileType >= 0 && s.Output.FileType <= 3 ? s.Output.FileType
                                                                              : 0);
  detailedLog_->setChecked(s.Output.DetailedLog != 0);
  UpdateEnabling();
}

void COutputPage::Commit() {
  settings().Output.SimDir = folder_->text().toStdString();
}

void COutputPage::UpdateEnabling() {
  bool oneFolder = settings().Output.Type == output_type::kFolder;
  folder_->setEnabled(oneFolder);
  browse_->setEnabled(oneFolder);
  // The whole tree holds the photo's own folder already: the one-level switch has no say then.
  mirror_->setEnabled(oneFolder && settings().Output.MirrorTree != mirror_tree::kWholeTree);
  mirrorTree_->setEnabled(oneFolder);
}

void COutputPage::BrowseFolder() {
  Commit();
  std::string start = settings().Output.SimDir;
  if (start.empty()) start = ReadUserValue("Settings", "PathOut");
  QString chosen = ctx_.prompts.SelectFolder(ctx_.dialogParent, tr("Select Directory"),
                                             QString::fromStdString(start));
  if (chosen.isEmpty()) return;
  std::string folder = AbsolutePath(chosen.toStdString());
  WriteUserValue("Settings", "PathOut", folder);
  if (folder.empty() || folder.back() != '/') folder += '/';
  settings().Output.SimDir = folder;
  LoadFromModel();
  SettingChanged();
}

}  // namespace orv::ui
